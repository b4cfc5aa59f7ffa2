#include "base/message_box.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#endif

const wchar_t kErrorCaption[] = L"错误 - TavoraInstaller";

namespace {

void SystemErrorBox(const std::wstring& text, const std::wstring& caption) {
#ifdef _WIN32
  MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_ICONERROR | MB_TOPMOST);
#else
  fprintf(stderr, "%ls: %ls\n", caption.c_str(), text.c_str());
#endif
}

ErrorBoxSink g_errorBoxSink = SystemErrorBox;

}  // namespace

void ShowErrorBox(const std::wstring& text, const std::wstring& caption) { g_errorBoxSink(text, caption); }

ErrorBoxSink SetErrorBoxSink(ErrorBoxSink sink) {
  const ErrorBoxSink previous = g_errorBoxSink;
  g_errorBoxSink = sink ? sink : SystemErrorBox;
  return previous;
}
