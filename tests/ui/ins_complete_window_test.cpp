#include "ui/ins_complete_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "base/run_mode.h"
#include "installer_window_driver.h"
#include "net/update_helper.h"

namespace {

class CompleteWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    UseSourceSkin();
    g_runMode = RunMode::Install;
    g_updateHelper.m_mainVersion = L"1,2,0,5";
  }
  void Open() { ASSERT_TRUE(driver.Open(new CInsCompleteWindow, CInsCompleteWindow::kWindowName)); }

  InstallerWindowDriver driver;
};

}  // namespace

TEST_F(CompleteWindow, LeftAloneItClosesWithCode1AfterFiveSeconds) {
  const DWORD start = GetTickCount();
  // Without a connection too: this window watches no network.
  auto* window = new CInsCompleteWindow;
  window->SetConnectivityCheck([] { return false; });
  ASSERT_TRUE(driver.Open(window, CInsCompleteWindow::kWindowName));
  EXPECT_EQ(driver.RunModal(10000), 1);
  const DWORD elapsed = driver.CloseRequestTick() - start;
  EXPECT_GE(elapsed, 4900u);
  EXPECT_LE(elapsed, 6000u);
}

TEST_F(CompleteWindow, StartButtonClosesWithCode1AtOnce) {
  Open();
  const DWORD start = GetTickCount();
  driver.Click(L"btnExperience");
  EXPECT_EQ(driver.RunModal(10000), 1);
  EXPECT_LT(driver.CloseRequestTick() - start, 1000u);
}

TEST_F(CompleteWindow, InstallRunKeepsTheInstallWording) {
  Open();
  EXPECT_EQ(driver.TextOf(L"lblStatus"), L"恭喜你, 安装完成 !");
  EXPECT_EQ(driver.TextOf(L"lblCaption"), L"Qelvo 学生端1.2.0.5");
}

TEST_F(CompleteWindow, UpdateRunSaysTheUpdateSucceeded) {
  g_runMode = RunMode::Update;
  Open();
  EXPECT_EQ(driver.TextOf(L"lblStatus"), L"恭喜你, 更新成功 !");
}

TEST_F(CompleteWindow, NothingToUpdateKeepsTheInstallWording) {
  g_runMode = RunMode::UpToDate;
  Open();
  EXPECT_EQ(driver.TextOf(L"lblStatus"), L"恭喜你, 安装完成 !");
}
