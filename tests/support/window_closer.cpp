// Presses OK in every top-level window whose title ends in the given text, from inside Wine:
// no window manager, focus or keyboard involved. Exits 0 when it found one.
// Usage: window_closer.exe TITLE_SUFFIX   (ASCII; command lines from Linux lose other text)
#include <windows.h>

#include <string>

namespace {

struct Search {
  std::wstring suffix;
  int found = 0;
};

BOOL CALLBACK PressOk(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  wchar_t title[512] = {};
  GetWindowTextW(window, title, 512);
  const std::wstring text = title;
  if (IsWindowVisible(window) && text.size() >= search->suffix.size() &&
      text.compare(text.size() - search->suffix.size(), search->suffix.size(), search->suffix) == 0) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ++search->found;
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  Search search{argv[1]};
  EnumWindows(PressOk, reinterpret_cast<LPARAM>(&search));
  return search.found ? 0 : 1;
}
