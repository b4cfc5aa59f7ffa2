// Prints, in UTF-8, the texts of the child controls of every visible top-level window whose
// title ends in the given text (a message box's message, its buttons), one per line.
// Usage: window_text.exe TITLE_SUFFIX   (ASCII; command lines from Linux lose other text)
// Exits 0 when it found such a window.
#include <windows.h>

#include <string>

#include "titled_windows.h"

namespace {

BOOL CALLBACK AddChildText(HWND child, LPARAM param) {
  wchar_t text[1024] = {};
  if (GetWindowTextW(child, text, 1024) > 0) {
    auto* output = reinterpret_cast<std::wstring*>(param);
    *output += text;
    *output += L"\n";
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  std::wstring output;
  const int found = ForEachWindowTitledEnding(
      argv[1], [&output](HWND window) { EnumChildWindows(window, AddChildText, reinterpret_cast<LPARAM>(&output)); });
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, output.c_str(), static_cast<int>(output.size()),
                                        nullptr, 0, nullptr, nullptr);
  if (bytes > 0) {
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, output.c_str(), static_cast<int>(output.size()), &utf8[0], bytes,
                        nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  }
  return found ? 0 : 1;
}
