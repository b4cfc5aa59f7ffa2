// The uninstall window: asks for confirmation, runs the removal on a thread of its own while
// a thin bar advances in twelve fixed steps, and ends with the "removed" message.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "ui/install_window.h"

// Sent (not posted) by the removal thread before its first progress report, so the window
// is in its removing state before any step of the bar is shown.
constexpr UINT WM_UNINSTALL_REMOVING = WM_USER + 906;

class CUniUninstallWindow : public CInstallWindow {
 public:
  static constexpr wchar_t kWindowName[] = L"UniUninstallWindow";

  enum ViewState { kViewReady = 0, kViewRemoving = 1, kViewDone = 2 };

  // The bar's client rectangle: the track starts at x 125 and is 350 wide.
  static RECT ProgressBarRect(WPARAM percent);

  // localBaseFolder: the user's local application data ending in "\"; the client lives in
  // its "Quillmor\TavoraStudent\".
  explicit CUniUninstallWindow(std::wstring localBaseFolder);
  ~CUniUninstallWindow() override;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  void OnWindowInit() override;

 private:
  void EnterViewState(ViewState state);
  void StartRemoval();
  void ShowProgress(WPARAM percent);
  // Waits 100 µs at most: a removal still running is left to finish on its own.
  void LetGoOfRemovalThread();

  std::wstring m_localBaseFolder;
  std::shared_ptr<std::thread> m_removalThread;
  // Shared with the thread, which may outlive the window: set as its very last step.
  std::shared_ptr<std::atomic<bool>> m_removalFinished;
};
