#include "toolkit/window_wnd.h"

#include <algorithm>

#include "toolkit/paint_manager.h"

namespace {

const wchar_t kWindowProperty[] = L"TavoraWindowObject";

// The object being created on this thread, until its window receives WM_NCCREATE.
thread_local CWindowWnd* t_creating = nullptr;

}  // namespace

CWindowWnd::CWindowWnd() : m_OldWndProc(::DefWindowProcW) {}

CWindowWnd::~CWindowWnd() = default;

bool CWindowWnd::RegisterWindowClass() {
  WNDCLASSW wc = {};
  wc.style = GetClassStyle();
  wc.lpfnWndProc = CWindowWnd::WindowProc;
  wc.hInstance = CPaintManagerUI::GetInstance();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;
  wc.lpszClassName = GetWindowClassName();
  if (RegisterClassW(&wc)) return true;
  return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CWindowWnd::RegisterSuperclass() {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(nullptr, GetSuperClassName(), &wc) &&
      !GetClassInfoExW(CPaintManagerUI::GetInstance(), GetSuperClassName(), &wc)) {
    return false;
  }
  m_OldWndProc = wc.lpfnWndProc;
  wc.lpfnWndProc = CWindowWnd::ControlProc;
  wc.hInstance = CPaintManagerUI::GetInstance();
  wc.lpszClassName = GetWindowClassName();
  if (RegisterClassExW(&wc)) return true;
  return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, int x, int y, int cx, int cy,
                        HMENU menu) {
  const bool registered = GetSuperClassName() ? RegisterSuperclass() : RegisterWindowClass();
  HWND window = nullptr;
  t_creating = this;
  if (registered) {
    window = CreateWindowExW(exStyle, GetWindowClassName(), name, style, x, y, cx, cy, parent, menu,
                             CPaintManagerUI::GetInstance(), this);
  }
  if (!window && t_creating == this) {
    // Never reached the window procedure: give the object its final message all the same.
    t_creating = nullptr;
    OnFinalMessage(nullptr);
    return nullptr;
  }
  t_creating = nullptr;
  return window;
}

HWND CWindowWnd::Subclass(HWND window) {
  if (!window || !IsWindow(window)) return nullptr;
  m_OldWndProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CWindowWnd::ControlProc)));
  if (!m_OldWndProc) {
    m_OldWndProc = ::DefWindowProcW;
    return nullptr;
  }
  SetPropW(window, kWindowProperty, this);
  m_bSubclassed = true;
  m_hWnd = window;
  return m_hWnd;
}

void CWindowWnd::Unsubclass() {
  if (!m_bSubclassed || !IsWindow(m_hWnd)) return;
  SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_OldWndProc));
  m_OldWndProc = ::DefWindowProcW;
  RemovePropW(m_hWnd, kWindowProperty);
  m_bSubclassed = false;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
  if (!IsWindow(m_hWnd)) return;
  ::ShowWindow(m_hWnd, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

void CWindowWnd::CenterWindow() {
  if (!IsWindow(m_hWnd)) return;
  RECT window;
  GetWindowRect(m_hWnd, &window);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  const int width = window.right - window.left, height = window.bottom - window.top;
  int x = work.left + ((work.right - work.left) - width) / 2;
  int y = work.top + ((work.bottom - work.top) - height) / 2;
  // Kept inside the work area; a window larger than it keeps its top-left corner visible.
  x = std::max<int>(work.left, std::min<int>(x, work.right - width));
  y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
  SetWindowPos(m_hWnd, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT resourceId) {
  const HINSTANCE instance = CPaintManagerUI::GetInstance();
  HICON big = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
  HICON small = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

LRESULT CWindowWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

UINT CWindowWnd::ShowModal() {
  // Everything the loop needs lives here: the object may delete itself inside it.
  const HWND window = m_hWnd;
  if (!IsWindow(window)) return 0;
  UINT result = 0;
  m_modalResult = &result;
  const HWND owner = GetWindow(window, GW_OWNER);
  if (owner) EnableWindow(owner, FALSE);
  MSG msg;
  bool quit = false;
  while (IsWindow(window)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      quit = got == 0;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (owner) {
    EnableWindow(owner, TRUE);
    SetFocus(owner);
  }
  if (quit) {
    // The quit belongs to an outer loop; this window ends with the run.
    if (IsWindow(window)) DestroyWindow(window);
    PostQuitMessage(static_cast<int>(msg.wParam));
  }
  return result;
}

void CWindowWnd::Close(UINT code) {
  if (IsWindow(m_hWnd)) ::PostMessageW(m_hWnd, WM_CLOSE, code, 0);
}

LRESULT CWindowWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(m_OldWndProc, m_hWnd, message, wParam, lParam);
}

LRESULT CWindowWnd::Dispatch(CWindowWnd* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE && self->m_modalResult) *self->m_modalResult = static_cast<UINT>(wParam);
  if (message != WM_NCDESTROY) return self->HandleMessage(message, wParam, lParam);

  const LRESULT result = self->HandleMessage(message, wParam, lParam);
  if (self->m_bSubclassed) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->m_OldWndProc));
    RemovePropW(window, kWindowProperty);
    self->m_bSubclassed = false;
  } else {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  }
  self->m_hWnd = nullptr;
  self->m_modalResult = nullptr;
  self->OnFinalMessage(window);
  return result;
}

LRESULT CALLBACK CWindowWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWindowWnd* self = nullptr;
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    self = static_cast<CWindowWnd*>(create->lpCreateParams);
    if (t_creating == self) t_creating = nullptr;
    self->m_hWnd = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<CWindowWnd*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  return Dispatch(self, window, message, wParam, lParam);
}

LRESULT CALLBACK CWindowWnd::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWindowWnd* self = static_cast<CWindowWnd*>(GetPropW(window, kWindowProperty));
  if (message == WM_NCCREATE && !self) {
    // A superclassed window is created through this procedure.
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    self = static_cast<CWindowWnd*>(create->lpCreateParams);
    if (self) {
      if (t_creating == self) t_creating = nullptr;
      SetPropW(window, kWindowProperty, self);
      self->m_hWnd = window;
      self->m_bSubclassed = true;
    }
  }
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  return Dispatch(self, window, message, wParam, lParam);
}
