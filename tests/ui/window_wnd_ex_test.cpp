#include "ui/window_wnd_ex.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/message_box.h"
#include "toolkit/skin_test_window.h"

namespace {

class WindowBase : public ::testing::Test {
 protected:
  void SetUp() override {
    UseMemorySkin({{"Test.xml", kTestLayout}});
    ASSERT_TRUE(window.Open());
    hwnd = window.GetHWND();
    UpdateWindow(hwnd);
    ASSERT_TRUE(PumpUntil([&] { return window.Count(L"windowinit") == 1; }, 2000));
  }
  void TearDown() override {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }

  CSkinTestWindow window;
  HWND hwnd = nullptr;
};

// Closes itself with a code at window init.
class CClosingWindow : public CSkinTestWindow {
 public:
  explicit CClosingWindow(UINT code) : m_code(code) {}
  void OnWindowInit() override { Close(m_code); }

 private:
  UINT m_code;
};

std::vector<std::wstring> g_boxes;
void RecordBox(const std::wstring& text, const std::wstring& caption) { g_boxes.push_back(caption + L"|" + text); }

}  // namespace

TEST_F(WindowBase, ClassIsUIMainFrameWithDoubleClicksArrowCursorAndNoBrush) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  EXPECT_STREQ(name, L"UIMainFrame");
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"UIMainFrame", &wc));
  EXPECT_EQ(wc.style, static_cast<UINT>(CS_DBLCLKS));
  EXPECT_EQ(wc.hbrBackground, nullptr);
  EXPECT_EQ(wc.hCursor, LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(WindowBase, CreationDropsCaptionAndMaximiseBox) {
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
  EXPECT_EQ(style & WS_CAPTION, 0u);
  EXPECT_EQ(style & WS_MAXIMIZEBOX, 0u);
  EXPECT_EQ(style & (WS_CLIPSIBLINGS | WS_CLIPCHILDREN), static_cast<DWORD>(WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
  EXPECT_NE(style & WS_VISIBLE, 0u);
}

TEST_F(WindowBase, WindowHasTheLayoutSizeCentredOnTheWorkArea) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.right - rc.left, 400);
  EXPECT_EQ(rc.bottom - rc.top, 300);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  EXPECT_EQ(rc.left, work.left + (work.right - work.left - 400) / 2);
  EXPECT_EQ(rc.top, work.top + (work.bottom - work.top - 300) / 2);
}

TEST_F(WindowBase, CentringKeepsAWindowLargerThanTheWorkAreaAtItsCorner) {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  SetWindowPos(hwnd, nullptr, 0, 0, work.right - work.left + 200, 100, SWP_NOMOVE | SWP_NOZORDER);
  window.CenterWindow();
  RECT rc;
  GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.left, work.left);
  EXPECT_EQ(rc.top, work.top + (work.bottom - work.top - 100) / 2);
}

TEST_F(WindowBase, DraggingWorksOnLabelsAndBackgroundInsideTheCaptionBand) {
  EXPECT_EQ(window.HitTest(window.CentreOf(L"lblCaption")), HTCAPTION);
  EXPECT_EQ(window.HitTest({150, 30}), HTCAPTION) << "background";
  EXPECT_EQ(window.HitTest({0, 0}), HTCAPTION);
  EXPECT_EQ(window.HitTest({399, 39}), HTCAPTION) << "the band reaches the right edge";
  EXPECT_EQ(window.HitTest({399, 5}), HTCLIENT) << "btnClose";
  EXPECT_EQ(window.HitTest({360, 39}), HTCAPTION);
}

TEST_F(WindowBase, ButtonsAndTickBoxesInTheCaptionBandStayClickable) {
  EXPECT_EQ(window.HitTest(window.CentreOf(L"btnClose")), HTCLIENT);
  EXPECT_EQ(window.HitTest(window.CentreOf(L"chkTop")), HTCLIENT);
}

TEST_F(WindowBase, BelowTheCaptionBandNothingDrags) {
  EXPECT_EQ(window.HitTest({150, 40}), HTCLIENT);
  EXPECT_EQ(window.HitTest(window.CentreOf(L"lblBody")), HTCLIENT);
  EXPECT_EQ(window.HitTest(window.CentreOf(L"btnA")), HTCLIENT);
}

TEST_F(WindowBase, RoundCornersBecomeTheWindowRegion) {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(hwnd, region), ERROR);
  RECT box;
  GetRgnBox(region, &box);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_GE(box.right, 399);
  EXPECT_GE(box.bottom, 299);
  EXPECT_TRUE(PtInRegion(region, 200, 150));
  DeleteObject(region);
}

TEST_F(WindowBase, AltF4IsIgnored) {
  // The same key closes an ordinary window (the check of this test's own method).
  HWND plain = CreateWindowExW(0, L"STATIC", L"plain", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(plain);
  const LPARAM altDown = 1 | (0x3E << 16) | (1 << 29);
  DefWindowProcW(plain, WM_SYSKEYDOWN, VK_F4, altDown);
  PumpUntil([&] { return !IsWindow(plain); }, 1000);
  const bool plainClosed = !IsWindow(plain);
  if (IsWindow(plain)) DestroyWindow(plain);
  ASSERT_TRUE(plainClosed);

  ::PostMessageW(hwnd, WM_SYSKEYDOWN, VK_F4, altDown);
  PumpFor(300);
  EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(WindowBase, DoubleClickOnTheCaptionDoesNotMaximise) {
  // Even with the maximise box back, which would let the system maximise the window.
  SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) | WS_MAXIMIZEBOX);
  POINT screen = {150, 20};
  ClientToScreen(hwnd, &screen);
  EXPECT_EQ(::SendMessageW(hwnd, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(screen.x, screen.y)), 0);
  PumpFor(200);
  EXPECT_FALSE(IsZoomed(hwnd));
}

