// The welcome window: the agreement tick box and the install button, or in an update run
// only the update announcement and the update button.
#pragma once

#include "ui/install_window.h"

class CInsAboutWindow : public CInstallWindow {
 public:
  static constexpr wchar_t kWindowName[] = L"InsAboutWindow";

 protected:
  LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  void OnWindowInit() override;

 private:
  void SetUpInstallMode();
  void SetUpUpdateMode();
  // The install button is usable exactly while the agreement is ticked.
  void OnAgreementClicked();
};
