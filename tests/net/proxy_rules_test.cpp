#include "net/proxy_rules.h"

#include <gtest/gtest.h>

namespace {

std::string Chosen(const std::string& list) {
  ProxyServer proxy;
  if (!ChooseHttpProxy(list, proxy)) return "none";
  return proxy.host + ":" + std::to_string(proxy.port);
}

}  // namespace

TEST(ProxyRules, HttpProxyIsChosenFromTheFormsWindowsWrites) {
  EXPECT_EQ(Chosen("10.0.0.1:3128"), "10.0.0.1:3128");
  EXPECT_EQ(Chosen("proxy.lan"), "proxy.lan:80");
  EXPECT_EQ(Chosen("http://proxy.lan:8080/"), "proxy.lan:8080");
  EXPECT_EQ(Chosen("https=secure:443;http=plain:8080;ftp=f:21"), "plain:8080");
  EXPECT_EQ(Chosen("HTTP=plain:8080"), "plain:8080");
  // A proxy for every scheme, then one for HTTP alone: the HTTP one wins.
  EXPECT_EQ(Chosen("all:1 http=plain:2"), "plain:2");
  // What a configuration script gives: several proxies, the first one tried.
  EXPECT_EQ(Chosen("first:3128; second:3128"), "first:3128");
}

TEST(ProxyRules, NoHttpProxyWhenTheListNamesNoneOrCannotBeRead) {
  for (const char* list : {"", " ; ", "https=secure:443", "socks=s:1080", "https://secure:443", "proxy:0",
                           "proxy:65536", "proxy:8o", ":3128", "http="}) {
    EXPECT_EQ(Chosen(list), "none") << list;
  }
}

TEST(ProxyRules, BypassListNamesHostsByPatternPortAndLocal) {
  const std::string list = "<local>;*.school.lan; 10.1.*, mirror.example:8080;http://plain.example";
  EXPECT_TRUE(BypassesProxy(list, "fileserver", 80)) << "<local> is a name without a dot";
  EXPECT_TRUE(BypassesProxy(list, "files.SCHOOL.lan", 80));
  EXPECT_TRUE(BypassesProxy(list, "10.1.2.3", 80));
  EXPECT_TRUE(BypassesProxy(list, "mirror.example", 8080));
  EXPECT_TRUE(BypassesProxy(list, "plain.example", 80));
  EXPECT_FALSE(BypassesProxy(list, "mirror.example", 80)) << "the entry names another port";
  EXPECT_FALSE(BypassesProxy(list, "school.lan", 80)) << "*. needs something before the dot";
  EXPECT_FALSE(BypassesProxy(list, "127.0.0.1", 18080)) << "an address has dots";
  EXPECT_FALSE(BypassesProxy(list, "10.2.1.1", 80));
  EXPECT_FALSE(BypassesProxy("https://secure.example", "secure.example", 80));
  EXPECT_FALSE(BypassesProxy("", "anything", 80));
  EXPECT_TRUE(BypassesProxy("127.0.0.1", "127.0.0.1", 18080));
  EXPECT_TRUE(BypassesProxy("*", "any.host", 80));
}

TEST(ProxyRules, ManyStarsAreMatchedWithoutBacktrackingForever) {
  const std::string pattern(2000, '*');
  EXPECT_TRUE(BypassesProxy(pattern + "x", std::string(5000, 'a') + "x", 80));
  EXPECT_FALSE(BypassesProxy(pattern + "x", std::string(5000, 'a'), 80));
}
