// The error window: the online download failed; its only button opens the offline package
// page and closes with 1.
#pragma once

#include <mutex>

#include "ui/install_window.h"

class CInsErrorWindow : public CInstallWindow {
 public:
  static constexpr wchar_t kWindowName[] = L"InsErrorWindow";

 protected:
  LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  void OnWindowInit() override;

 private:
  void OnPackageClicked();

  std::mutex m_packagePageLock;  // one page opening at a time
};
