#include "ui/window_wnd_ex.h"

#include <windowsx.h>

#include <cwchar>

bool IsClickableControlClass(const wchar_t* className) {
  static const wchar_t* const kClickable[] = {kButtonClass, kOptionClass};
  for (const wchar_t* clickable : kClickable) {
    if (std::wcscmp(className, clickable) == 0) return true;
  }
  return false;
}

CWindowWndEx::CWindowWndEx() = default;
CWindowWndEx::~CWindowWndEx() = default;

int CWindowWndEx::RunModal(CWindowWndEx* window, const wchar_t* name, DWORD exStyle) {
  if (!window) return 0;
  if (!window->Create(nullptr, name, kSkinnedWindowStyle, exStyle, 0, 0, 0, 0)) return 0;
  window->CenterWindow();
  return static_cast<int>(window->ShowModal());
}

void CWindowWndEx::Notify(TNotifyUI& msg) {
  const std::wstring name = msg.pSender ? msg.pSender->GetName() : std::wstring();
  if (msg.sType == L"windowinit") {
    OnWindowInit();
  } else if (msg.sType == L"click") {
    auto found = m_clickHandlers.find(name);
    if (found == m_clickHandlers.end()) return;
    // A copy: the handler may replace itself.
    const std::function<void()> handler = found->second;
    if (handler) handler();
  } else if (msg.sType == L"selectchanged") {
    OnSelectChanged(name);
  } else if (msg.sType == L"scroll") {
    OnScroll(msg.pSender);
  } else if (msg.sType == L"itemclick") {
    OnItemClick(name);
  } else if (msg.sType == L"itemselect") {
    OnItemSelect(msg.pSender);
  }
}

LRESULT CWindowWndEx::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  BOOL handled = TRUE;
  switch (message) {
    case WM_CREATE: result = OnCreate(message, wParam, lParam, handled); break;
    case WM_CLOSE: result = OnClose(message, wParam, lParam, handled); break;
    case WM_DESTROY: result = OnDestroy(message, wParam, lParam, handled); break;
    case WM_NCACTIVATE: result = OnNcActivate(message, wParam, lParam, handled); break;
    case WM_NCCALCSIZE: result = OnNcCalcSize(message, wParam, lParam, handled); break;
    case WM_NCPAINT: result = OnNcPaint(message, wParam, lParam, handled); break;
    case WM_NCHITTEST: result = OnNcHitTest(message, wParam, lParam, handled); break;
    case WM_GETMINMAXINFO: result = OnGetMinMaxInfo(message, wParam, lParam, handled); break;
    case WM_COMMAND: result = OnCommand(message, wParam, lParam, handled); break;
    case WM_SYSCOMMAND: result = OnSysCommand(message, wParam, lParam, handled); break;
    case WM_SYSKEYDOWN: result = OnSysKeyDown(message, wParam, lParam, handled); break;
    case WM_TIMER: result = OnTimer(message, wParam, lParam, handled); break;
    case WM_SIZE: result = OnSize(message, wParam, lParam, handled); break;
    case WM_MOVING: result = OnMoving(message, wParam, lParam, handled); break;
    case WM_MOVE: result = OnMove(message, wParam, lParam, handled); break;
    case WM_PAINT: result = OnPaint(message, wParam, lParam, handled); break;
    case WM_ERASEBKGND: result = OnEraseBkgnd(message, wParam, lParam, handled); break;
    case WM_KILLFOCUS: result = OnKillFocus(message, wParam, lParam, handled); break;
    case WM_SETFOCUS: result = OnSetFocus(message, wParam, lParam, handled); break;
    case WM_LBUTTONDOWN: result = OnLButtonDown(message, wParam, lParam, handled); break;
    case WM_MOUSEMOVE: result = OnMouseMove(message, wParam, lParam, handled); break;
    case WM_LBUTTONUP: result = OnLButtonUp(message, wParam, lParam, handled); break;
    case kPrivateMessage43C: result = OnPrivateMessage43C(message, wParam, lParam, handled); break;
    default: handled = FALSE; break;
  }
  if (handled) return result;

  // A double click on the caption band would maximise the window.
  if (message == WM_NCLBUTTONDBLCLK) return 0;

  if (m_pm.MessageHandler(message, wParam, lParam, result)) {
    if (message == WM_PAINT) OnAfterPaint();
    return result;
  }
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}

LRESULT CWindowWndEx::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
  // No caption and no maximise box: the skin draws the whole window.
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_STYLE));
  SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>((style & 0xFF3EFFFFu) | 0x06000000u));
  m_pm.Init(m_hWnd);
  return 0;
}

LRESULT CWindowWndEx::OnClose(UINT, WPARAM, LPARAM, BOOL& handled) {
  handled = FALSE;
  return 0;
}

LRESULT CWindowWndEx::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
  handled = FALSE;
  return 0;
}

LRESULT CWindowWndEx::OnNcActivate(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  if (IsIconic(m_hWnd)) handled = FALSE;
  return wParam == 0 ? TRUE : FALSE;
}

LRESULT CWindowWndEx::OnNcCalcSize(UINT, WPARAM, LPARAM, BOOL&) { return 0; }
LRESULT CWindowWndEx::OnNcPaint(UINT, WPARAM, LPARAM, BOOL&) { return 0; }

