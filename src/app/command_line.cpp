#include "app/command_line.h"

#include "base/text_helpers.h"

bool IsUninstallCommand(const std::wstring& cmdLine) { return EqualsNoCase(cmdLine, L"uninstall"); }

bool IsTempCopyPath(const std::wstring& modulePath) {
  return ContainsNoCase(modulePath, L"2.exe") || ContainsNoCase(modulePath, L"3.exe");
}

std::wstring TempCopyFileName(const std::wstring& fileName) {
  if (ContainsNoCase(fileName, L"2.exe")) return fileName;
  std::wstring name = fileName;
  // Only a lower-case ".exe" is removed.
  const size_t ext = name.rfind(L".exe");
  if (ext != std::wstring::npos) name.erase(ext, 4);
  return name + L"2.exe";
}
