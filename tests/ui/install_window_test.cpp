#include "ui/install_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/run_mode.h"
#include "net/update_helper.h"
#include "toolkit/skin_test_window.h"

namespace {

const char kInstallLayout[] = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Window size="600,380" caption="0,0,0,40" roundcorner="2,2">
  <Font name="微软雅黑" size="12" bold="false" italic="false" />
  <VerticalLayout name="vlayout_wrap" width="600" height="380" bkcolor="#FFFFFFFF">
    <Label name="lblCaption" float="true" pos="7,2,0,0" width="200" height="23" font="0" textcolor="#00000000" />
    <Button name="btnvesion" float="true" pos="402,128,0,0" width="57" height="30" font="0" textcolor="#000E8AED" />
  </VerticalLayout>
</Window>
)";

constexpr UINT_PTR kProbeTimer = 900;

struct Seen {
  std::wstring title, caption, version;
  RECT windowAtInit = {}, shadowAtInit = {}, shadowLater = {};
  HWND shadow = nullptr;
  bool shadowLayered = false;
  DWORD initTick = 0, closeTick = 0;  // window init; the close request
  DWORD destroyTicks = 0;             // time spent in on-destroy
};

struct ShadowSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK MatchShadow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ShadowSearch*>(param);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (wcscmp(name, L"VerinShadowWnd") == 0 && (!search->owner || GetWindow(window, GW_OWNER) == search->owner)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The shadow window owned by owner (any shadow window when owner is null).
HWND FindShadowOf(HWND owner) {
  ShadowSearch search = {owner, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), MatchShadow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// An installer window that records what its window init set up and closes itself with a
// code after a delay.
class CProbeWindow : public CInstallWindow {
 public:
  CProbeWindow(Seen& seen, int closeAfterMs, UINT closeCode) : m_seen(seen), m_closeAfter(closeAfterMs), m_code(closeCode) {}
  std::function<void(CProbeWindow&)> atInit;
  using CInstallWindow::StartNetworkWatch;

 protected:
  LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override {
    CInstallWindow::OnCreate(message, wParam, lParam, handled);
    return BuildLayout(L"Install.xml") ? 0 : -1;
  }
  void OnWindowInit() override {
    CInstallWindow::OnWindowInit();
    m_seen.initTick = GetTickCount();
    wchar_t title[128] = {};
    GetWindowTextW(m_hWnd, title, 128);
    m_seen.title = title;
    m_seen.caption = m_pm.FindControl(L"lblCaption")->GetText();
    m_seen.version = m_pm.FindControl(L"btnvesion")->GetText();
    GetWindowRect(m_hWnd, &m_seen.windowAtInit);
    m_seen.shadow = FindShadowOf(m_hWnd);
    if (m_seen.shadow) {
      GetWindowRect(m_seen.shadow, &m_seen.shadowAtInit);
      const LONG_PTR exStyle = GetWindowLongPtrW(m_seen.shadow, GWL_EXSTYLE);
      m_seen.shadowLayered = (exStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT)) == (WS_EX_LAYERED | WS_EX_TRANSPARENT);
    }
    if (atInit) atInit(*this);
    if (m_closeAfter >= 0) SetTimer(m_hWnd, kProbeTimer, m_closeAfter, nullptr);
  }
  LRESULT OnTimer(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override {
    if (wParam != kProbeTimer) return CInstallWindow::OnTimer(message, wParam, lParam, handled);
    KillTimer(m_hWnd, kProbeTimer);
    if (m_seen.shadow) GetWindowRect(m_seen.shadow, &m_seen.shadowLater);
    Close(m_code);
    return 0;
  }
  LRESULT OnClose(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override {
    m_seen.closeTick = GetTickCount();
    return CInstallWindow::OnClose(message, wParam, lParam, handled);
  }
  LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override {
    const DWORD start = GetTickCount();
    const LRESULT result = CInstallWindow::OnDestroy(message, wParam, lParam, handled);
    m_seen.destroyTicks = GetTickCount() - start;
    return result;
  }

 private:
  Seen& m_seen;
  int m_closeAfter;
  UINT m_code;
};

class InstallWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    UseMemorySkin({{"Install.xml", kInstallLayout}});
    CWndShadow::Initialize(GetModuleHandleW(nullptr));
    CInstallWindow::ResetLastWindowPosition();
    g_runMode = RunMode::Install;
    g_updateHelper.m_mainVersion = L"1,2,0,5";
  }
  int Run(CProbeWindow* window) { return CWindowWndEx::RunModal(window, L"InsAboutWindow"); }
  Seen seen;
};

}  // namespace

