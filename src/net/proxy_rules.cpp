#include "net/proxy_rules.h"

#include <vector>

#include "base/text_helpers.h"

namespace {

bool IsSeparator(char c, bool commaSeparates) {
  return c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n' || (commaSeparates && c == ',');
}

std::vector<std::string> Entries(const std::string& list, bool commaSeparates) {
  std::vector<std::string> entries;
  std::string entry;
  for (const char c : list) {
    if (IsSeparator(c, commaSeparates)) {
      if (!entry.empty()) entries.push_back(entry);
      entry.clear();
    } else {
      entry += c;
    }
  }
  if (!entry.empty()) entries.push_back(entry);
  return entries;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Matches text against pattern, where "*" stands for any run of characters; letter case
// is ignored for A-Z. Iterative, so a long pattern of stars costs no stack.
bool WildcardMatches(const std::string& pattern, const std::string& text) {
  size_t p = 0, t = 0, star = std::string::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && Lower(pattern[p]) == Lower(text[t])) {
      ++p;
      ++t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// "host[:port]" into its parts; false for a port that is not a number from 1 to 65535.
bool SplitHostPort(const std::string& text, std::string& host, int& port, int defaultPort) {
  host = text;
  port = defaultPort;
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos) return !host.empty();
  const std::string digits = text.substr(colon + 1);
  if (digits.empty() || digits.size() > 5) return false;
  int value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return false;
  host = text.substr(0, colon);
  port = value;
  return !host.empty();
}

// Drops a trailing "/" and a leading "http://"; false when another scheme is named.
bool WithoutHttpScheme(std::string& text) {
  while (!text.empty() && text.back() == '/') text.pop_back();
  const size_t scheme = text.find("://");
  if (scheme == std::string::npos) return true;
  if (!EqualsNoCase(text.substr(0, scheme), std::string("http"))) return false;
  text.erase(0, scheme + 3);
  return true;
}

}  // namespace

bool ChooseHttpProxy(const std::string& proxyList, ProxyServer& proxy) {
  std::string chosen;
  bool chosenForHttp = false;
  for (std::string entry : Entries(proxyList, false)) {
    const size_t equals = entry.find('=');
    if (equals != std::string::npos) {
      if (chosenForHttp || !EqualsNoCase(entry.substr(0, equals), std::string("http"))) continue;
      chosen = entry.substr(equals + 1);
      chosenForHttp = true;
    } else if (chosen.empty()) {
      chosen = entry;
    }
  }
  if (chosen.empty() || !WithoutHttpScheme(chosen)) return false;
  ProxyServer found;
  if (!SplitHostPort(chosen, found.host, found.port, 80)) return false;
  proxy = found;
  return true;
}

bool BypassesProxy(const std::string& bypassList, const std::string& host, int port) {
  for (std::string entry : Entries(bypassList, true)) {
    if (EqualsNoCase(entry, std::string("<local>"))) {
      if (host.find('.') == std::string::npos) return true;
      continue;
    }
    if (!WithoutHttpScheme(entry)) continue;
    // An entry naming a port applies to that port only.
    std::string pattern = entry;
    const size_t colon = entry.rfind(':');
    if (colon != std::string::npos && entry.find(']', colon) == std::string::npos) {
      const std::string digits = entry.substr(colon + 1);
      if (digits != "*") {
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos ||
            digits.size() > 5 || std::stoi(digits) != port) {
          continue;
        }
      }
      pattern = entry.substr(0, colon);
    }
    if (WildcardMatches(pattern, host)) return true;
  }
  return false;
}
