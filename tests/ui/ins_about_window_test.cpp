#include "ui/ins_about_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "base/run_mode.h"
#include "installer_window_driver.h"
#include "net/update_helper.h"
#include "system/integration_names.h"
#include "toolkit/button_ui.h"
#include "toolkit/option_ui.h"

namespace {

class WelcomeWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    UseSourceSkin();
    g_runMode = RunMode::Install;
    g_updateHelper.m_mainVersion = L"1,2,0,5";
  }

  // Opens the window; offline makes the network watcher find no connection. (The system's
  // own check is tested with the window base.)
  void Open(bool offline = false) {
    auto* window = new CInsAboutWindow;
    if (offline) {
      window->SetConnectivityCheck([] { return false; });
    } else {
      window->SetConnectivityCheck([] { return true; });
    }
    ASSERT_TRUE(driver.Open(window, CInsAboutWindow::kWindowName));
  }
  bool Ticked() {
    auto* agree = dynamic_cast<COptionUI*>(driver.Find(L"chkAgree"));
    return agree && agree->IsSelected();
  }
  bool InstallEnabled() {
    CControlUI* install = driver.Find(L"btnInstall");
    return install && install->IsEnabled();
  }

  InstallerWindowDriver driver;
};

}  // namespace

TEST_F(WelcomeWindow, InstallRunStartsTickedWithInstallEnabledAndNoUpdateNotice) {
  Open();
  EXPECT_TRUE(Ticked());
  EXPECT_TRUE(InstallEnabled());
  EXPECT_FALSE(driver.IsShown(L"lblUpdate"));
  for (const wchar_t* name : {L"btnClose", L"chkAgree", L"lblAgree", L"btnProtocol", L"btnInstall"}) {
    EXPECT_TRUE(driver.IsShown(name)) << name;
  }
  EXPECT_EQ(driver.TextOf(L"lblCaption"), L"Qelvo 学生端1.2.0.5");
  EXPECT_EQ(driver.TextOf(L"btnvesion"), L"V1.2");
  auto* install = dynamic_cast<CButtonUI*>(driver.Find(L"btnInstall"));
  ASSERT_NE(install, nullptr);
  EXPECT_EQ(install->GetNormalImage(), "btn_install_normal.png");
}

TEST_F(WelcomeWindow, CloseButtonClosesWithCode2) {
  Open();
  driver.Click(L"btnClose");
  EXPECT_EQ(driver.RunModal(3000), 2);
}

TEST_F(WelcomeWindow, InstallButtonClosesWithCode1) {
  Open();
  driver.Click(L"btnInstall");
  EXPECT_EQ(driver.RunModal(3000), 1);
}

TEST_F(WelcomeWindow, UntickingDisablesInstallAndTickingEnablesItAgain) {
  Open();
  driver.Click(L"chkAgree");
  ASSERT_TRUE(driver.PumpUntil([&] { return !Ticked(); }, 2000));
  EXPECT_FALSE(InstallEnabled());

  // A disabled install button does nothing.
  driver.Click(L"btnInstall");
  driver.PumpUntil([] { return false; }, 300);
  ASSERT_TRUE(driver.IsOpen());

  driver.Click(L"chkAgree");
  ASSERT_TRUE(driver.PumpUntil([&] { return Ticked(); }, 2000));
  EXPECT_TRUE(InstallEnabled());

  driver.Click(L"btnInstall");
  EXPECT_EQ(driver.RunModal(3000), 1);
}

TEST_F(WelcomeWindow, UpdateRunShowsOnlyTheUpdateButtonAndNotice) {
  g_runMode = RunMode::Update;
  Open();
  for (const wchar_t* name : {L"btnClose", L"chkAgree", L"lblAgree", L"btnProtocol"}) {
    EXPECT_FALSE(driver.IsShown(name)) << name;
  }
  EXPECT_TRUE(driver.IsShown(L"lblUpdate"));
  EXPECT_TRUE(driver.IsShown(L"btnInstall"));
  EXPECT_TRUE(InstallEnabled());
  auto* update = dynamic_cast<CButtonUI*>(driver.Find(L"btnInstall"));
  ASSERT_NE(update, nullptr);
  EXPECT_EQ(update->GetNormalImage(), "btn_update_normal.png");
  EXPECT_EQ(update->GetHotImage(), "btn_update_hot.png");
  EXPECT_EQ(update->GetPushedImage(), "btn_update_pushed.png");

  // The hidden close button does not answer where it would be.
  driver.Click(L"btnClose");
  driver.PumpUntil([] { return false; }, 300);
  ASSERT_TRUE(driver.IsOpen());

  driver.Click(L"btnInstall");
  EXPECT_EQ(driver.RunModal(3000), 1);
}

TEST_F(WelcomeWindow, ProtocolLinkOpensThePrivacyPageAndKeepsTheWindowOpen) {
  RecordedBrowser browser;
  Open();
  driver.Click(L"btnProtocol");
  ASSERT_TRUE(driver.PumpUntil([] { return !RecordedBrowser::Addresses().empty(); }, 2000));
  EXPECT_EQ(RecordedBrowser::Addresses(),
            std::vector<std::wstring>{MakerWebAddress() + L"html/tavoraweb_privacy.html"});
  driver.PumpUntil([] { return false; }, 200);
  EXPECT_TRUE(driver.IsOpen());
  driver.Click(L"btnClose");
  EXPECT_EQ(driver.RunModal(3000), 2);
}

TEST_F(WelcomeWindow, LostNetworkClosesWithCode4) {
  Open(true);
  const DWORD start = GetTickCount();
  EXPECT_EQ(driver.RunModal(5000), 4);
  // Three checks 100 ms apart, then the close request.
  EXPECT_LT(driver.CloseRequestTick() - start, 1000u);
}
