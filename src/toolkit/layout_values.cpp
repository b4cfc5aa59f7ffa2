#include "toolkit/layout_values.h"

#include <cctype>
#include <vector>

namespace {

std::string Trim(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  return text.substr(begin, end - begin);
}

bool ParseIntList(const std::string& text, size_t count, int min, int max, std::vector<int>& values) {
  values.clear();
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    int value = 0;
    if (!ParseLayoutInt(part, min, max, value)) return false;
    values.push_back(value);
    if (values.size() > count) return false;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return values.size() == count;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParseLayoutColor(const std::string& text, uint32_t& argb) {
  const std::string value = Trim(text);
  if (value.size() != 9 || value[0] != '#') return false;
  uint32_t result = 0;
  for (size_t i = 1; i < value.size(); ++i) {
    const int digit = HexDigit(value[i]);
    if (digit < 0) return false;
    result = (result << 4) | static_cast<uint32_t>(digit);
  }
  argb = result;
  return true;
}

bool ParseLayoutInt(const std::string& text, int min, int max, int& value) {
  const std::string digits = Trim(text);
  size_t i = 0;
  bool negative = false;
  if (i < digits.size() && (digits[i] == '-' || digits[i] == '+')) negative = digits[i++] == '-';
  if (i >= digits.size()) return false;
  long long result = 0;
  for (; i < digits.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(digits[i]))) return false;
    result = result * 10 + (digits[i] - '0');
    if (result > kLayoutCoordinateLimit * 10LL) return false;  // stops long digit runs early
  }
  if (negative) result = -result;
  if (result < min || result > max) return false;
  value = static_cast<int>(result);
  return true;
}

bool ParseLayoutRect(const std::string& text, LayoutRect& rect) {
  std::vector<int> values;
  if (!ParseIntList(text, 4, -kLayoutCoordinateLimit, kLayoutCoordinateLimit, values)) return false;
  rect = {values[0], values[1], values[2], values[3]};
  return true;
}

bool ParseLayoutSize(const std::string& text, LayoutSize& size) {
  std::vector<int> values;
  if (!ParseIntList(text, 2, 0, kLayoutCoordinateLimit, values)) return false;
  size = {values[0], values[1]};
  return true;
}

bool ParseLayoutBool(const std::string& text, bool& value) {
  std::string lower = Trim(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "true") {
    value = true;
    return true;
  }
  if (lower == "false") {
    value = false;
    return true;
  }
  return false;
}
