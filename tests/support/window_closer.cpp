// Presses OK in every top-level window whose title ends in the given text, from inside Wine:
// no window manager, focus or keyboard involved. Exits 0 when it found one.
// Usage: window_closer.exe TITLE_SUFFIX   (ASCII; command lines from Linux lose other text)
#include <windows.h>

#include "titled_windows.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const int found = ForEachWindowTitledEnding(
      argv[1], [](HWND window) { PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
  return found ? 0 : 1;
}
