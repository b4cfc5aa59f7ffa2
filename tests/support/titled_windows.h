// The visible top-level windows whose title ends in a given text, for the small helper
// programs that reach the installer's boxes from inside Wine.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

struct TitledWindowSearch {
  const std::wstring& suffix;
  const std::function<void(HWND)>& visit;
  int found;
};

inline BOOL CALLBACK VisitIfTitledEnding(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TitledWindowSearch*>(param);
  wchar_t title[512] = {};
  GetWindowTextW(window, title, 512);
  const std::wstring text = title;
  if (IsWindowVisible(window) && text.size() >= search->suffix.size() &&
      text.compare(text.size() - search->suffix.size(), search->suffix.size(), search->suffix) == 0) {
    ++search->found;
    search->visit(window);
  }
  return TRUE;
}

// Calls visit for each such window; returns how many there were.
inline int ForEachWindowTitledEnding(const std::wstring& suffix, const std::function<void(HWND)>& visit) {
  TitledWindowSearch search{suffix, visit, 0};
  EnumWindows(VisitIfTitledEnding, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
