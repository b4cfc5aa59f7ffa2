#include "package/zip_entry_path.h"

namespace {

wchar_t UpperAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// Windows opens these as devices in any folder and with any extension ("nul.txt" too).
bool IsDeviceName(const std::wstring& part) {
  std::wstring stem = part.substr(0, part.find(L'.'));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  for (wchar_t& c : stem) c = UpperAscii(c);
  if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || stem == L"CONIN$" ||
      stem == L"CONOUT$") {
    return true;
  }
  return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
         stem[3] >= L'1' && stem[3] <= L'9';
}

// Windows drops trailing dots and spaces, so "..", ". ." and "... " all mean a parent or self.
bool IsDotsOnly(const std::wstring& part) {
  for (const wchar_t c : part) {
    if (c != L'.' && c != L' ') return false;
  }
  return true;
}

}  // namespace

bool ZipEntryRelativePath(const std::wstring& entryName, std::wstring& relativePath) {
  relativePath.clear();
  if (entryName.empty() || entryName[0] == L'/' || entryName[0] == L'\\') return false;

  std::wstring result;
  size_t start = 0;
  while (start <= entryName.size()) {
    size_t end = entryName.find_first_of(L"/\\", start);
    if (end == std::wstring::npos) end = entryName.size();
    const std::wstring part = entryName.substr(start, end - start);
    const bool last = end == entryName.size();
    // A folder item ends in "/": its empty last part is no part at all.
    if (part.empty() && last && !result.empty()) break;
    if (part.empty() || IsDotsOnly(part) || IsDeviceName(part)) return false;
    for (const wchar_t c : part) {
      if (c == L':' || c < 0x20 || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|') {
        return false;
      }
    }
    if (!result.empty()) result += L'\\';
    result += part;
    start = end + 1;
  }
  relativePath = result;
  return true;
}
