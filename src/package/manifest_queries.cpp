#include "package/manifest_queries.h"

#include <windows.h>
#include <shlwapi.h>

#include "base/log_helper.h"
#include "net/update_helper.h"
#include "package/file_version.h"
#include "package/work_folders.h"

namespace {

ManifestSource CurrentManifest() {
  return {g_updateHelper.m_response, g_updateHelper.m_downloadBaseUrl, g_updateHelper.m_workFolder,
          g_updateHelper.m_mirrorBaseUrls};
}

std::wstring OwnModulePath() {
  // Long enough for any path Windows hands back to this call.
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
  path.resize(length < path.size() ? length : 0);
  return path;
}

}  // namespace

PackageVersion CInstalledFiles::FileVersion(const std::wstring& path) { return GetFileVersion(path); }

bool CInstalledFiles::FileExists(const std::wstring& path) { return PathFileExistsW(path.c_str()) != FALSE; }

bool CheckInstallerUpdate(DownloadTaskList& tasks, int64_t& totalBytes) {
  return ReadInstallerUpdate(CurrentManifest(), GetFileVersion(OwnModulePath()), tasks, totalBytes);
}

bool GetFullPackageTask(DownloadTaskList& tasks, int64_t& totalBytes) {
  return ReadFullPackageTask(CurrentManifest(), tasks, totalBytes);
}

bool BuildModuleTaskList(DownloadTaskList& tasks, int64_t& totalBytes, std::wstring* refusals) {
  CInstalledFiles files;
  std::wstring refused;
  const bool listed = ReadModuleTaskList(CurrentManifest(), InstallFolder(), files, tasks, totalBytes, &refused);
  if (!refused.empty()) CLogHelper::GetInstance()->LogW(L"%ls", refused.c_str());
  if (refusals) *refusals += refused;
  return listed;
}
