#include "net/http_request.h"

#include <cinttypes>
#include <cstdio>

bool FormatHttpRequest(const char* path, const char* hostText, int64_t offset,
                       char (&buffer)[kHttpRequestBufferSize], int& length) {
  // The two empty texts are where extra headers and a body would go; this client sends none.
  const int needed = snprintf(buffer, sizeof buffer,
                              "%s %s HTTP/1.1\r\nUser-Agent: %s\r\nAccept: */*\r\n"
                              "Range: bytes=%" PRId64 "-\r\nHost: %s\r\n%sConnection: close\r\n%s\r\n",
                              "GET", path, "libavformat_http0.2", offset, hostText, "", "");
  if (needed < 0 || static_cast<size_t>(needed) >= sizeof buffer) {
    buffer[0] = '\0';
    length = 0;
    return false;
  }
  length = needed;
  return true;
}
