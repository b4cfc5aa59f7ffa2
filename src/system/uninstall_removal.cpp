// Removal of everything an install left behind: shortcuts, folders and the uninstall entry.
#include <windows.h>
#include <shlwapi.h>

#include <cwctype>

#include "base/win_handles.h"
#include "package/aftermath_helper.h"
#include "package/work_folders.h"
#include "system/integration_names.h"

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void DeleteOneFile(const std::wstring& path, DWORD attributes) {
  if (DeleteFileW(path.c_str())) return;
  // A read-only file refuses deletion until the attribute is cleared.
  if ((attributes & FILE_ATTRIBUTE_READONLY) && GetLastError() == ERROR_ACCESS_DENIED &&
      SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
    DeleteFileW(path.c_str());
  }
}

// Deletes everything below the folder, going on past entries that cannot be deleted (files
// in use stay, with the folders that hold them). Links to other folders (junctions, symbolic
// links) are removed themselves, never followed: what they point to is not ours.
void RemoveContents(const std::wstring& folder) {
  WIN32_FIND_DATAW found = {};
  HANDLE rawSearch = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                      nullptr, 0);
  if (rawSearch == INVALID_HANDLE_VALUE) return;
  const UniqueFindHandle search(rawSearch);
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) RemoveContents(path);
      if (!RemoveDirectoryW(path.c_str()) && (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) &&
          SetFileAttributesW(path.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY)) {
        RemoveDirectoryW(path.c_str());
      }
    } else {
      DeleteOneFile(path, found.dwFileAttributes);
    }
  } while (FindNextFileW(search.get(), &found));
}

// Only full paths below a drive or share root are removed: a path that lost its base folder
// (a shell folder that could not be read) must not reach the current folder, the current
// drive's root or a whole drive.
bool IsRemovableFolder(const std::wstring& folder) {
  const bool onDrive = folder.size() >= 3 && iswalpha(folder[0]) && folder[1] == L':' &&
                       (folder[2] == L'\\' || folder[2] == L'/');
  const bool onShare = folder.size() >= 2 && folder[0] == L'\\' && folder[1] == L'\\';
  return (onDrive || onShare) && !PathIsRootW(folder.c_str()) && !PathIsUNCServerW(folder.c_str()) &&
         !PathIsUNCServerShareW(folder.c_str());
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

}  // namespace

void CAftermathHelper::RemoveShortcuts() {
  const std::wstring desktopShortcut = DesktopShortcutPath();
  if (!desktopShortcut.empty() && Exists(desktopShortcut)) DeleteFileW(desktopShortcut.c_str());

  const std::wstring startMenuFolder = StartMenuFolder();
  if (!startMenuFolder.empty() && Exists(startMenuFolder)) RemoveFolderTree(startMenuFolder);

  // Removes the maker's folder only when it is empty; another product's entries keep it.
  const std::wstring makerFolder = MakerStartMenuFolder();
  if (!makerFolder.empty()) RemoveDirectoryW(makerFolder.c_str());
}

void CAftermathHelper::RemoveFolderTree(const std::wstring& folder) {
  const std::wstring target = WithoutTrailingSeparators(folder);
  if (!IsRemovableFolder(target)) return;
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteOneFile(target, attributes);
    return;
  }
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) RemoveContents(target);
  // The folder itself goes last; one more try covers an entry that went only just now.
  if (!RemoveDirectoryW(target.c_str()) && Exists(target)) RemoveDirectoryW(target.c_str());
}

void CAftermathHelper::RemoveClientDataFolder() { RemoveFolderTree(ClientDataFolder()); }

void CAftermathHelper::DeleteUninstallEntry() { SHDeleteKeyW(HKEY_CURRENT_USER, kUninstallKey); }
