// Desktop and Start-menu shortcuts of the installed client.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "base/file_system.h"
#include "package/aftermath_helper.h"
#include "system/integration_names.h"

using Microsoft::WRL::ComPtr;

namespace {

// The target's folder: everything before its last run of "\" or "/" separators. A target
// directly in a drive's root keeps the root's "\" ("C:\" rather than "C:", which would mean
// the drive's current folder).
std::wstring WorkingFolderOf(const std::wstring& target) {
  size_t end = target.find_last_of(L"\\/");
  if (end == std::wstring::npos) return std::wstring();
  while (end > 0 && (target[end - 1] == L'\\' || target[end - 1] == L'/')) --end;
  std::wstring folder = target.substr(0, end);
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  return folder;
}

}  // namespace

void CAftermathHelper::CreateShortcuts(const std::wstring& installFolder) {
  const std::wstring folder = WithTrailingBackslash(installFolder);
  const std::wstring target = folder + kClientExeName;
  const std::wstring uninstaller = folder + kUninstallerExeName;

  const std::wstring startMenuFolder = StartMenuFolder();
  if (!startMenuFolder.empty()) {
    if (!PathExists(startMenuFolder)) CreateFolders(startMenuFolder);
  }

  // Each shortcut stands alone: one that cannot be written is simply missing afterwards.
  const std::wstring desktopShortcut = DesktopShortcutPath();
  if (!desktopShortcut.empty()) CreateShortcut(desktopShortcut, target, nullptr, kProductDisplayName);
  if (!startMenuFolder.empty()) {
    CreateShortcut(ProgramShortcutPath(), target, nullptr, nullptr);
    CreateShortcut(UninstallShortcutPath(), uninstaller, kUninstallCommandWord, nullptr);
  }
}

HRESULT CAftermathHelper::CreateShortcut(const std::wstring& linkPath, const std::wstring& targetPath,
                                         const wchar_t* arguments, const wchar_t* description) {
  ComPtr<IShellLinkW> link;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_ALL, IID_IShellLinkW,
                                    reinterpret_cast<void**>(link.GetAddressOf()));
  if (FAILED(result)) return result;

  link->SetPath(targetPath.c_str());
  link->SetWorkingDirectory(WorkingFolderOf(targetPath).c_str());
  if (arguments) link->SetArguments(arguments);
  if (description) link->SetDescription(description);
  link->SetIconLocation(targetPath.c_str(), 0);

  ComPtr<IPersistFile> file;
  result = link.As(&file);
  // Saving over an existing shortcut replaces it.
  if (SUCCEEDED(result)) result = file->Save(linkPath.c_str(), FALSE);
  return result;
}
