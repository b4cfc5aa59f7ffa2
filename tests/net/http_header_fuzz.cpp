// Feeds arbitrary bytes, cut into arbitrary receives, through the downloader's header
// reading, URL splitting, request building and proxy lists.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "net/http_context.h"
#include "net/http_request.h"
#include "net/proxy_rules.h"
#include "net/url_split.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte chooses the receive size, so lines straddle receives in every way.
  if (size == 0) return 0;
  const int pieceSize = 1 + data[0] % 64 * 64 + data[0] / 64;
  const uint8_t* bytes = data + 1;
  const size_t count = size - 1;
  size_t at = 0;

  HttpContext context([&](char* buffer, int bufferSize) {
    if (at >= count) return 0;
    size_t take = count - at;
    if (take > static_cast<size_t>(pieceSize)) take = static_cast<size_t>(pieceSize);
    if (take > static_cast<size_t>(bufferSize)) take = static_cast<size_t>(bufferSize);
    memcpy(buffer, bytes + at, take);
    at += take;
    return static_cast<int>(take);
  });
  context.location = "http://127.0.0.1:8080/pkg/a.gz";

  // As many responses as the bytes hold, each read like the downloader reads one.
  for (int response = 0; response < 16 && at < count; ++response) {
    context.ResetForResponse();
    bool redirect = false;
    char line[kHttpLineBufferSize];
    for (;;) {
      bool truncated = false;
      if (ReadHeaderLine(context, line, truncated) != kHeaderLineRead) break;
      if (strlen(line) >= kHttpLineBufferSize) __builtin_trap();
      const int processed = ProcessHeaderLine(context, line, context.headerLineCount, redirect, truncated);
      ++context.headerLineCount;
      if (processed != kHeaderGoesOn) break;
    }
    if (context.UnreadCount() < 0 || context.UnreadCount() > kHttpReceiveBufferSize) __builtin_trap();
    if (context.location.size() >= kHttpLocationBufferSize) __builtin_trap();
    UrlParts parts;
    if (SplitUrl(context.location, parts)) {
      if (parts.path.empty() || parts.path[0] != '/' || parts.host.empty()) __builtin_trap();
      char request[kHttpRequestBufferSize];
      int length = 0;
      if (FormatHttpRequest(parts.path.c_str(), parts.hostText.c_str(), context.offset, request, length) &&
          (length <= 0 || static_cast<size_t>(length) >= sizeof request)) {
        __builtin_trap();
      }
    }
  }

  // The bytes as a URL and as a Location value too.
  const std::string text(reinterpret_cast<const char*>(bytes), count);
  UrlParts parts;
  SplitUrl(text, parts);
  std::string target;
  ResolveLocation("http://127.0.0.1/x", text, target);

  // And as the proxy and bypass lists of the Internet settings or a configuration script.
  ProxyServer proxy;
  if (ChooseHttpProxy(text, proxy) && (proxy.host.empty() || proxy.port < 1 || proxy.port > 65535)) __builtin_trap();
  BypassesProxy(text, "files.school.lan", 80);
  BypassesProxy("<local>;*.lan", text, 8080);
  return 0;
}
