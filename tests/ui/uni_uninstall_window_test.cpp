#include "ui/uni_uninstall_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <vector>

#include "base/run_mode.h"
#include "installer_window_driver.h"
#include "net/update_helper.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Which controls each view state shows, in this order.
const wchar_t* const kStateControls[] = {L"btnClose",      L"btnUninstall", L"btnUniComplete",   L"lblProgressBk",
                                         L"lblProgressFo", L"lblStatus",    L"lblStatusComplete"};
const bool kShownIn[3][7] = {
    {true, true, false, false, false, false, false},   // ready
    {false, false, false, true, true, true, false},    // removing
    {true, false, true, false, false, false, true},    // done
};

// The bar's right edge at each report: 125 + percent * 350 / 100, truncated.
const std::vector<LONG> kStepRights = {142, 160, 195, 230, 265, 282, 300, 335, 370, 405, 440, 475};

// A client installed under a base folder of the test's own; the removal also clears the
// shortcuts, data folder and uninstall entry of the test prefix's user.
class UninstallWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    UseSourceSkin();
    g_runMode = RunMode::Uninstall;
    g_updateHelper.m_mainVersion = L"1,2,0,5";
    fs::create_directories(clientFolder / "locales");
    WriteFileBytes(clientFolder / "TavoraStudent.exe", "MZ client");
    WriteFileBytes(clientFolder / "locales" / "zh-CN.pak", "pak");
  }

  // Online unless told otherwise. (The system's own check is tested with the window base.)
  void Open(std::function<bool()> connectivity = [] { return true; }) {
    auto* window = new CUniUninstallWindow(base.path().wstring() + L"\\");
    window->SetConnectivityCheck(std::move(connectivity));
    ASSERT_TRUE(driver.Open(window, CUniUninstallWindow::kWindowName));
  }

  // 0, 1 or 2 when the controls show exactly that view state, else -1.
  int ViewState() {
    for (int state = 0; state < 3; ++state) {
      bool matches = true;
      for (int i = 0; i < 7; ++i) matches = matches && driver.IsShown(kStateControls[i]) == kShownIn[state][i];
      if (matches) return state;
    }
    return -1;
  }

  RECT Bar() {
    CControlUI* bar = driver.Find(L"lblProgressFo");
    return bar ? bar->GetPos() : RECT{};
  }

  TempFolder base;
  const fs::path clientFolder = base / "Quillmor" / "TavoraStudent";
  InstallerWindowDriver driver;
};

}  // namespace

TEST_F(UninstallWindow, ReadyStateOffersUninstallAndClose) {
  Open();
  EXPECT_EQ(ViewState(), 0);
  EXPECT_EQ(driver.TextOf(L"lblCaption"), L"卸载 学生端");
  EXPECT_EQ(driver.TextOf(L"btnvesion"), L"V1.2");
  driver.Click(L"btnClose");
  EXPECT_EQ(driver.RunModal(3000), 2);
  EXPECT_TRUE(fs::exists(clientFolder / "TavoraStudent.exe")) << "closing removes nothing";
}

TEST_F(UninstallWindow, RemovalAdvancesTheBarInTwelveStepsThenShowsTheDoneState) {
  Open();
  const RECT initial = Bar();
  RECT last = initial;
  std::vector<RECT> steps;
  bool removingBeforeFirstStep = false, stepOutsideRemoving = false;
  const auto watch = [&] {
    const RECT now = Bar();
    const int state = ViewState();
    if (steps.empty() && state == 1) removingBeforeFirstStep = true;
    if (!EqualRect(&now, &last)) {
      last = now;
      steps.push_back(now);
      if (state != 1) stepOutsideRemoving = true;
    }
  };
  driver.Click(L"btnUninstall");
  ASSERT_TRUE(driver.PumpUntil([&] { return ViewState() == 2; }, 20000, watch));

  EXPECT_TRUE(removingBeforeFirstStep) << "the removing state comes before the first step";
  EXPECT_FALSE(stepOutsideRemoving) << "every step is shown in the removing state";
  std::vector<LONG> rights;
  for (const RECT& step : steps) {
    rights.push_back(step.right);
    EXPECT_EQ(step.left, 125);
    EXPECT_EQ(step.top, 263);
    EXPECT_EQ(step.bottom, 266);
  }
  EXPECT_EQ(rights, kStepRights);
  EXPECT_FALSE(fs::exists(clientFolder)) << "the client folder is removed";

  driver.Click(L"btnUniComplete");
  EXPECT_EQ(driver.RunModal(3000), 2);
}

TEST_F(UninstallWindow, WithoutNetworkTheReadyWindowClosesWithCode4) {
  Open([] { return false; });
  const DWORD start = GetTickCount();
  EXPECT_EQ(driver.RunModal(5000), 4);
  EXPECT_LT(driver.CloseRequestTick() - start, 1000u);
}

TEST_F(UninstallWindow, NetworkLostDuringRemovalClosesAtOnceAndTheRemovalGoesOn) {
  static std::atomic<bool> online;
  online = true;
  Open([] { return online.load(); });
  driver.Click(L"btnUninstall");
  ASSERT_TRUE(driver.PumpUntil([&] { return ViewState() == 1; }, 3000));

  online = false;
  const DWORD start = GetTickCount();
  EXPECT_EQ(driver.RunModal(5000), 4);
  EXPECT_LT(driver.CloseRequestTick() - start, 1000u);
  // The removal still has most of its steps to go: the window lets go of the thread instead
  // of waiting for it (the watcher's join takes one poll at most).
  EXPECT_GE(driver.DestroyHandlingMs(), 0);
  EXPECT_LT(driver.DestroyHandlingMs(), 300);

  // The removal thread finishes on its own, posting its last reports to a window that is gone.
  const DWORD waitStart = GetTickCount();
  while (fs::exists(clientFolder) && GetTickCount() - waitStart < 10000) Sleep(20);
  EXPECT_FALSE(fs::exists(clientFolder));
  Sleep(1600);  // the six later steps and the done message
}
