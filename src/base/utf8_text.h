// Conversions between UTF-8 (layout files, archive entry names) and the program's wide text.
#pragma once

#include <string>

// Malformed sequences become U+FFFD; code points above U+FFFF become surrogate pairs where
// wchar_t is 16 bits wide (Windows).
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
