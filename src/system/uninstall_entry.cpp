// The client's entry in the current user's list of installed programs.
#include <windows.h>

#include "package/aftermath_helper.h"
#include "system/integration_names.h"

void CAftermathHelper::WriteUninstallEntry(const std::wstring& installFolder, const std::wstring& versionText) {
  const std::wstring folder = WithTrailingBackslash(installFolder);
  WriteRegistryString(kUninstallKey, L"DisplayIcon", folder + kClientExeName);
  WriteRegistryString(kUninstallKey, L"DisplayName", kProductDisplayName);
  WriteRegistryString(kUninstallKey, L"DisplayVersion", versionText);
  WriteRegistryString(kUninstallKey, L"Publisher", kMakerDisplayName);
  // The path is left unquoted; Windows finds the program in a folder with blanks by trying
  // the text up to each blank in turn.
  WriteRegistryString(kUninstallKey, L"UninstallString",
                      folder + kUninstallerExeName + L" " + kUninstallCommandWord);
  WriteRegistryString(kUninstallKey, L"URLInfoAbout", MakerWebAddress());
}

void CAftermathHelper::UpdateUninstallVersion(const std::wstring& versionText) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegCloseKey(key);
  WriteRegistryString(kUninstallKey, L"DisplayVersion", versionText);
}

LONG CAftermathHelper::WriteRegistryString(const std::wstring& subKey, const std::wstring& valueName,
                                           const std::wstring& text) {
  HKEY key = nullptr;
  const LONG created = RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                       &key, nullptr);
  if (created != ERROR_SUCCESS) return created;
  // The whole text and its terminator, however long: a cut text would be stored without one.
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  const LONG written = RegSetValueExW(key, valueName.c_str(), 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(text.c_str()), bytes);
  const LONG closed = RegCloseKey(key);
  return written != ERROR_SUCCESS ? written : closed;
}
