#include "service/byte_range.h"

namespace {

// A decimal number of at most 18 digits (no sign, no space); false otherwise.
bool ReadNumber(const std::string& text, int64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  int64_t result = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
  }
  value = result;
  return true;
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

ByteRange ResolveByteRange(const std::string& rangeField, int64_t fileSize) {
  const ByteRange whole;
  const std::string field = Trimmed(rangeField);
  static const std::string kUnit = "bytes=";
  if (field.compare(0, kUnit.size(), kUnit) != 0 || field.find(',') != std::string::npos) return whole;
  const std::string rangeText = Trimmed(field.substr(kUnit.size()));
  const size_t dash = rangeText.find('-');
  if (dash == std::string::npos) return whole;
  const std::string firstText = Trimmed(rangeText.substr(0, dash));
  const std::string lastText = Trimmed(rangeText.substr(dash + 1));

  ByteRange range;
  range.kind = RangeKind::kPart;
  if (firstText.empty()) {
    // "-K": the last K bytes.
    int64_t suffix = 0;
    if (!ReadNumber(lastText, suffix)) return whole;
    if (suffix == 0) {
      range.kind = RangeKind::kUnsatisfiable;
      return range;
    }
    range.first = suffix >= fileSize ? 0 : fileSize - suffix;
    range.last = fileSize - 1;
  } else {
    if (!ReadNumber(firstText, range.first)) return whole;
    if (lastText.empty()) {
      range.last = fileSize - 1;
    } else {
      if (!ReadNumber(lastText, range.last) || range.last < range.first) return whole;
      if (range.last >= fileSize) range.last = fileSize - 1;
    }
    // Before the bounds check, so that an empty file still answers "bytes=0-" whole.
    if (range.first == 0 && range.last == fileSize - 1) return whole;
    if (range.first >= fileSize) {
      range.kind = RangeKind::kUnsatisfiable;
      range.first = 0;
      range.last = -1;
      return range;
    }
  }
  if (range.first == 0 && range.last == fileSize - 1) return whole;
  return range;
}
