#include "system/journaled_registration.h"

#include "base/file_system.h"
#include "package/aftermath_helper.h"
#include "package/install_journal.h"
#include "system/integration_names.h"

bool RegisterInstallInJournal(CInstallJournal& journal, const std::wstring& installFolder,
                              const std::wstring& versionText) {
  const std::wstring startMenuFolder = StartMenuFolder();
  if (!startMenuFolder.empty() && !journal.CreateFolders(startMenuFolder)) return false;
  for (const std::wstring& link : {DesktopShortcutPath(), ProgramShortcutPath(), UninstallShortcutPath()}) {
    if (!link.empty() && !PathExists(link) && !journal.WillAdd(link)) return false;
  }
  if (!journal.WillCreateKey(kUninstallKey) || !journal.WillSetValue(kUninstallKey, L"DisplayVersion")) return false;
  g_aftermathHelper.CreateShortcuts(installFolder);
  g_aftermathHelper.WriteUninstallEntry(installFolder, versionText);
  return true;
}

bool UpdateVersionInJournal(CInstallJournal& journal, const std::wstring& versionText) {
  if (!journal.WillSetValue(kUninstallKey, L"DisplayVersion")) return false;
  g_aftermathHelper.UpdateUninstallVersion(versionText);
  return true;
}
