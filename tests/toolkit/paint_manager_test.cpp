#include "toolkit/paint_manager.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "toolkit/option_ui.h"
#include "toolkit/skin_test_window.h"

namespace {

bool SameRect(const RECT& rc, int left, int top, int right, int bottom) {
  return rc.left == left && rc.top == top && rc.right == right && rc.bottom == bottom;
}

class PaintManager : public ::testing::Test {
 protected:
  void SetUp() override {
    UseMemorySkin({{"Test.xml", kTestLayout}});
    ASSERT_TRUE(window.Open());
    hwnd = window.GetHWND();
  }
  void TearDown() override {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
  // Paints once so that the window is initialised.
  void Initialise() {
    UpdateWindow(hwnd);
    ASSERT_TRUE(PumpUntil([&] { return window.Count(L"windowinit") == 1; }, 2000));
    window.events.clear();
  }
  void Press(const std::wstring& control) { PostMouse(hwnd, WM_LBUTTONDOWN, window.CentreOf(control)); }
  void Release(const std::wstring& control) { PostMouse(hwnd, WM_LBUTTONUP, window.CentreOf(control)); }

  CSkinTestWindow window;
  HWND hwnd = nullptr;
};

}  // namespace

TEST_F(PaintManager, WindowInitComesOnceAtTheFirstPaintAfterLayout) {
  EXPECT_EQ(window.Count(L"windowinit"), 0) << "nothing before the window is painted";
  ASSERT_TRUE(PumpUntil([&] { return window.Count(L"windowinit") == 1; }, 2000));
  ASSERT_FALSE(window.events.empty());
  EXPECT_EQ(window.events.front().type, L"windowinit");
  EXPECT_TRUE(window.events.front().laidOut) << "the controls had their places";
  EXPECT_EQ(window.events.front().sender, L"root");

  // More paints and a new size bring no second one.
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
  SetWindowPos(hwnd, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
  UpdateWindow(hwnd);
  PumpFor(200);
  EXPECT_EQ(window.Count(L"windowinit"), 1);
}

TEST_F(PaintManager, ControlsArePlacedRelativeToTheirContainer) {
  Initialise();
  const RECT& button = window.Find(L"btnA")->GetPos();
  EXPECT_EQ(button.left, 50);
  EXPECT_EQ(button.top, 100);
  EXPECT_EQ(button.right, 150);
  EXPECT_EQ(button.bottom, 140);
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(client.bottom, 300);
}

TEST_F(PaintManager, ClickComesOnReleaseOverTheSameControl) {
  Initialise();
  Press(L"btnA");
  PumpFor(100);
  EXPECT_EQ(window.Count(L"click"), 0) << "pressing alone is no click";
  EXPECT_TRUE(window.Find(L"btnA")->IsPushed());
  EXPECT_EQ(GetCapture(), hwnd) << "the window holds the mouse while the button is down";
  Release(L"btnA");
  PumpFor(100);
  ASSERT_EQ(window.Count(L"click"), 1);
  EXPECT_EQ(window.events.back().sender, L"btnA");
  EXPECT_FALSE(window.Find(L"btnA")->IsPushed());
  EXPECT_NE(GetCapture(), hwnd);
}

TEST_F(PaintManager, ReleaseOverAnotherControlIsNoClick) {
  Initialise();
  Press(L"btnA");
  Release(L"btnB");
  Press(L"btnA");
  PostMouse(hwnd, WM_LBUTTONUP, window.CentreOf(L"lblBody"));
  PumpFor(150);
  EXPECT_EQ(window.Count(L"click"), 0);
}

TEST_F(PaintManager, LeavingAndComingBackBeforeReleaseStillClicks) {
  Initialise();
  Press(L"btnA");
  PostMouse(hwnd, WM_MOUSEMOVE, window.CentreOf(L"btnB"));
  PumpFor(50);
  EXPECT_FALSE(window.Find(L"btnA")->IsHot()) << "the pressed look goes while the pointer is away";
  PostMouse(hwnd, WM_MOUSEMOVE, window.CentreOf(L"btnA"));
  Release(L"btnA");
  PumpFor(100);
  ASSERT_EQ(window.Count(L"click"), 1);
  EXPECT_EQ(window.events.back().sender, L"btnA");
}

TEST_F(PaintManager, PressOnBackgroundThenReleaseOnButtonIsNoClick) {
  Initialise();
  PostMouse(hwnd, WM_LBUTTONDOWN, {300, 250});
  Release(L"btnB");
  PumpFor(100);
  EXPECT_EQ(window.Count(L"click"), 0);
}

TEST_F(PaintManager, DisabledOrHiddenButtonsAreNotClicked) {
  Initialise();
  window.Find(L"btnA")->SetEnabled(false);
  Press(L"btnA");
  Release(L"btnA");
  PumpFor(100);
  EXPECT_EQ(window.Count(L"click"), 0);
  // Hidden between press and release.
  Press(L"btnB");
  PumpFor(50);
  window.Find(L"btnB")->SetVisible(false);
  PostMouse(hwnd, WM_LBUTTONUP, {250, 120});
  PumpFor(100);
  EXPECT_EQ(window.Count(L"click"), 0);
}

TEST_F(PaintManager, OptionReportsTheClickBeforeItFlips) {
  Initialise();
  Press(L"chkAgree");
  Release(L"chkAgree");
  PumpFor(100);
  ASSERT_EQ(window.events.size(), 2u);
  EXPECT_EQ(window.events[0].type, L"click");
  EXPECT_FALSE(window.events[0].selected) << "the click handler sees the state before the click";
  EXPECT_EQ(window.events[1].type, L"selectchanged");
  EXPECT_TRUE(window.events[1].selected);

  window.events.clear();
  Press(L"chkAgree");
  Release(L"chkAgree");
  PumpFor(100);
  ASSERT_EQ(window.events.size(), 2u);
  EXPECT_EQ(window.events[0].type, L"click");
  EXPECT_TRUE(window.events[0].selected);
  EXPECT_EQ(window.events[1].type, L"selectchanged");
  EXPECT_FALSE(window.events[1].selected);
}

TEST_F(PaintManager, SelectChangedAlsoWhenChangedByCode) {
  Initialise();
  auto* option = static_cast<COptionUI*>(window.Find(L"chkAgree"));
  option->Selected(true);
  ASSERT_EQ(window.Count(L"selectchanged"), 1);
  EXPECT_EQ(window.events.back().sender, L"chkAgree");
  option->Selected(true);
  EXPECT_EQ(window.Count(L"selectchanged"), 1) << "no change, no notification";
  option->Selected(false);
  EXPECT_EQ(window.Count(L"selectchanged"), 2);
  EXPECT_EQ(window.Count(L"click"), 0);
}

TEST_F(PaintManager, RealMouseInputClicksTheButtonUnderThePointer) {
  Initialise();
  SetForegroundWindow(hwnd);
  POINT point = window.CentreOf(L"btnB");
  ClientToScreen(hwnd, &point);
  ASSERT_TRUE(SetCursorPos(point.x, point.y));
  INPUT inputs[2] = {};
  inputs[0].type = inputs[1].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ASSERT_EQ(SendInput(2, inputs, sizeof(INPUT)), 2u);
  ASSERT_TRUE(PumpUntil([&] { return window.Count(L"click") == 1; }, 3000));
  EXPECT_EQ(window.events.back().sender, L"btnB");
}

TEST_F(PaintManager, FindsTheTopmostShownControlUnderAPoint) {
  Initialise();
  CPaintManagerUI& manager = window.GetPaintManager();
  EXPECT_EQ(manager.FindControl(POINT{60, 110})->GetName(), L"btnA");
  EXPECT_EQ(manager.FindControl(POINT{5, 290})->GetName(), L"root");
  window.Find(L"btnA")->SetVisible(false);
  EXPECT_EQ(manager.FindControl(POINT{60, 110})->GetName(), L"root");
  EXPECT_EQ(manager.FindControl(L"nothing"), nullptr);
}

TEST_F(PaintManager, ControlOperationsChangeWhatIsShown) {
  Initialise();
  CControlUI* button = window.Find(L"btnA");
  button->SetText(L"新的");
  EXPECT_EQ(button->GetText(), L"新的");
  button->SetBkColor(0x80112233);
  EXPECT_EQ(button->GetBkColor(), 0x80112233u);
  button->SetBkImage(L"bg_install.png");
  EXPECT_EQ(button->GetBkImage(), "bg_install.png");
  button->SetPos(RECT{10, 20, 30, 60});
  EXPECT_TRUE(SameRect(button->GetPos(), 10, 20, 30, 60));
  button->Move(100, 0);
  EXPECT_TRUE(SameRect(button->GetPos(), 100, 0, 120, 40));
  // A moved control keeps its place when the window is laid out again.
  SetWindowPos(hwnd, nullptr, 0, 0, 420, 320, SWP_NOMOVE | SWP_NOZORDER);
  UpdateWindow(hwnd);
  EXPECT_TRUE(SameRect(button->GetPos(), 100, 0, 120, 40));
}

TEST_F(PaintManager, PaintsBackgroundColoursAndTextIntoTheWindow) {
  Initialise();
  // Paint into a bitmap the way the window paints itself.
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 400;
  info.bmiHeader.biHeight = -300;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, dib);
  window.GetPaintManager().PaintTo(dc, RECT{0, 0, 400, 300});
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  auto at = [&](int x, int y) { return pixels[y * 400 + x] & 0xFFFFFF; };
  EXPECT_EQ(at(52, 102), 0x00FF00u) << "btnA's background";
  EXPECT_EQ(at(202, 102), 0x0000FFu) << "btnB's background";
  EXPECT_EQ(at(5, 290), 0xFFFFFFu) << "the window's background";
  // The caption's Chinese text is drawn (in a fallback family where 微软雅黑 is missing).
  int dark = 0;
  for (int y = 5; y < 25; ++y) {
    for (int x = 10; x < 110; ++x) dark += at(x, y) != 0xFFFFFFu;
  }
  EXPECT_GT(dark, 20) << "glyph pixels of 标题";
  SelectObject(dc, previous);
  DeleteDC(dc);
  DeleteObject(dib);
}

TEST_F(PaintManager, RestingThePointerOnAControlWithATipShowsTheTipWindow) {
  Initialise();
  window.Find(L"btnA")->SetToolTip(L"安装到本机");
  SetForegroundWindow(hwnd);
  POINT point = window.CentreOf(L"btnA");
  ClientToScreen(hwnd, &point);
  ASSERT_TRUE(SetCursorPos(point.x, point.y));
  struct ParkPointer {
    ~ParkPointer() { SetCursorPos(0, 0); }  // off every test window again
  } park;
  PostMouse(hwnd, WM_MOUSEMOVE, window.CentreOf(L"btnA"));
  // The hover message comes from the system once the pointer has rested on the button.
  HWND tip = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] {
        tip = FindWindowExW(nullptr, nullptr, L"tooltips_class32", nullptr);
        while (tip && GetWindow(tip, GW_OWNER) != hwnd) tip = FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr);
        return tip && IsWindowVisible(tip);
      },
      3000))
      << "no tip window shown; the button is " << (window.Find(L"btnA")->IsHot() ? "hot" : "not hot");
  wchar_t text[64] = {};
  TTTOOLINFOW info = {};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.hwnd = hwnd;
  info.uId = 1;
  info.lpszText = text;
  SendMessageW(tip, TTM_GETTEXTW, sizeof text / sizeof text[0], reinterpret_cast<LPARAM>(&info));
  EXPECT_STREQ(text, L"安装到本机");
}