TEST_F(InstallWindow, WindowInitSetsTitleCaptionAndVersion) {
  EXPECT_EQ(Run(new CProbeWindow(seen, 0, 1)), 1);
  EXPECT_EQ(seen.title, L"Qelvo安装小助手");
  EXPECT_EQ(seen.caption, L"Qelvo 学生端1.2.0.5");
  EXPECT_EQ(seen.version, L"V1.2");
}

TEST_F(InstallWindow, UninstallingShowsTheUninstallCaption) {
  g_runMode = RunMode::Uninstall;
  EXPECT_EQ(Run(new CProbeWindow(seen, 0, 2)), 2);
  EXPECT_EQ(seen.caption, L"卸载 学生端");
}

TEST_F(InstallWindow, NextWindowOpensWhereTheLastOneClosed) {
  Seen first;
  auto* window = new CProbeWindow(first, 50, 2);
  window->atInit = [](CProbeWindow& self) {
    SetWindowPos(self.GetHWND(), nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  ASSERT_EQ(Run(window), 2);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  EXPECT_EQ(first.windowAtInit.left, monitor.rcWork.left + (monitor.rcWork.right - monitor.rcWork.left - 600) / 2)
      << "the first window opens centred";
  const POINT last = CInstallWindow::LastWindowPosition();
  EXPECT_EQ(last.x, 100);
  EXPECT_EQ(last.y, 120);

  ASSERT_EQ(Run(new CProbeWindow(seen, 0, 2)), 2);
  EXPECT_EQ(seen.windowAtInit.left, 100);
  EXPECT_EQ(seen.windowAtInit.top, 120);
}

TEST_F(InstallWindow, ShadowAppearsAfterTimer111AndDiesWithTheWindow) {
  ASSERT_EQ(Run(new CProbeWindow(seen, 600, 2)), 2);
  ASSERT_NE(seen.shadow, nullptr) << "a shadow window owned by the installer window";
  EXPECT_TRUE(seen.shadowLayered);
  // At first size 0 and no offset: the shadow covers the window exactly.
  EXPECT_TRUE(EqualRect(&seen.shadowAtInit, &seen.windowAtInit));
  // After timer 111: 5 pixels around the window.
  RECT grown = seen.windowAtInit;
  InflateRect(&grown, 5, 5);
  EXPECT_TRUE(EqualRect(&seen.shadowLater, &grown))
      << seen.shadowLater.left << "," << seen.shadowLater.top << "," << seen.shadowLater.right << ","
      << seen.shadowLater.bottom;
  EXPECT_FALSE(IsWindow(seen.shadow));
  EXPECT_EQ(FindShadowOf(nullptr), nullptr);
}

TEST_F(InstallWindow, LostNetworkClosesTheWindowWithCode4) {
  auto* window = new CProbeWindow(seen, -1, 0);
  window->SetConnectivityCheck([] { return false; });
  window->atInit = [](CProbeWindow& self) { self.StartNetworkWatch(); };
  EXPECT_EQ(Run(window), 4);
  // Three checks 100 ms apart; the window is asked to close right after the third.
  const DWORD afterInit = seen.closeTick - seen.initTick;
  EXPECT_GE(afterInit, 180u);
  EXPECT_LE(afterInit, 700u);
}

TEST_F(InstallWindow, WindowClosedWhileOfflineEndsItsWatcherWithoutLoss) {
  auto* window = new CProbeWindow(seen, 120, 2);
  window->SetConnectivityCheck([] { return false; });
  window->atInit = [](CProbeWindow& self) { self.StartNetworkWatch(); };
  EXPECT_EQ(Run(window), 2) << "closed by its own code, not by the watcher";
  EXPECT_LT(seen.destroyTicks, 250u) << "on-destroy joins the watcher within one poll";
}

TEST_F(InstallWindow, RealConnectivityCheckKeepsTheWindowOpen) {
  // Wine reports a connection (loopback).
  auto* window = new CProbeWindow(seen, 600, 2);
  window->atInit = [](CProbeWindow& self) { self.StartNetworkWatch(); };
  EXPECT_EQ(Run(window), 2);
}
