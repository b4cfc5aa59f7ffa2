#include "ui/ins_error_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "base/run_mode.h"
#include "installer_window_driver.h"
#include "net/update_helper.h"
#include "system/integration_names.h"

namespace {

class ErrorWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    UseSourceSkin();
    g_runMode = RunMode::Install;
    g_updateHelper.m_mainVersion = L"1,2,0,5";
  }
  void Open() { ASSERT_TRUE(driver.Open(new CInsErrorWindow, CInsErrorWindow::kWindowName)); }

  InstallerWindowDriver driver;
};

}  // namespace

TEST_F(ErrorWindow, InstallRunSaysTheDownloadFailed) {
  Open();
  EXPECT_EQ(driver.TextOf(L"lblStatus"), L"很抱歉, 在线下载失败 !");
  EXPECT_EQ(driver.TextOf(L"lblCaption"), L"Qelvo 学生端1.2.0.5");
}

TEST_F(ErrorWindow, UpdateRunSaysTheUpdateFailed) {
  g_runMode = RunMode::Update;
  Open();
  EXPECT_EQ(driver.TextOf(L"lblStatus"), L"很抱歉, 在线更新失败 !");
}

TEST_F(ErrorWindow, NothingToUpdateKeepsTheDownloadWording) {
  g_runMode = RunMode::UpToDate;
  Open();
  EXPECT_EQ(driver.TextOf(L"lblStatus"), L"很抱歉, 在线下载失败 !");
}

TEST_F(ErrorWindow, PackageButtonOpensTheOfflinePageAndClosesWithCode1) {
  RecordedBrowser browser;
  Open();
  driver.Click(L"btnPackage");
  EXPECT_EQ(driver.RunModal(3000), 1);
  EXPECT_EQ(RecordedBrowser::Addresses(),
            std::vector<std::wstring>{MakerWebAddress() + L"qlv/download/?type=student"});
}

TEST_F(ErrorWindow, WindowStaysOpenUntilThePackageButtonEvenOffline) {
  // No close button, no time-out and no network watcher: left alone without a connection,
  // the window is still there.
  auto* window = new CInsErrorWindow;
  window->SetConnectivityCheck([] { return false; });
  ASSERT_TRUE(driver.Open(window, CInsErrorWindow::kWindowName));
  EXPECT_EQ(driver.RunModal(1500), kStillOpen);
}
