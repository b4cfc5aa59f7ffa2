#include "system/integration_names.h"

#include <windows.h>
#include <shlobj.h>

#include "build_settings.h"
#include "package/work_folders.h"

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return std::wstring();
  return WithTrailingBackslash(folder) + name;
}

std::wstring WithTrailingBackslash(std::wstring path) {
  if (path.empty() || (path.back() != L'\\' && path.back() != L'/')) path += L'\\';
  return path;
}

std::wstring DesktopShortcutPath() {
  return JoinPath(ShellFolder(CSIDL_DESKTOPDIRECTORY), std::wstring(kProductDisplayName) + L".lnk");
}

std::wstring MakerStartMenuFolder() { return JoinPath(ShellFolder(CSIDL_PROGRAMS), kMakerDisplayName); }

std::wstring StartMenuFolder() { return JoinPath(MakerStartMenuFolder(), kProductDisplayName); }

std::wstring ProgramShortcutPath() {
  return JoinPath(StartMenuFolder(), std::wstring(kProductDisplayName) + L".lnk");
}

std::wstring UninstallShortcutPath() {
  return JoinPath(StartMenuFolder(), std::wstring(L"卸载") + kProductDisplayName + L".lnk");
}

std::wstring MakerWebAddress() {
  // The host setting is plain ASCII (checked when the build is configured).
  const std::string host = settings::kWebHost;
  return L"http://" + std::wstring(host.begin(), host.end()) + L"/";
}
