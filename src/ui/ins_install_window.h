// The install progress window: fetches the full package or the changed modules, shows the
// download as a coloured bar with a percentage, installs what arrived and registers a fresh
// install, while four product slides rotate; closes with 1 (done or nothing to do), 2
// (closed while installing) or 4 (failed).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "net/download_impl.h"
#include "net/download_task.h"
#include "package/install_journal.h"
#include "system/process_control.h"
#include "ui/install_progress.h"
#include "ui/install_window.h"

// Posted by the install worker when the full package is in place: shortcuts and the
// uninstall entry are due.
constexpr UINT WM_INSTALL_REGISTER = WM_USER + 905;
// Posted by the install worker when it failed and put the installation back; the report
// lines wait in the window.
constexpr UINT WM_INSTALL_FAILED = WM_USER + 907;

class CInsInstallWindow : public CInstallWindow {
 public:
  static constexpr UINT_PTR kWaitTimerId = 1;
  static constexpr UINT_PTR kAnimationTimerId = 2;
  static constexpr DWORD kDoneSettleMs = 100;  // the full bar stays a moment before installing

  CInsInstallWindow();
  ~CInsInstallWindow() override;

  // Shorter carousel periods (tests); before window init.
  void SetCarouselTimings(const CarouselTimings& timings) { m_timings = timings; }
  // What stops the running client before the download (tests); before window init.
  void SetClientStopper(std::function<ClientStop()> stopClient) { m_stopClient = std::move(stopClient); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  LRESULT OnTimer(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  void OnWindowInit() override;

  void OnDownloadProgress(uint32_t bytes);
  void OnDownloadDone();
  void OnDownloadFailed();
  void OnInstallRegister();
  void OnInstallFailed();

  DownloadTaskList m_tasks;
  int64_t m_totalBytes = 0;
  int m_fullPackage = 0;
  CDownloadProgress m_progress;
  std::shared_ptr<CDownloadImpl> m_downloader;
  // Declared before the worker: destroyed after it is joined. Begun by the worker, committed
  // by it (update) or by OnInstallRegister (first install); left open, it is rolled back.
  CInstallJournal m_journal;
  std::shared_ptr<std::thread> m_installWorker;
  std::atomic<uint8_t> m_stopFlag{0};  // the install worker's cancel byte
  std::mutex m_installFailureLock;
  std::wstring m_installFailureLines;  // written by the install worker before WM_INSTALL_FAILED

 private:
  // Finds the tasks and starts the download worker; false when nothing was started and the
  // window has been closed (with 1 when there is nothing to update).
  bool StartInstall();
  // Sends the install-failure report with these lines and closes with 4; once per window.
  void Fail(const std::wstring& reportLines);
  void ShowPercent();
  void StartWaitTimer(unsigned periodMs);
  void OnWaitTimer();
  void OnAnimationTimer();
  void ShowSlideMarks();
  CControlUI* SlideLabel(int index) const { return index == 0 ? m_slideLabel0 : m_slideLabel1; }

  CarouselTimings m_timings;
  std::function<ClientStop()> m_stopClient = StopRunningClient;
  CSlideCarousel m_carousel;
  int m_waitTimer = -1;       // timer id while running, -1 otherwise
  int m_animationTimer = -1;
  CControlUI* m_slideLabel0 = nullptr;  // "lblIntroduce1"
  CControlUI* m_slideLabel1 = nullptr;  // "lblIntroduce2"
  bool m_finished = false;  // the window has chosen its close code; later results are ignored
};
