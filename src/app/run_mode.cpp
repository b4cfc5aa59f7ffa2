#include "app/run_mode.h"

#include <cwctype>

int g_runMode = kRunInstall;

namespace {

// Letter case as the C library's towupper sees it, one UTF-16 unit at a time.
bool SameLetter(wchar_t a, wchar_t b) {
  return std::towupper(static_cast<wint_t>(a)) == std::towupper(static_cast<wint_t>(b));
}

bool EqualsIgnoringCase(const std::wstring& text, const std::wstring& other) {
  if (text.size() != other.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!SameLetter(text[i], other[i])) return false;
  }
  return true;
}

bool ContainsIgnoringCase(const std::wstring& text, const std::wstring& part) {
  for (size_t start = 0; start + part.size() <= text.size(); ++start) {
    size_t i = 0;
    while (i < part.size() && SameLetter(text[start + i], part[i])) ++i;
    if (i == part.size()) return true;
  }
  return false;
}

}  // namespace

bool IsUninstallCommand(const std::wstring& cmdLine) { return EqualsIgnoringCase(cmdLine, L"uninstall"); }

bool IsTempCopyPath(const std::wstring& modulePath) {
  return ContainsIgnoringCase(modulePath, L"2.exe") || ContainsIgnoringCase(modulePath, L"3.exe");
}

std::wstring TempCopyFileName(const std::wstring& fileName) {
  if (ContainsIgnoringCase(fileName, L"2.exe")) return fileName;
  std::wstring name = fileName;
  // Only a lower-case ".exe" is removed.
  const size_t ext = name.rfind(L".exe");
  if (ext != std::wstring::npos) name.erase(ext, 4);
  return name + L"2.exe";
}