LRESULT CWindowWndEx::OnNcHitTest(UINT, WPARAM, LPARAM lParam, BOOL&) {
  return CaptionHitTest({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
}

LRESULT CWindowWndEx::CaptionHitTest(POINT screenPoint) {
  POINT pt = screenPoint;
  ScreenToClient(m_hWnd, &pt);
  RECT client;
  GetClientRect(m_hWnd, &client);
  const LayoutRect& caption = m_pm.GetCaptionRect();
  if (pt.x < client.left + caption.left || pt.x >= client.right - caption.right || pt.y < caption.top ||
      pt.y >= caption.bottom) {
    return HTCLIENT;
  }
  CControlUI* control = m_pm.FindControl(pt);
  if (!control) return HTCLIENT;
  return IsClickableControlClass(control->GetClass()) ? HTCLIENT : HTCAPTION;
}

LRESULT CWindowWndEx::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  // Maximised, the window covers the work area, not the taskbar.
  info->ptMaxPosition.x = monitor.rcWork.left - monitor.rcMonitor.left;
  info->ptMaxPosition.y = monitor.rcWork.top - monitor.rcMonitor.top;
  info->ptMaxSize.x = monitor.rcWork.right - monitor.rcMonitor.left;
  info->ptMaxSize.y = monitor.rcWork.bottom - monitor.rcMonitor.top;
  handled = FALSE;
  return 0;
}

LRESULT CWindowWndEx::OnCommand(UINT, WPARAM, LPARAM, BOOL& handled) {
  handled = FALSE;
  return 0;
}

LRESULT CWindowWndEx::OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, BOOL&) {
  return CallWindowProcW(m_OldWndProc, m_hWnd, message, wParam, lParam);
}

LRESULT CWindowWndEx::OnSysKeyDown(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  // Alt+F4 would close the window with no code; the windows close only by their own buttons.
  if (wParam != VK_F4) handled = FALSE;
  return 0;
}

LRESULT CWindowWndEx::OnTimer(UINT, WPARAM, LPARAM, BOOL& handled) {
  handled = FALSE;
  return 0;
}

LRESULT CWindowWndEx::OnSize(UINT, WPARAM, LPARAM, BOOL& handled) {
  const LayoutSize& corner = m_pm.GetRoundCorner();
  if (!IsIconic(m_hWnd) && (corner.cx != 0 || corner.cy != 0)) ApplyRoundCorners();
  handled = FALSE;
  return 0;
}

void CWindowWndEx::ApplyRoundCorners() {
  RECT window;
  GetWindowRect(m_hWnd, &window);
  const LayoutSize& corner = m_pm.GetRoundCorner();
  HRGN region = CreateRoundRectRgn(0, 0, window.right - window.left + 1, window.bottom - window.top + 1, corner.cx,
                                   corner.cy);
  // The window owns the region from here on.
  if (region && !SetWindowRgn(m_hWnd, region, TRUE)) DeleteObject(region);
}

LRESULT CWindowWndEx::OnMoving(UINT, WPARAM, LPARAM, BOOL& handled) {
  handled = FALSE;
  return 0;
}

LRESULT CWindowWndEx::OnMove(UINT, WPARAM, LPARAM, BOOL& handled) {
  handled = FALSE;
  return 0;
}

LRESULT CWindowWndEx::OnPaint(UINT, WPARAM, LPARAM, BOOL& handled) {
  handled = FALSE;
  return 0;
}

LRESULT CWindowWndEx::OnEraseBkgnd(UINT, WPARAM, LPARAM, BOOL& handled) {
  handled = FALSE;
  return 0;
}

LRESULT CWindowWndEx::OnKillFocus(UINT, WPARAM, LPARAM, BOOL& handled) {
  handled = FALSE;
  return 0;
}

LRESULT CWindowWndEx::OnLButtonDown(UINT, WPARAM, LPARAM, BOOL& handled) {
  handled = FALSE;
  return 0;
}

LRESULT CWindowWndEx::OnMouseMove(UINT, WPARAM, LPARAM, BOOL& handled) {
  handled = FALSE;
  return 0;
}

LRESULT CWindowWndEx::OnLButtonUp(UINT, WPARAM, LPARAM, BOOL& handled) {
  handled = FALSE;
  return 0;
}

LRESULT CWindowWndEx::OnPrivateMessage43C(UINT, WPARAM, LPARAM, BOOL&) { return 0; }

LRESULT CWindowWndEx::OnSetFocus(UINT, WPARAM, LPARAM, BOOL& handled) {
  handled = FALSE;
  return 0;
}

void CWindowWndEx::Invalidate() { InvalidateRect(m_hWnd, nullptr, FALSE); }

void CWindowWndEx::MoveTo(int x, int y, int width, int height) {
  SetWindowPos(m_hWnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWndEx::MoveTo(const RECT& rc) { MoveTo(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top); }

void CWindowWndEx::Show(bool show) { ::ShowWindow(m_hWnd, show ? SW_SHOW : SW_HIDE); }

void CWindowWndEx::Enable(bool enable) { EnableWindow(m_hWnd, enable ? TRUE : FALSE); }

void CWindowWndEx::BringToTop() { BringWindowToTop(m_hWnd); }

void CWindowWndEx::MakeTopmost(bool topmost) {
  SetWindowPos(m_hWnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool CWindowWndEx::BuildLayout(const wchar_t* layoutFile) {
  if (!m_pm.LoadLayout(layoutFile)) return false;
  m_pm.AddNotifier(this);
  return true;
}

void CWindowWndEx::SetClickHandler(const std::wstring& name, std::function<void()> handler) {
  m_clickHandlers[name] = std::move(handler);
}