TEST_F(WindowBase, PrivateMessage43CIsAnsweredWithZero) {
  EXPECT_EQ(::SendMessageW(hwnd, 0x43C, 1, 2), 0);
}

TEST_F(WindowBase, MaximisedWindowCoversTheWorkArea) {
  MINMAXINFO info = {};
  ::SendMessageW(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
  EXPECT_EQ(info.ptMaxPosition.x, monitor.rcWork.left - monitor.rcMonitor.left);
  EXPECT_EQ(info.ptMaxPosition.y, monitor.rcWork.top - monitor.rcMonitor.top);
  EXPECT_EQ(info.ptMaxSize.x, monitor.rcWork.right - monitor.rcMonitor.left);
  EXPECT_EQ(info.ptMaxSize.y, monitor.rcWork.bottom - monitor.rcMonitor.top);
}

TEST_F(WindowBase, ClicksGoToTheHandlerRegisteredForTheControlName) {
  std::vector<std::wstring> calls;
  window.SetClickHandler(L"btnA", [&] { calls.push_back(L"A"); });
  window.SetClickHandler(L"btnb", [&] { calls.push_back(L"b"); });
  PostMouse(hwnd, WM_LBUTTONDOWN, window.CentreOf(L"btnA"));
  PostMouse(hwnd, WM_LBUTTONUP, window.CentreOf(L"btnA"));
  PostMouse(hwnd, WM_LBUTTONDOWN, window.CentreOf(L"btnB"));
  PostMouse(hwnd, WM_LBUTTONUP, window.CentreOf(L"btnB"));
  PumpFor(150);
  EXPECT_EQ(calls, std::vector<std::wstring>{L"A"}) << "names compare exactly";
}

TEST(WindowBaseModal, ModalRunReturnsTheCodeOfCloseWithCode) {
  UseMemorySkin({{"Test.xml", kTestLayout}});
  CClosingWindow window(7);
  EXPECT_EQ(CWindowWndEx::RunModal(&window, L"SkinTest"), 7);
  EXPECT_FALSE(IsWindow(window.GetHWND()));
}

TEST(WindowBaseModal, ModalRunReturnsTheCodeOfASentClose) {
  UseMemorySkin({{"Test.xml", kTestLayout}});
  CSkinTestWindow window;
  window.onWindowInit = [&] { ::SendMessageW(window.GetHWND(), WM_CLOSE, 2, 0); };
  EXPECT_EQ(CWindowWndEx::RunModal(&window, L"SkinTest"), 2);
}

TEST(WindowBaseSkin, MissingSkinIsReportedOnceAndNoWindowIsShown) {
  g_boxes.clear();
  const ErrorBoxSink previous = SetErrorBoxSink(RecordBox);
  CPaintManagerUI::SetResourceZip(nullptr, 0);
  CSkinTestWindow first(L"InsAboutWindow.xml"), second(L"InsInstallWindow.xml");
  EXPECT_EQ(CWindowWndEx::RunModal(&first, L"InsAboutWindow"), 0);
  EXPECT_EQ(CWindowWndEx::RunModal(&second, L"InsInstallWindow"), 0);
  SetErrorBoxSink(previous);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], L"错误 - TavoraInstaller|界面资源缺失, 无法显示窗口 !");
  EXPECT_FALSE(IsWindow(first.GetHWND()));
}

TEST(WindowBaseSkin, UnreadableSkinIsReported) {
  g_boxes.clear();
  const ErrorBoxSink previous = SetErrorBoxSink(RecordBox);
  static const char garbage[] = "PK\x03\x04 but nothing of a zip archive after it";
  CPaintManagerUI::SetResourceZip(garbage, sizeof garbage);
  CSkinTestWindow window(L"InsAboutWindow.xml");
  EXPECT_EQ(CWindowWndEx::RunModal(&window, L"InsAboutWindow"), 0);
  SetErrorBoxSink(previous);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], L"错误 - TavoraInstaller|界面资源已损坏, 无法显示窗口 !");
}

TEST(WindowBaseSkin, LayoutThatDoesNotParseIsReportedByName) {
  g_boxes.clear();
  const ErrorBoxSink previous = SetErrorBoxSink(RecordBox);
  UseMemorySkin({{"WaitWindow.xml", "<Window size=\"300,190\"><VerticalLayout>"}});
  CSkinTestWindow window(L"WaitWindow.xml");
  EXPECT_EQ(CWindowWndEx::RunModal(&window, L"WaitWindow"), 0);
  CSkinTestWindow absent(L"InsErrorWindow.xml");
  EXPECT_EQ(CWindowWndEx::RunModal(&absent, L"InsErrorWindow"), 0);
  SetErrorBoxSink(previous);
  ASSERT_EQ(g_boxes.size(), 1u) << "one box per run";
  EXPECT_EQ(g_boxes[0], L"错误 - TavoraInstaller|布局文件 WaitWindow.xml 无法解析, 无法显示窗口 !");
}

TEST(WindowBaseSkin, LayoutMissingFromTheSkinIsReportedByName) {
  g_boxes.clear();
  const ErrorBoxSink previous = SetErrorBoxSink(RecordBox);
  UseMemorySkin({{"Test.xml", kTestLayout}});
  CSkinTestWindow window(L"InsErrorWindow.xml");
  EXPECT_EQ(CWindowWndEx::RunModal(&window, L"InsErrorWindow"), 0);
  SetErrorBoxSink(previous);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], L"错误 - TavoraInstaller|界面资源中缺少布局文件 InsErrorWindow.xml, 无法显示窗口 !");
}
