#include "ui/wait_window.h"

#include "net/download_impl.h"
#include "net/download_messages.h"
#include "net/update_helper.h"
#include "ui/install_window.h"

std::wstring ExpandedFilePath(const std::wstring& archivePath) {
  std::wstring path = archivePath;
  const size_t found = path.rfind(L".gz");
  if (found != std::wstring::npos) path.erase(found, 3);
  return path;
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
      OnDownloadProgress(wParam);
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

void CWaitWindow::OnDownloadProgress(WPARAM bytes) {
  m_receivedBytes += bytes;
  // Nothing to measure against: the text keeps its 0 %.
  if (m_totalBytes <= 0) return;
  const int64_t percent = static_cast<int64_t>(m_receivedBytes) * 100 / m_totalBytes;
  if (percent == m_lastPercent || percent > 100) return;
  m_lastPercent = static_cast<int>(percent);
  if (CControlUI* text = m_pm.FindControl(L"lblText")) text->SetText(WaitWindowText(m_lastPercent));
}

void CWaitWindow::OnDownloadDone() {
  const std::wstring programPath = m_tasks.empty() ? std::wstring() : ExpandedFilePath(m_tasks.front().archivePath);
  const bool prepared = m_prepareTempCopy && m_prepareTempCopy(programPath);
  Close(prepared ? 2 : 4);
}

void CWaitWindow::OnDownloadFailed() {
  // The failure message is the worker's last act: the join returns at once, and its failure
  // lines are then safe to read.
  std::wstring failureLines;
  if (m_downloader) {
    m_downloader->StopAndJoin();
    if (m_downloader->m_downloader) failureLines = m_downloader->m_downloader->m_errorText;
  }
  std::wstring reply;
  g_updateHelper.SendRequest(reply, ServiceRequestType::kUserInstallFailedReason, failureLines, false);
  Close(4);
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
