#include "ui/install_window_texts.h"

#include <cwctype>

#include "base/run_mode.h"

std::wstring InstallCaptionText(RunMode runMode, const std::wstring& mainVersion) {
  if (runMode == RunMode::Uninstall) return L"卸载 学生端";
  std::wstring version = mainVersion;
  for (wchar_t& c : version) {
    if (c == L',') c = L'.';
  }
  return L"Qelvo 学生端" + version;
}

namespace {

// One "%d" of the C library's scanning: white space, an optional sign, at least one digit.
// Written out because the wide scanf family alone brings some 17 KB into the installer.
bool ScanDecimal(const wchar_t*& at, long long& value) {
  while (std::iswspace(*at)) ++at;
  const bool negative = *at == L'-';
  if (*at == L'-' || *at == L'+') ++at;
  if (*at < L'0' || *at > L'9') return false;
  value = 0;
  for (; *at >= L'0' && *at <= L'9'; ++at) {
    // Far past any version number; stops the sum from overflowing.
    if (value < 1000000000000LL) value = value * 10 + (*at - L'0');
  }
  if (negative) value = -value;
  return true;
}

}  // namespace

// "a,b,c,d" as "%d,%d,%d,%d" reads it: anything after the fourth number is ignored.
std::wstring VersionButtonText(const std::wstring& mainVersion) {
  long long parts[4] = {};
  const wchar_t* at = mainVersion.c_str();
  for (int i = 0; i < 4; ++i) {
    if (i > 0 && *at++ != L',') return L"";
    if (!ScanDecimal(at, parts[i])) return L"";
  }
  return L"V" + std::to_wstring(parts[0]) + L"." + std::to_wstring(parts[1]);
}
