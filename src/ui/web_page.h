// Opening pages of the maker's web site from the installer windows; tests replace the browser.
#pragma once

#include <string>

constexpr wchar_t kPrivacyPagePath[] = L"/html/tavoraweb_privacy.html";
constexpr wchar_t kOfflinePackagePagePath[] = L"/qlv/download/?type=student";

// "http://<web host>" followed by the path, which starts with "/".
std::wstring MakerWebPageAddress(const std::wstring& path);

// Opens the page in a browser: Internet Explorer, else the ".htm" handler.
void OpenMakerWebPage(const std::wstring& path);

// Tests record the addresses instead of starting a browser; returns the previous launcher.
// A null launcher brings the real browser back.
using BrowserLauncher = void (*)(const std::wstring& address);
BrowserLauncher SetBrowserLauncher(BrowserLauncher launcher);
