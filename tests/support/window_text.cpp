// Prints, in UTF-8, the texts of the child controls of every visible top-level window whose
// title ends in the given text (a message box's message, its buttons), one per line.
// Usage: window_text.exe TITLE_SUFFIX   (ASCII; command lines from Linux lose other text)
// Exits 0 when it found such a window.
#include <windows.h>

#include <string>

namespace {

struct Search {
  std::wstring suffix;
  std::wstring output;
  int found = 0;
};

BOOL CALLBACK AddChildText(HWND child, LPARAM param) {
  wchar_t text[1024] = {};
  if (GetWindowTextW(child, text, 1024) > 0) {
    auto* search = reinterpret_cast<Search*>(param);
    search->output += text;
    search->output += L"\n";
  }
  return TRUE;
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  wchar_t title[512] = {};
  GetWindowTextW(window, title, 512);
  const std::wstring text = title;
  if (IsWindowVisible(window) && text.size() >= search->suffix.size() &&
      text.compare(text.size() - search->suffix.size(), search->suffix.size(), search->suffix) == 0) {
    ++search->found;
    EnumChildWindows(window, AddChildText, param);
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  Search search;
  search.suffix = argv[1];
  EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&search));
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, search.output.c_str(), static_cast<int>(search.output.size()),
                                        nullptr, 0, nullptr, nullptr);
  if (bytes > 0) {
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, search.output.c_str(), static_cast<int>(search.output.size()), &utf8[0], bytes,
                        nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  }
  return search.found ? 0 : 1;
}
