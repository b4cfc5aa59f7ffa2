#include "app/sequence_host.h"

#include <windows.h>
#include <shlobj.h>

#include "app/config_helper.h"
#include "app/tavora_installer_app.h"
#include "base/log_helper.h"
#include "base/message_box.h"
#include "net/update_helper.h"
#include "package/manifest_queries.h"
#include "ui/ins_about_window.h"
#include "ui/ins_complete_window.h"
#include "ui/ins_error_window.h"
#include "ui/ins_install_window.h"
#include "ui/uni_uninstall_window.h"
#include "ui/wait_window.h"

namespace {

// The configuration folder is a narrow path in the system code page.
std::string ConfigurationFolder() {
  char roaming[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, roaming);
  return std::string(roaming) + "\\Tavora\\TavoraStudent";
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

std::wstring CInstallerSequenceHost::ReleaseRefusal() { return g_updateHelper.m_releaseRefusal; }

void CInstallerSequenceHost::SendFailureReport(const std::wstring& lines) {
  CLogHelper::GetInstance()->LogW(L"install failed: %ls", lines.c_str());
  std::wstring reply;
  g_updateHelper.SendRequest(reply, ServiceRequestType::kUserInstallFailedReason, lines, false);
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

// Every window object lives on the heap and deletes itself when its window is gone.
int CInstallerSequenceHost::RunWaitWindow(const DownloadTaskList& tasks, int64_t totalBytes) {
  auto* window = new CWaitWindow(tasks, totalBytes,
                                 [this](const std::wstring& programPath) { return m_app.PrepareTempCopy(programPath); });
  return CWindowWndEx::RunModal(window, CWaitWindow::kWindowName, CWaitWindow::kExStyle);
}
int CInstallerSequenceHost::RunWelcomeWindow() {
  return CWindowWndEx::RunModal(new CInsAboutWindow, CInsAboutWindow::kWindowName);
}
int CInstallerSequenceHost::RunInstallWindow() {
  return CWindowWndEx::RunModal(new CInsInstallWindow(), L"InsInstallWindow");
}
int CInstallerSequenceHost::RunCompleteWindow() {
  return CWindowWndEx::RunModal(new CInsCompleteWindow, CInsCompleteWindow::kWindowName);
}
int CInstallerSequenceHost::RunErrorWindow() {
  return CWindowWndEx::RunModal(new CInsErrorWindow, CInsErrorWindow::kWindowName);
}
int CInstallerSequenceHost::RunUninstallWindow(const std::wstring& localBaseFolder) {
  return CWindowWndEx::RunModal(new CUniUninstallWindow(localBaseFolder), CUniUninstallWindow::kWindowName);
}
