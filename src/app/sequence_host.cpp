#include "app/sequence_host.h"

#include <windows.h>
#include <shlobj.h>

#include "app/config_helper.h"
#include "app/message_box.h"
#include "app/tavora_installer_app.h"
#include "net/update_helper.h"
#include "package/manifest_queries.h"
#include "ui/ins_install_window.h"

namespace {

// The configuration folder is a narrow path in the system code page.
std::string ConfigurationFolder() {
  char roaming[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, roaming);
  return std::string(roaming) + "\\Tavora\\TavoraStudent";
}

// This build has no window toolkit yet: a window that cannot be built is reported like a
// layout that cannot be loaded, and the run ends.
int WindowUnavailable(const wchar_t* windowName) {
  ShowErrorBox(std::wstring(L"无法创建窗口 ") + windowName);
  return 0;
}

}  // namespace

void CInstallerSequenceHost::SetConfigDir() {
  CConfigHelper::GetInstance()->SetConfigDir(ConfigurationFolder());
}

bool CInstallerSequenceHost::IsUpdateDue() { return CConfigHelper::GetInstance()->IsUpdateDue(); }

void CInstallerSequenceHost::SyncServerTime() { g_updateHelper.SyncServerTime(); }

bool CInstallerSequenceHost::FetchUpdateList(const std::wstring& productName) {
  return g_updateHelper.FetchUpdateList(productName);
}

bool CInstallerSequenceHost::BuildModuleTaskList(DownloadTaskList& tasks, int64_t& totalBytes) {
  return ::BuildModuleTaskList(tasks, totalBytes);
}

bool CInstallerSequenceHost::CheckInstallerUpdate(DownloadTaskList& tasks, int64_t& totalBytes) {
  return ::CheckInstallerUpdate(tasks, totalBytes);
}

bool CInstallerSequenceHost::GetDiskFreeBytes(const std::wstring& driveRoot, uint64_t& freeBytes) {
  ULARGE_INTEGER callerQuota, total, totalFree;
  if (!GetDiskFreeSpaceExW(driveRoot.c_str(), &callerQuota, &total, &totalFree)) return false;
  freeBytes = totalFree.QuadPart;
  return true;
}

void CInstallerSequenceHost::ShowError(const std::wstring& text) { ShowErrorBox(text); }
std::wstring CInstallerSequenceHost::ModulePath() { return OwnModulePath(); }
void CInstallerSequenceHost::SetRelaunchPath(const std::wstring& path) { m_app.m_strRelaunchPath = path; }
bool CInstallerSequenceHost::PrepareTempCopy(const std::wstring& sourcePath) {
  return m_app.PrepareTempCopy(sourcePath);
}

int CInstallerSequenceHost::RunWaitWindow(const DownloadTaskList&, int64_t) {
  return WindowUnavailable(L"WaitWindow");
}
int CInstallerSequenceHost::RunWelcomeWindow() { return WindowUnavailable(L"InsAboutWindow"); }
int CInstallerSequenceHost::RunInstallWindow() {
  return CWindowWndEx::RunModal(new CInsInstallWindow(), L"InsInstallWindow");
}
int CInstallerSequenceHost::RunCompleteWindow() { return WindowUnavailable(L"InsCompleteWindow"); }
int CInstallerSequenceHost::RunErrorWindow() { return WindowUnavailable(L"InsErrorWindow"); }
int CInstallerSequenceHost::RunUninstallWindow(const std::wstring&) {
  return WindowUnavailable(L"UniUninstallWindow");
}
