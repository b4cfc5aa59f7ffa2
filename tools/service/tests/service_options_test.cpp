#include "service/service_options.h"

#include <gtest/gtest.h>

#include <cstring>

#include "build_settings.h"

namespace {

bool Parse(const std::vector<std::string>& arguments, ServiceOptions& options, std::string& error) {
  return ParseServiceOptions(arguments, options, error);
}

}  // namespace

TEST(ServiceOptions, ReleasesListenAndReportsAreTaken) {
  ServiceOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"--release", "a", "--listen", "127.0.0.1:18080", "--release", "b",
                     "--reports", "r.txt"},
                    options, error))
      << error;
  EXPECT_EQ(options.releaseDirs, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(options.listenHost, "127.0.0.1");
  EXPECT_EQ(options.listenPort, 18080);
  EXPECT_EQ(options.reportsFile, "r.txt");
  EXPECT_EQ(options.maxSkewSeconds, 300);
}

TEST(ServiceOptions, KeyAndSaltDefaultToTheBuildAndCanBeOverridden) {
  ServiceOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"--release", "a", "--listen", "127.0.0.1:0"}, options, error));
  EXPECT_EQ(options.salt, settings::kSignSalt);
  EXPECT_EQ(std::memcmp(options.key, settings::kDesKey, kDesKeyBytes), 0);

  ASSERT_TRUE(Parse({"--release", "a", "--listen", "127.0.0.1:0", "--salt", "OtherSalt0001:",
                     "--key", "0123456789abcdeffedcba987654321089ABCDEF01234567", "--max-skew", "5"},
                    options, error));
  EXPECT_EQ(options.salt, "OtherSalt0001:");
  EXPECT_EQ(options.key[0], 0x01);
  EXPECT_EQ(options.key[23], 0x67);
  EXPECT_EQ(options.key[16], 0x89);
  EXPECT_EQ(options.key[17], 0xAB);
  EXPECT_EQ(options.maxSkewSeconds, 5);
}

TEST(ServiceOptions, BadArgumentsAreNamed) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"--listen", "127.0.0.1:1"}, "--release"},
      {{"--release", "a"}, "--listen"},
      {{"--release", "a", "--listen", "127.0.0.1"}, "HOST:PORT"},
      {{"--release", "a", "--listen", "127.0.0.1:65536"}, "HOST:PORT"},
      {{"--release", "a", "--listen", ":80"}, "HOST:PORT"},
      {{"--release", "a", "--listen", "127.0.0.1:8x"}, "HOST:PORT"},
      {{"--release"}, "needs a value"},
      {{"--release", "a", "--listen", "127.0.0.1:1", "--key", "00"}, "48 hexadecimal"},
      {{"--release", "a", "--listen", "127.0.0.1:1", "--key", std::string(47, '0') + "g"}, "48 hexadecimal"},
      {{"--release", "a", "--listen", "127.0.0.1:1", "--max-skew", "-1"}, "seconds"},
      {{"--release", "a", "--listen", "127.0.0.1:1", "--bogus"}, "unknown argument '--bogus'"},
  };
  for (const auto& item : cases) {
    ServiceOptions options;
    std::string error;
    EXPECT_FALSE(Parse(item.first, options, error));
    EXPECT_NE(error.find(item.second), std::string::npos) << error;
  }
}
