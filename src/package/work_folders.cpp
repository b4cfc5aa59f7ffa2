#include "package/work_folders.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>

#include "base/client_names.h"
#include "base/file_system.h"
#include "base/log_helper.h"
#include "base/win_handles.h"
#include "net/update_helper.h"

namespace {

std::wstring WithBackslash(std::wstring path) {
  if (path.empty() || path.back() != L'\\') path += L'\\';
  return path;
}

}  // namespace

std::wstring ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, path))) return std::wstring();
  return path;
}

std::wstring LocalBaseFolder() { return WithBackslash(ShellFolder(CSIDL_LOCAL_APPDATA)); }
std::wstring RoamingFolder() { return ShellFolder(CSIDL_APPDATA); }

std::wstring InstallFolder() { return LocalBaseFolder() + kInstallSubfolder; }
std::wstring FullPackageFolder() { return RoamingFolder() + L"\\TavoraInstaller\\"; }
std::wstring UnZipFolder() { return RoamingFolder() + L"\\TavoraInstaller\\UnZipFolder\\"; }
std::wstring ClientDataFolder() { return WithBackslash(RoamingFolder()) + L"Tavora\\TavoraStudent"; }
std::wstring InstalledClientPath() { return InstallFolder() + kClientExeName; }
std::wstring InstallJournalPath() { return LocalBaseFolder() + L"TavoraInstaller.journal"; }

void CreateWorkFolder() {
  // The tick count only has to make the name unique per run; printed unsigned, so no "-".
  wchar_t name[64];
  swprintf(name, 64, L"\\TavoraInstaller%lu\\", static_cast<unsigned long>(GetTickCount()));
  g_updateHelper.m_workFolder = RoamingFolder() + name;
  std::string failure;
  if (!PathExists(g_updateHelper.m_workFolder) && !CreateFolders(g_updateHelper.m_workFolder, &failure)) {
    CLogHelper::GetInstance()->Log("boost::filesystem::create_directories error : %s", failure.c_str());
  }
}

void RemoveWorkFolder() {
  std::string failure;
  if (!g_updateHelper.m_workFolder.empty() && !RemoveTree(g_updateHelper.m_workFolder, &failure)) {
    CLogHelper::GetInstance()->Log("boost::filesystem::remove_all error : %s", failure.c_str());
  }
}

void RemoveEarlierWorkFolders() {
  const std::wstring roaming = RoamingFolder();
  if (roaming.empty()) return;
  WIN32_FIND_DATAW found{};
  UniqueFindHandle search(FindFirstFileW((roaming + L"\\TavoraInstaller*").c_str(), &found));
  if (search.get() == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    const std::wstring digits = name.substr(wcslen(L"TavoraInstaller"));
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || digits.empty() ||
        digits.find_first_not_of(L"0123456789") != std::wstring::npos) {
      continue;
    }
    const std::wstring folder = roaming + L"\\" + name + L"\\";
    if (folder == g_updateHelper.m_workFolder) continue;
    std::string failure;
    if (!RemoveTree(folder, &failure)) CLogHelper::GetInstance()->Log("%s", failure.c_str());
  } while (FindNextFileW(search.get(), &found));
}

void EnsureFolder(const std::wstring& path) {
  if (PathFileExistsW(path.c_str())) return;
  CreateFolders(path);
}
