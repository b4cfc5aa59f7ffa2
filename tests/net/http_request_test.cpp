#include "net/http_request.h"

#include <gtest/gtest.h>

#include <string>

TEST(HttpRequest, RequestAsksForTheWholeFileWithFixedHeaders) {
  char buffer[kHttpRequestBufferSize];
  int length = 0;
  ASSERT_TRUE(FormatHttpRequest("/pkg/a-0123456789abcdef.dll.gz", "127.0.0.1:8080", 0, buffer, length));
  const std::string expected =
      "GET /pkg/a-0123456789abcdef.dll.gz HTTP/1.1\r\n"
      "User-Agent: libavformat_http0.2\r\n"
      "Accept: */*\r\n"
      "Range: bytes=0-\r\n"
      "Host: 127.0.0.1:8080\r\n"
      "Connection: close\r\n"
      "\r\n";
  EXPECT_EQ(std::string(buffer, length), expected);
  EXPECT_EQ(static_cast<size_t>(length), expected.size());
}

TEST(HttpRequest, OffsetIsWrittenAsA64BitNumber) {
  char buffer[kHttpRequestBufferSize];
  int length = 0;
  ASSERT_TRUE(FormatHttpRequest("/f", "h", 5000000000LL, buffer, length));
  EXPECT_NE(std::string(buffer, length).find("Range: bytes=5000000000-\r\n"), std::string::npos);
}

TEST(HttpRequest, LongestRequestThatFitsIsKept) {
  char buffer[kHttpRequestBufferSize];
  int length = 0;
  ASSERT_TRUE(FormatHttpRequest("/", "h", 0, buffer, length));
  const size_t fixed = static_cast<size_t>(length) - 1;  // all but the one-character path
  const std::string path = "/" + std::string(kHttpRequestBufferSize - 1 - fixed - 1, 'p');
  ASSERT_TRUE(FormatHttpRequest(path.c_str(), "h", 0, buffer, length));
  EXPECT_EQ(static_cast<size_t>(length), kHttpRequestBufferSize - 1);
  EXPECT_EQ(buffer[length], '\0');
}

TEST(HttpRequest, RequestLongerThanItsBufferIsRefused) {
  char buffer[kHttpRequestBufferSize];
  int length = 0;
  ASSERT_TRUE(FormatHttpRequest("/", "h", 0, buffer, length));
  const size_t fixed = static_cast<size_t>(length) - 1;
  const std::string path = "/" + std::string(kHttpRequestBufferSize - fixed - 1, 'p');
  EXPECT_FALSE(FormatHttpRequest(path.c_str(), "h", 0, buffer, length));
  EXPECT_EQ(length, 0);
  EXPECT_EQ(buffer[0], '\0');
  const std::string hugePath = "/" + std::string(100000, 'p');
  EXPECT_FALSE(FormatHttpRequest(hugePath.c_str(), "h", 0, buffer, length));
}
