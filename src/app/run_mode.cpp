#include "app/run_mode.h"

#include <boost/algorithm/string/predicate.hpp>

int g_runMode = kRunInstall;

bool IsUninstallCommand(const std::wstring& cmdLine) {
  return boost::algorithm::iequals(cmdLine, L"uninstall");
}

bool IsTempCopyPath(const std::wstring& modulePath) {
  return boost::algorithm::icontains(modulePath, L"2.exe") ||
         boost::algorithm::icontains(modulePath, L"3.exe");
}

std::wstring TempCopyFileName(const std::wstring& fileName) {
  if (boost::algorithm::icontains(fileName, L"2.exe")) return fileName;
  std::wstring name = fileName;
  // Only a lower-case ".exe" is removed.
  const size_t ext = name.rfind(L".exe");
  if (ext != std::wstring::npos) name.erase(ext, 4);
  return name + L"2.exe";
}
