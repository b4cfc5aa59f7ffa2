// The error message box users see: no owner window, error icon, topmost.
#pragma once

#include <string>

extern const wchar_t kErrorCaption[];  // "错误 - TavoraInstaller"

void ShowErrorBox(const std::wstring& text, const std::wstring& caption = kErrorCaption);

// Tests replace the box (which would wait for a click) with a recorder; returns the previous.
using ErrorBoxSink = void (*)(const std::wstring& text, const std::wstring& caption);
ErrorBoxSink SetErrorBoxSink(ErrorBoxSink sink);
