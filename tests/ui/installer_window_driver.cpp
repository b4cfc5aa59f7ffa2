#include "installer_window_driver.h"

#include <memory>

#include "toolkit/skin_resources.h"
#include "toolkit/skin_source.h"
#include "toolkit/skin_test_window.h"
#include "ui/web_page.h"
#include "ui/wnd_shadow.h"

namespace {

HWND g_watchedWindow = nullptr;
HWND g_closeWatchedWindow = nullptr;
DWORD g_closeRequestTick = 0;

LRESULT CALLBACK WatchForClose(int code, WPARAM wParam, LPARAM lParam) {
  const auto* msg = reinterpret_cast<const MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_CLOSE && msg->hwnd == g_closeWatchedWindow &&
      g_closeRequestTick == 0) {
    g_closeRequestTick = GetTickCount();
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD g_destroyStartTick = 0;
int g_destroyHandlingMs = -1;

LRESULT CALLBACK WatchDestroyStart(int code, WPARAM wParam, LPARAM lParam) {
  const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && msg->message == WM_DESTROY && msg->hwnd == g_closeWatchedWindow) {
    g_destroyStartTick = GetTickCount();
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK WatchDestroyEnd(int code, WPARAM wParam, LPARAM lParam) {
  const auto* msg = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && msg->message == WM_DESTROY && msg->hwnd == g_closeWatchedWindow) {
    g_destroyHandlingMs = static_cast<int>(GetTickCount() - g_destroyStartTick);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK CloseWatchedWindow(HWND, UINT, UINT_PTR, DWORD) {
  if (IsWindow(g_watchedWindow)) ::PostMessageW(g_watchedWindow, WM_CLOSE, kStillOpen, 0);
}

void RecordAddress(const std::wstring& address) { RecordedBrowser::Addresses().push_back(address); }

}  // namespace

void UseSourceSkin() {
  CSkinResources::Get().SetSource(std::make_shared<CFolderSkinSource>(TAVORA_SKIN_FOLDER));
  CWndShadow::Initialize(GetModuleHandleW(nullptr));
}

InstallerWindowDriver::~InstallerWindowDriver() {
  if (IsWindow(m_hwnd)) DestroyWindow(m_hwnd);
  for (HHOOK hook : {m_closeWatch, m_destroyStartWatch, m_destroyEndWatch}) {
    if (hook) UnhookWindowsHookEx(hook);
  }
  g_closeWatchedWindow = nullptr;
}

DWORD InstallerWindowDriver::CloseRequestTick() const { return g_closeRequestTick; }
int InstallerWindowDriver::DestroyHandlingMs() const { return g_destroyHandlingMs; }

bool InstallerWindowDriver::Open(CWindowWndEx* window, const wchar_t* name, DWORD exStyle) {
  m_window = window;
  m_hwnd = window->Create(nullptr, name, kSkinnedWindowStyle, exStyle, 0, 0, 0, 0);
  if (!m_hwnd) {
    m_window = nullptr;
    return false;
  }
  g_closeWatchedWindow = m_hwnd;
  g_closeRequestTick = 0;
  g_destroyHandlingMs = -1;
  const DWORD thread = GetCurrentThreadId();
  if (!m_closeWatch) m_closeWatch = SetWindowsHookExW(WH_GETMESSAGE, WatchForClose, nullptr, thread);
  if (!m_destroyStartWatch) m_destroyStartWatch = SetWindowsHookExW(WH_CALLWNDPROC, WatchDestroyStart, nullptr, thread);
  if (!m_destroyEndWatch) m_destroyEndWatch = SetWindowsHookExW(WH_CALLWNDPROCRET, WatchDestroyEnd, nullptr, thread);
  window->CenterWindow();
  // The first paint sends "windowinit".
  UpdateWindow(m_hwnd);
  return true;
}

CControlUI* InstallerWindowDriver::Find(const std::wstring& name) {
  if (!IsOpen()) return nullptr;
  return m_window->GetPaintManager().FindControl(name);
}

POINT InstallerWindowDriver::CentreOf(const std::wstring& name) {
  CControlUI* control = Find(name);
  if (!control) return {-1, -1};
  const RECT& rc = control->GetPos();
  return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

bool InstallerWindowDriver::IsShown(const std::wstring& name) {
  CControlUI* control = Find(name);
  return control && control->IsShown();
}

std::wstring InstallerWindowDriver::TextOf(const std::wstring& name) {
  CControlUI* control = Find(name);
  return control ? control->GetText() : L"<absent>";
}

void InstallerWindowDriver::Click(const std::wstring& name) {
  const POINT centre = CentreOf(name);
  PostMouse(m_hwnd, WM_LBUTTONDOWN, centre);
  PostMouse(m_hwnd, WM_LBUTTONUP, centre);
}

bool InstallerWindowDriver::PumpUntil(const std::function<bool()>& done, int timeoutMs,
                                      const std::function<void()>& after) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (static_cast<int>(GetTickCount() - start) > timeoutMs) return false;
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      if (after) after();
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      // Messages sent from other threads are handled inside PeekMessageW.
      if (after) after();
    }
  }
  return true;
}

int InstallerWindowDriver::RunModal(int timeoutMs) {
  if (!IsOpen()) return 0;
  g_watchedWindow = m_hwnd;
  const UINT_PTR watchdog = SetTimer(nullptr, 0, static_cast<UINT>(timeoutMs), CloseWatchedWindow);
  CWindowWndEx* window = m_window;
  m_window = nullptr;
  const int code = static_cast<int>(window->ShowModal());
  KillTimer(nullptr, watchdog);
  g_watchedWindow = nullptr;
  return code;
}

RecordedBrowser::RecordedBrowser() : m_previous(SetBrowserLauncher(RecordAddress)) { Addresses().clear(); }
RecordedBrowser::~RecordedBrowser() { SetBrowserLauncher(m_previous); }

std::vector<std::wstring>& RecordedBrowser::Addresses() {
  static std::vector<std::wstring> addresses;
  return addresses;
}
