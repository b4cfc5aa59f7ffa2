#include "service/service_options.h"

#include <cstring>

#include "build_settings.h"

namespace {

bool ParseDecimal(const std::string& text, int64_t low, int64_t high, int64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  int64_t result = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
  }
  if (result < low || result > high) return false;
  value = result;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool ParseKey(const std::string& text, unsigned char (&key)[kDesKeyBytes]) {
  if (text.size() != kDesKeyBytes * 2) return false;
  unsigned char parsed[kDesKeyBytes];
  for (size_t i = 0; i < kDesKeyBytes; ++i) {
    const int high = HexValue(text[2 * i]);
    const int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    parsed[i] = static_cast<unsigned char>((high << 4) | low);
  }
  std::memcpy(key, parsed, sizeof(parsed));
  return true;
}

}  // namespace

const char* ServiceUsage() {
  return "usage: tavora-service --release DIR [--release DIR ...] --listen HOST:PORT\n"
         "                      [--reports FILE] [--status HOST:PORT] [--key HEX48] [--salt TEXT]\n"
         "                      [--max-skew SECONDS]\n"
         "  --release DIR     a folder written by tavora-publish (entry.json and the .gz files)\n"
         "  --listen H:P      address to listen on; port 0 picks a free port\n"
         "  --reports FILE    append failure reports to FILE, one line each\n"
         "  --status H:P      serve the status page (releases, downloads, reports) at http://H:P/;\n"
         "                    a listener of its own, off unless asked for; port 0 picks a free port\n"
         "  --key HEX48       triple DES key as 48 hexadecimal digits (default: the build's)\n"
         "  --salt TEXT       signature salt (default: the build's)\n"
         "  --max-skew S      request times further than S seconds from the clock are refused\n"
         "                    with the current time, so the client repeats (default 300)\n";
}

bool ParseServiceOptions(const std::vector<std::string>& arguments, ServiceOptions& options,
                         std::string& error) {
  options = ServiceOptions();
  options.salt = settings::kSignSalt;
  std::memcpy(options.key, settings::kDesKey, kDesKeyBytes);

  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    if (name == "--help" || name == "-h") {
      options.showHelp = true;
      return true;
    }
    if (name != "--release" && name != "--listen" && name != "--reports" && name != "--status" && name != "--key" &&
        name != "--salt" && name != "--max-skew") {
      error = "unknown argument '" + name + "'";
      return false;
    }
    if (i + 1 >= arguments.size()) {
      error = name + " needs a value";
      return false;
    }
    const std::string& value = arguments[++i];
    if (name == "--release") {
      if (value.empty()) {
        error = "--release needs a folder";
        return false;
      }
      options.releaseDirs.push_back(value);
    } else if (name == "--listen" || name == "--status") {
      const size_t colon = value.rfind(':');
      int64_t port = 0;
      if (colon == std::string::npos || colon == 0 ||
          !ParseDecimal(value.substr(colon + 1), 0, 65535, port)) {
        error = name + " needs HOST:PORT with a port from 0 to 65535, not '" + value + "'";
        return false;
      }
      (name == "--listen" ? options.listenHost : options.statusHost) = value.substr(0, colon);
      (name == "--listen" ? options.listenPort : options.statusPort) = static_cast<int>(port);
    } else if (name == "--reports") {
      if (value.empty()) {
        error = "--reports needs a file name";
        return false;
      }
      options.reportsFile = value;
    } else if (name == "--key") {
      if (!ParseKey(value, options.key)) {
        error = "--key needs 48 hexadecimal digits (24 bytes)";
        return false;
      }
    } else if (name == "--salt") {
      if (value.empty()) {
        error = "--salt needs a text";
        return false;
      }
      options.salt = value;
    } else if (name == "--max-skew") {
      if (!ParseDecimal(value, 0, 100000000, options.maxSkewSeconds)) {
        error = "--max-skew needs a number of seconds, not '" + value + "'";
        return false;
      }
    }
  }
  if (options.releaseDirs.empty()) {
    error = "at least one --release DIR is needed";
    return false;
  }
  if (options.listenPort < 0) {
    error = "--listen HOST:PORT is needed";
    return false;
  }
  return true;
}
