#include "package/work_folders.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <filesystem>

#include "base/client_names.h"
#include "base/log_helper.h"
#include "net/update_helper.h"

namespace fs = std::filesystem;

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

void CreateWorkFolder() {
  // The tick count only has to make the name unique per run; printed unsigned, so no "-".
  wchar_t name[64];
  swprintf(name, 64, L"\\TavoraInstaller%lu\\", static_cast<unsigned long>(GetTickCount()));
  g_updateHelper.m_workFolder = RoamingFolder() + name;
  try {
    const fs::path folder(g_updateHelper.m_workFolder);
    if (!fs::exists(folder)) fs::create_directories(folder);
  } catch (const fs::filesystem_error& error) {
    CLogHelper::GetInstance()->Log("boost::filesystem::create_directories error : %s", error.what());
  }
}

void RemoveWorkFolder() {
  try {
    const fs::path folder(g_updateHelper.m_workFolder);
    if (!g_updateHelper.m_workFolder.empty() && fs::exists(folder)) fs::remove_all(folder);
  } catch (const fs::filesystem_error& error) {
    CLogHelper::GetInstance()->Log("boost::filesystem::remove_all error : %s", error.what());
  }
}

void EnsureFolder(const std::wstring& path) {
  if (PathFileExistsW(path.c_str())) return;
  std::error_code error;
  fs::create_directories(fs::path(path), error);
}
