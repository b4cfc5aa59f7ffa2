#include "ui/ins_error_window.h"

#include "base/run_mode.h"
#include "ui/web_page.h"

LRESULT CInsErrorWindow::OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  CInstallWindow::OnCreate(message, wParam, lParam, handled);
  return BuildLayout(L"InsErrorWindow.xml") ? 0 : -1;
}

void CInsErrorWindow::OnWindowInit() {
  CInstallWindow::OnWindowInit();
  if (g_runMode == RunMode::Update) {
    if (CControlUI* status = m_pm.FindControl(L"lblStatus")) status->SetText(L"很抱歉, 在线更新失败 !");
  }
  SetClickHandler(L"btnPackage", [this] { OnPackageClicked(); });
}

void CInsErrorWindow::OnPackageClicked() {
  {
    std::lock_guard<std::mutex> lock(m_packagePageLock);
    OpenMakerWebPage(kOfflinePackagePagePath);
  }
  Close(kCloseProceed);
}
