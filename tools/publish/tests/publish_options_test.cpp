#include "publish_options.h"

#include <gtest/gtest.h>

TEST(PublishOptions, AllArgumentsAreTaken) {
  PublishOptions options;
  std::string error;
  ASSERT_EQ(ParsePublishArguments({"--client", "c", "--version=1.2.3.4", "--base-url", "http://h/r", "--out", "o",
                                   "--registerdll", "a.dll", "--registerdll=b.dll", "--mustupdate", "config.ini=false",
                                   "--mustupdate=x.pak=true", "--force", "--store"},
                                  options, error),
            ParseOutcome::kPublish)
      << error;
  EXPECT_EQ(options.clientFolder, "c");
  EXPECT_EQ(options.version, "1.2.3.4");
  EXPECT_EQ(options.baseUrl, "http://h/r");
  EXPECT_EQ(options.outFolder, "o");
  EXPECT_EQ(options.registerDlls, (std::set<std::string>{"a.dll", "b.dll"}));
  EXPECT_EQ(options.mustUpdate, (std::map<std::string, bool>{{"config.ini", false}, {"x.pak", true}}));
  EXPECT_TRUE(options.replaceExisting);
  EXPECT_TRUE(options.storeZipEntries);
}

TEST(PublishOptions, MissingOrUnknownArgumentsAreErrors) {
  PublishOptions options;
  std::string error;
  EXPECT_EQ(ParsePublishArguments({"--client", "c", "--version", "1.2.3.4", "--out", "o"}, options, error),
            ParseOutcome::kError);
  EXPECT_NE(error.find("--base-url"), std::string::npos);
  EXPECT_EQ(ParsePublishArguments({"--client"}, options, error), ParseOutcome::kError);
  EXPECT_EQ(ParsePublishArguments({"--colour", "red"}, options, error), ParseOutcome::kError);
  EXPECT_NE(error.find("--colour"), std::string::npos);
  EXPECT_EQ(ParsePublishArguments({"--client", "", "--version", "1.2.3.4", "--base-url", "u", "--out", "o"}, options, error),
            ParseOutcome::kError);
  EXPECT_EQ(ParsePublishArguments({"--force=yes"}, options, error), ParseOutcome::kError);
}

TEST(PublishOptions, MustUpdateTakesOnlyTrueOrFalse) {
  PublishOptions options;
  std::string error;
  const std::vector<std::string> base = {"--client", "c", "--version", "1.2.3.4", "--base-url", "u", "--out", "o"};
  for (const char* bad : {"config.ini", "config.ini=FALSE", "=false", "config.ini=no"}) {
    std::vector<std::string> arguments = base;
    arguments.push_back("--mustupdate");
    arguments.push_back(bad);
    EXPECT_EQ(ParsePublishArguments(arguments, options, error), ParseOutcome::kError) << bad;
  }
}

TEST(PublishOptions, HelpIsAsked) {
  PublishOptions options;
  std::string error;
  EXPECT_EQ(ParsePublishArguments({"--help"}, options, error), ParseOutcome::kHelp);
}

TEST(MainVersion, FourNumbersUpTo65535) {
  unsigned parts[4];
  ASSERT_TRUE(ParseMainVersion("1.2.0.65535", parts));
  EXPECT_EQ(parts[0], 1u);
  EXPECT_EQ(parts[3], 65535u);
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "1.2.3.x", "1.2.3.65536", "1,2,3,4", "1..3.4", " 1.2.3.4",
                          "1.2.3.4 ", "-1.2.3.4", "1.2.3.0000065535", "99999999999.1.1.1"}) {
    EXPECT_FALSE(ParseMainVersion(bad, parts)) << bad;
  }
}
