#include "ui/ins_about_window.h"

#include "base/run_mode.h"
#include "toolkit/button_ui.h"
#include "toolkit/option_ui.h"
#include "ui/web_page.h"

LRESULT CInsAboutWindow::OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  CInstallWindow::OnCreate(message, wParam, lParam, handled);
  return BuildLayout(L"InsAboutWindow.xml") ? 0 : -1;
}

void CInsAboutWindow::OnWindowInit() {
  CInstallWindow::OnWindowInit();
  if (g_runMode == RunMode::Install) {
    SetUpInstallMode();
  } else {
    SetUpUpdateMode();
  }
  SetClickHandler(L"btnClose", [this] { Close(kCloseCancelled); });
  SetClickHandler(L"chkAgree", [this] { OnAgreementClicked(); });
  SetClickHandler(L"btnProtocol", [] { OpenMakerWebPage(kPrivacyPagePath); });
  SetClickHandler(L"btnInstall", [this] { Close(kCloseProceed); });
  StartNetworkWatch();
}

void CInsAboutWindow::SetUpInstallMode() {
  // Ticking by code also reports "selectchanged"; this window does not listen to it.
  if (auto* agree = dynamic_cast<COptionUI*>(m_pm.FindControl(L"chkAgree"))) agree->Selected(true);
  if (CControlUI* update = m_pm.FindControl(L"lblUpdate")) update->SetVisible(false);
}

void CInsAboutWindow::SetUpUpdateMode() {
  for (const wchar_t* name : {L"btnClose", L"chkAgree", L"lblAgree", L"btnProtocol"}) {
    if (CControlUI* control = m_pm.FindControl(name)) control->SetVisible(false);
  }
  if (auto* install = dynamic_cast<CButtonUI*>(m_pm.FindControl(L"btnInstall"))) {
    install->SetNormalImage(L"btn_update_normal.png");
    install->SetHotImage(L"btn_update_hot.png");
    install->SetPushedImage(L"btn_update_pushed.png");
  }
}

void CInsAboutWindow::OnAgreementClicked() {
  auto* agree = dynamic_cast<COptionUI*>(m_pm.FindControl(L"chkAgree"));
  CControlUI* install = m_pm.FindControl(L"btnInstall");
  if (!agree || !install) return;
  // The click arrives before the tick box flips: a box still ticked is about to be unticked.
  install->SetEnabled(!agree->IsSelected());
}
