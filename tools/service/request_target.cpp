#include "service/request_target.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool SplitRequestTarget(const std::string& target, std::string& path, std::string& query) {
  if (target.empty() || target.front() != '/') return false;
  const size_t mark = target.find('?');
  const std::string rawPath = target.substr(0, mark);
  std::string decoded;
  for (size_t i = 0; i < rawPath.size(); ++i) {
    if (rawPath[i] != '%') {
      decoded += rawPath[i];
      continue;
    }
    const int high = i + 2 < rawPath.size() ? HexValue(rawPath[i + 1]) : -1;
    const int low = i + 2 < rawPath.size() ? HexValue(rawPath[i + 2]) : -1;
    // A NUL byte would cut the name short at the file system.
    if (high < 0 || low < 0 || (high == 0 && low == 0)) return false;
    decoded += static_cast<char>(high * 16 + low);
    i += 2;
  }
  path.swap(decoded);
  query = mark == std::string::npos ? std::string() : target.substr(mark + 1);
  return true;
}
