#include "ui/install_window.h"

#include "base/run_mode.h"
#include "net/update_helper.h"
#include "ui/install_window_texts.h"
#include "ui/network_state.h"
#include "ui/network_watch.h"

namespace {

// Shared by every installer window of the run: the next opens where the last one closed.
POINT g_lastWindowPosition = {-1, -1};

}  // namespace

CInstallWindow::CInstallWindow() : m_connectivityCheck(IsNetworkConnected) {}

CInstallWindow::~CInstallWindow() { StopNetworkWatch(); }

POINT CInstallWindow::LastWindowPosition() { return g_lastWindowPosition; }
void CInstallWindow::ResetLastWindowPosition() { g_lastWindowPosition = {-1, -1}; }

LRESULT CInstallWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NETWORK_LOST) OnNetworkLost();
  return CWindowWndEx::HandleMessage(message, wParam, lParam);
}

LRESULT CInstallWindow::OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  const LRESULT result = CWindowWndEx::OnCreate(message, wParam, lParam, handled);
  m_shadow.Create(m_hWnd);
  // Nothing of the shadow lies outside the window until the shadow timer fires.
  m_shadow.SetSize(0);
  m_shadow.SetPosition(0, 0);
  return result;
}

void CInstallWindow::OnWindowInit() {
  SetIcon(kIconId);
  SetWindowTextW(m_hWnd, L"Qelvo安装小助手");
  if (g_lastWindowPosition.x != -1 || g_lastWindowPosition.y != -1) {
    SetWindowPos(m_hWnd, nullptr, g_lastWindowPosition.x, g_lastWindowPosition.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
  }
  if (CControlUI* caption = m_pm.FindControl(L"lblCaption")) {
    caption->SetText(InstallCaptionText(g_runMode, g_updateHelper.m_mainVersion));
  }
  if (CControlUI* version = m_pm.FindControl(L"btnvesion")) {
    version->SetText(VersionButtonText(g_updateHelper.m_mainVersion));
  }
  SetTimer(m_hWnd, kShadowTimerId, kShadowTimerMs, nullptr);
}

LRESULT CInstallWindow::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  if (wParam == kShadowTimerId) {
    KillTimer(m_hWnd, kShadowTimerId);
    m_shadow.SetSize(5);
    m_shadow.SetDarkness(50);
    return 0;
  }
  handled = FALSE;
  return 0;
}

LRESULT CInstallWindow::OnSize(UINT, WPARAM, LPARAM, BOOL& handled) {
  if (!IsIconic(m_hWnd)) ApplyRoundCorners();
  handled = FALSE;
  return 0;
}

LRESULT CInstallWindow::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
  RECT rc;
  if (GetWindowRect(m_hWnd, &rc)) g_lastWindowPosition = {rc.left, rc.top};
  StopNetworkWatch();
  handled = FALSE;
  return 0;
}

void CInstallWindow::OnFinalMessage(HWND) { delete this; }

void CInstallWindow::OnNetworkLost() { Close(kCloseFailed); }

void CInstallWindow::StartNetworkWatch() {
  if (m_networkWatcher) return;
  m_networkWatcher = std::make_shared<std::thread>(&CInstallWindow::NetworkWatchProc, this);
}

void CInstallWindow::NetworkWatchProc() {
  const HWND window = m_hWnd;
  WatchNetwork(m_stopNetworkWatch, m_connectivityCheck, [this, window] {
    std::lock_guard<std::mutex> lock(m_networkPostLock);
    if (m_stopNetworkWatch) return false;
    return ::PostMessageW(window, WM_NETWORK_LOST, 0, 0) != FALSE;
  });
}

void CInstallWindow::StopNetworkWatch() {
  {
    std::lock_guard<std::mutex> lock(m_networkPostLock);
    m_stopNetworkWatch = true;
  }
  if (m_networkWatcher && m_networkWatcher->joinable()) m_networkWatcher->join();
}
