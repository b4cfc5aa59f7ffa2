#include "ui/ins_complete_window.h"

#include "base/run_mode.h"

LRESULT CInsCompleteWindow::OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  CInstallWindow::OnCreate(message, wParam, lParam, handled);
  return BuildLayout(L"InsCompleteWindow.xml") ? 0 : -1;
}

void CInsCompleteWindow::OnWindowInit() {
  CInstallWindow::OnWindowInit();
  if (g_runMode == RunMode::Update) {
    if (CControlUI* status = m_pm.FindControl(L"lblStatus")) status->SetText(L"恭喜你, 更新成功 !");
  }
  SetClickHandler(L"btnExperience", [this] { Close(kCloseProceed); });
  m_autoCloseTimerId = kAutoCloseTimerId;
  SetTimer(m_hWnd, static_cast<UINT_PTR>(m_autoCloseTimerId), kAutoCloseMs, nullptr);
}

LRESULT CInsCompleteWindow::OnTimer(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  if (m_autoCloseTimerId >= 0 && wParam == static_cast<WPARAM>(m_autoCloseTimerId)) {
    KillTimer(m_hWnd, wParam);
    m_autoCloseTimerId = -1;
    Close(kCloseProceed);
    return 0;
  }
  return CInstallWindow::OnTimer(message, wParam, lParam, handled);
}

LRESULT CInsCompleteWindow::OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  if (m_autoCloseTimerId >= 1) {
    KillTimer(m_hWnd, static_cast<UINT_PTR>(m_autoCloseTimerId));
    m_autoCloseTimerId = -1;
  }
  return CInstallWindow::OnDestroy(message, wParam, lParam, handled);
}
