#include "net/url_split.h"

namespace {

bool ParsePort(const std::string& text, int& port) {
  if (text.empty() || text.size() > 5) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > 65535) return false;
  port = value;
  return true;
}

}  // namespace

bool SplitUrl(const std::string& url, UrlParts& parts) {
  parts = UrlParts();
  const size_t scheme = url.find("://");
  if (scheme == std::string::npos) return false;
  const size_t authorityStart = scheme + 3;
  const size_t pathStart = url.find('/', authorityStart);
  if (pathStart == std::string::npos) return false;

  const std::string authority = url.substr(authorityStart, pathStart - authorityStart);
  UrlParts result;
  result.path = url.substr(pathStart);
  result.hostText = authority;
  // A colon in the first place is part of the host (as the system has always read it).
  const size_t colon = authority.find(':');
  if (colon != std::string::npos && colon > 0) {
    result.host = authority.substr(0, colon);
    if (!ParsePort(authority.substr(colon + 1), result.port)) return false;
  } else {
    result.host = authority;
  }
  if (result.host.empty()) return false;
  parts = result;
  return true;
}

bool ResolveLocation(const std::string& currentUrl, const std::string& location,
                     std::string& target) {
  if (location.find("://") != std::string::npos) {
    target = location;
    return true;
  }
  // "//host/path" would need the scheme only; it is rare enough to refuse.
  if (location.empty() || location[0] != '/' || (location.size() > 1 && location[1] == '/')) {
    return false;
  }
  const size_t scheme = currentUrl.find("://");
  if (scheme == std::string::npos) return false;
  const size_t pathStart = currentUrl.find('/', scheme + 3);
  if (pathStart == std::string::npos) return false;
  target = currentUrl.substr(0, pathStart) + location;
  return true;
}
