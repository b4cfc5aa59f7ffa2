#include "app/tavora_installer_app.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "app/command_line.h"
#include "app/sequence_controller.h"
#include "app/sequence_host.h"
#include "base/file_system.h"
#include "base/log_helper.h"
#include "base/message_box.h"
#include "base/run_mode.h"
#include "package/install_journal.h"
#include "package/work_folders.h"

std::wstring OwnModulePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

CTavoraInstallerApp::CTavoraInstallerApp() { CoInitialize(nullptr); }

CTavoraInstallerApp::~CTavoraInstallerApp() {
  ExitAppInstance();
  CoUninitialize();
  m_strRelaunchPath.clear();
  m_strCmdLine.clear();
  delete m_host;
}

ISequenceHost& CTavoraInstallerApp::Host() {
  if (!m_host) m_host = new CInstallerSequenceHost(*this);
  return *m_host;
}

int CTavoraInstallerApp::RunAppInstance(const std::wstring& cmdLine) {
  OutputDebugStringW(L"Test CTavoraInstallerApp::RunAppInstance");
  m_strCmdLine = cmdLine;
  const std::wstring localBaseFolder = LocalBaseFolder();
  // Before the mode is chosen: a run cut off in the middle (killed, or the power failed) may
  // have left the client folder half old, half new, or a first install half made.
  CInstallJournal::RecoverUnfinished(InstallJournalPath());

  if (IsUninstallCommand(cmdLine)) {
    g_runMode = RunMode::Uninstall;
  } else {
    if (PathExists(InstalledClientPath())) g_runMode = RunMode::Update;
  }
  const bool tempCopy = IsTempCopyPath(OwnModulePath());

  CreateWorkFolder();
  RemoveEarlierWorkFolders();
  if (g_runMode == RunMode::Uninstall) {
    RunUninstallSequence(tempCopy, localBaseFolder);
  } else {
    RunInstallSequence(tempCopy, localBaseFolder);
  }
  RemoveWorkFolder();
  return 0;
}

void CTavoraInstallerApp::RunInstallSequence(bool tempCopy, const std::wstring& localBaseFolder) {
  ::RunInstallSequence(Host(), g_runMode, tempCopy, localBaseFolder);
}

void CTavoraInstallerApp::RunUninstallSequence(bool tempCopy, const std::wstring& localBaseFolder) {
  ::RunUninstallSequence(Host(), tempCopy, localBaseFolder);
}

int CTavoraInstallerApp::RunSelfUpdateCheck() { return ::RunSelfUpdateCheck(Host()); }

bool CTavoraInstallerApp::PrepareTempCopy(const std::wstring& sourcePath) {
  wchar_t tempFolder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, tempFolder);
  m_strRelaunchPath = tempFolder;
  const size_t slash = sourcePath.rfind(L'\\');
  const std::wstring name = slash == std::wstring::npos ? sourcePath : sourcePath.substr(slash + 1);
  m_strRelaunchPath += TempCopyFileName(name);

  if (PathFileExistsW(m_strRelaunchPath.c_str())) DeleteFileW(m_strRelaunchPath.c_str());
  if (CopyFileW(sourcePath.c_str(), m_strRelaunchPath.c_str(), FALSE)) return true;

  wchar_t text[128];
  swprintf(text, 128, L"拷贝文件出错,错误码%lu!", GetLastError());
  ShowErrorBox(text);
  return false;
}

int CTavoraInstallerApp::ExitAppInstance() {
  CGCAppBase::ExitAppInstance();
  if (m_strRelaunchPath.empty()) return 0;

  const size_t slash = m_strRelaunchPath.rfind(L'\\');
  if (slash != std::wstring::npos) SetCurrentDirectoryW(m_strRelaunchPath.substr(0, slash).c_str());

  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const bool vistaOrLater = GetVersionExW(&version) && version.dwMajorVersion > 5;
#pragma GCC diagnostic pop
  if (vistaOrLater) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = 0;
    info.hwnd = nullptr;
    info.lpVerb = nullptr;
    info.lpFile = m_strRelaunchPath.c_str();
    info.lpParameters = m_strCmdLine.c_str();
    info.lpDirectory = nullptr;
    info.nShow = SW_SHOW;
    if (ShellExecuteExW(&info)) return 0;
    DWORD error = GetLastError();
    // Some shells overwrite the thread's error while showing their own failure box; the
    // instance field still carries the SE_ERR code, whose "file not found" is also 2.
    if (error != ERROR_CANCELLED && error != ERROR_FILE_NOT_FOUND) {
      error = static_cast<DWORD>(reinterpret_cast<uintptr_t>(info.hInstApp));
    }
    if (error == ERROR_CANCELLED) CLogHelper::GetInstance()->LogW(L"提升权限被用户拒绝");
    if (error == ERROR_FILE_NOT_FOUND) CLogHelper::GetInstance()->LogW(L"所要执行的文件没有找到");
  }
  ShellExecuteW(nullptr, nullptr, m_strRelaunchPath.c_str(), m_strCmdLine.c_str(), L"", SW_SHOW);
  return 0;
}
