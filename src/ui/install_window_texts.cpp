#include "ui/install_window_texts.h"

#include <cwchar>

#include "app/run_mode.h"

std::wstring InstallCaptionText(int runMode, const std::wstring& mainVersion) {
  if (runMode == kRunUninstall) return L"卸载 学生端";
  std::wstring version = mainVersion;
  for (wchar_t& c : version) {
    if (c == L',') c = L'.';
  }
  return L"Qelvo 学生端" + version;
}

std::wstring VersionButtonText(const std::wstring& mainVersion) {
  int major = 0, minor = 0, build = 0, revision = 0;
  if (std::swscanf(mainVersion.c_str(), L"%d,%d,%d,%d", &major, &minor, &build, &revision) != 4) return L"";
  return L"V" + std::to_wstring(major) + L"." + std::to_wstring(minor);
}
