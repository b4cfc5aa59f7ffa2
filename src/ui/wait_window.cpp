#include "ui/wait_window.h"

#include "base/text_helpers.h"
#include "net/download_impl.h"
#include "net/download_messages.h"
#include "net/update_helper.h"
#include "ui/install_window.h"

std::wstring ExpandedFilePath(const std::wstring& archivePath) {
  const std::wstring expanded = WithoutGzEnding(archivePath);
  return expanded.empty() ? archivePath : expanded;
}

std::wstring WaitWindowText(int percent) {
  return L"检测中, 请稍等...  " + std::to_wstring(percent) + L"%";
}

CWaitWindow::CWaitWindow(DownloadTaskList tasks, int64_t totalBytes, TempCopyStep prepareTempCopy)
    : m_tasks(std::move(tasks)), m_totalBytes(totalBytes), m_prepareTempCopy(std::move(prepareTempCopy)) {}

CWaitWindow::~CWaitWindow() { StopDownload(); }

LRESULT CWaitWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DOWNLOAD_PROGRESS:
      // The downloader reports a 32-bit byte count, whatever the width of WPARAM.
      OnDownloadProgress(static_cast<uint32_t>(wParam));
      return 0;
    case WM_DOWNLOAD_DONE:
      OnDownloadDone();
      return 0;
    case WM_DOWNLOAD_FAILED:
      OnDownloadFailed();
      return 0;
    default:
      return CWindowWndEx::HandleMessage(message, wParam, lParam);
  }
}

LRESULT CWaitWindow::OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  CWindowWndEx::OnCreate(message, wParam, lParam, handled);
  return BuildLayout(L"WaitWindow.xml") ? 0 : -1;
}

void CWaitWindow::OnWindowInit() {
  SetIcon(CInstallWindow::kIconId);
  m_downloader = std::make_shared<CDownloadImpl>(&m_tasks, m_hWnd);
  m_downloader->Start();
}

void CWaitWindow::OnDownloadProgress(uint32_t bytes) {
  if (!m_progress.Add(bytes, m_totalBytes)) return;
  if (CControlUI* text = m_pm.FindControl(L"lblText")) text->SetText(WaitWindowText(m_progress.ShownPercent()));
}

void CWaitWindow::OnDownloadDone() {
  const std::wstring programPath = m_tasks.empty() ? std::wstring() : ExpandedFilePath(m_tasks.front().archivePath);
  const bool prepared = m_prepareTempCopy && m_prepareTempCopy(programPath);
  Close(prepared ? kCloseCopyReady : kCloseCopyFailed);
}

void CWaitWindow::OnDownloadFailed() {
  const std::wstring failureLines = m_downloader ? m_downloader->JoinAndTakeFailureLines() : std::wstring();
  std::wstring reply;
  g_updateHelper.SendRequest(reply, ServiceRequestType::kUserInstallFailedReason, failureLines, false);
  Close(kCloseCopyFailed);
}

LRESULT CWaitWindow::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
  StopDownload();
  handled = FALSE;
  return 0;
}

void CWaitWindow::StopDownload() {
  if (m_downloader) m_downloader->StopAndJoin();
}

void CWaitWindow::OnFinalMessage(HWND) { delete this; }
