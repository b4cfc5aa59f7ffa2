#include "net/url_split.h"

#include <gtest/gtest.h>

TEST(SplitUrl, AuthorityWithPortGivesHostPortAndHostText) {
  UrlParts parts;
  ASSERT_TRUE(SplitUrl("http://dl.example.cn:8080/pkg/a-0123456789abcdef.dll.gz?x=1&y=/z", parts));
  EXPECT_EQ(parts.host, "dl.example.cn");
  EXPECT_EQ(parts.port, 8080);
  EXPECT_EQ(parts.hostText, "dl.example.cn:8080");
  EXPECT_EQ(parts.path, "/pkg/a-0123456789abcdef.dll.gz?x=1&y=/z");
}

TEST(SplitUrl, AuthorityWithoutPortLeavesPortUnset) {
  UrlParts parts;
  ASSERT_TRUE(SplitUrl("http://127.0.0.1/", parts));
  EXPECT_EQ(parts.host, "127.0.0.1");
  EXPECT_EQ(parts.port, -1);
  EXPECT_EQ(parts.hostText, "127.0.0.1");
  EXPECT_EQ(parts.path, "/");
}

TEST(SplitUrl, FullPortNumberIsUsed) {
  UrlParts parts;
  ASSERT_TRUE(SplitUrl("http://h:65535/f", parts));
  EXPECT_EQ(parts.port, 65535);
  ASSERT_TRUE(SplitUrl("http://h:0/f", parts));
  EXPECT_EQ(parts.port, 0);
}

TEST(SplitUrl, UrlWithoutSchemeSeparatorIsRefused) {
  UrlParts parts;
  EXPECT_FALSE(SplitUrl("127.0.0.1/file.gz", parts));
  EXPECT_FALSE(SplitUrl("http:/127.0.0.1/file.gz", parts));
  EXPECT_FALSE(SplitUrl("", parts));
}

TEST(SplitUrl, UrlWithoutPathIsRefused) {
  UrlParts parts;
  EXPECT_FALSE(SplitUrl("http://127.0.0.1:8080", parts));
  EXPECT_FALSE(SplitUrl("http://", parts));
  EXPECT_TRUE(parts.host.empty());
}

TEST(SplitUrl, EmptyHostOrBadPortIsRefused) {
  UrlParts parts;
  EXPECT_FALSE(SplitUrl("http:///file.gz", parts));
  EXPECT_FALSE(SplitUrl("http://h:/f", parts));
  EXPECT_FALSE(SplitUrl("http://h:80x/f", parts));
  EXPECT_FALSE(SplitUrl("http://h:65536/f", parts));
  EXPECT_FALSE(SplitUrl("http://h:99999999999999999999/f", parts));
}

TEST(ResolveLocation, AbsoluteLocationStandsAsItIs) {
  std::string target;
  ASSERT_TRUE(ResolveLocation("http://a:1/x", "http://b:2/y?z", target));
  EXPECT_EQ(target, "http://b:2/y?z");
}

TEST(ResolveLocation, PathKeepsSchemeAndAuthorityOfTheAnsweringUrl) {
  std::string target;
  ASSERT_TRUE(ResolveLocation("http://a:1/x/y.gz?q", "/moved/y.gz", target));
  EXPECT_EQ(target, "http://a:1/moved/y.gz");
}

TEST(ResolveLocation, OtherFormsAreRefused) {
  std::string target;
  EXPECT_FALSE(ResolveLocation("http://a/x", "moved/y.gz", target));
  EXPECT_FALSE(ResolveLocation("http://a/x", "//b/y.gz", target));
  EXPECT_FALSE(ResolveLocation("http://a/x", "", target));
  EXPECT_FALSE(ResolveLocation("no-scheme", "/y", target));
}
