// The completion window: congratulates the user and closes with 1 by its start button or by
// itself after five seconds, so that the installed client starts.
#pragma once

#include "ui/install_window.h"

class CInsCompleteWindow : public CInstallWindow {
 public:
  static constexpr wchar_t kWindowName[] = L"InsCompleteWindow";
  static constexpr int kAutoCloseTimerId = 1;
  static constexpr UINT kAutoCloseMs = 5000;

 protected:
  LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  LRESULT OnTimer(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  void OnWindowInit() override;

 private:
  int m_autoCloseTimerId = -1;  // -1: not running
};
