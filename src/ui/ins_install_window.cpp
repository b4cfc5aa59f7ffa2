#include "ui/ins_install_window.h"

#include <cstdio>
#include <exception>

#include "base/client_names.h"
#include "base/close_code.h"
#include "base/log_helper.h"
#include "base/run_mode.h"
#include "net/download_messages.h"
#include "net/final_message.h"
#include "net/update_helper.h"
#include "package/aftermath_helper.h"
#include "package/install_worker.h"
#include "package/manifest_queries.h"
#include "package/work_folders.h"
#include "system/journaled_registration.h"

namespace {

// "lbl_introduce_%d.png" and the like, for a slide number.
std::wstring Formatted(const wchar_t* format, int number) {
  wchar_t text[64] = {};
  swprintf(text, sizeof text / sizeof text[0], format, number);
  return text;
}

}  // namespace

CInsInstallWindow::CInsInstallWindow() = default;

CInsInstallWindow::~CInsInstallWindow() {
  // Normally on-destroy has stopped both already; this covers a window never created.
  if (m_downloader) m_downloader->StopAndJoin();
  m_stopFlag = 1;
  if (m_installWorker && m_installWorker->joinable()) m_installWorker->join();
}

LRESULT CInsInstallWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DOWNLOAD_PROGRESS:
      // The downloader reports a 32-bit byte count, whatever the width of WPARAM.
      OnDownloadProgress(static_cast<uint32_t>(wParam));
      return 0;
    case WM_DOWNLOAD_DONE:
      OnDownloadDone();
      return 0;
    case WM_DOWNLOAD_FAILED:
      OnDownloadFailed();
      return 0;
    case WM_INSTALL_REGISTER:
      OnInstallRegister();
      return 0;
    case WM_INSTALL_FAILED:
      OnInstallFailed();
      return 0;
    default:
      return CInstallWindow::HandleMessage(message, wParam, lParam);
  }
}

LRESULT CInsInstallWindow::OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  CInstallWindow::OnCreate(message, wParam, lParam, handled);
  return BuildLayout(L"InsInstallWindow.xml") ? 0 : -1;
}

void CInsInstallWindow::OnWindowInit() {
  CInstallWindow::OnWindowInit();
  if (CControlUI* status = m_pm.FindControl(L"lblTextStatus")) {
    status->SetText(g_runMode == RunMode::Update ? L"正在更新Qelvo" : L"正在安装Qelvo");
  }
  m_slideLabel0 = m_pm.FindControl(L"lblIntroduce1");
  m_slideLabel1 = m_pm.FindControl(L"lblIntroduce2");
  StartWaitTimer(m_timings.firstWaitMs);
  if (StartInstall()) StartNetworkWatch();
}

bool CInsInstallWindow::StartInstall() {
  std::wstring failedSteps;
  if (g_runMode == RunMode::Install) {
    m_fullPackage = GetFullPackageTask(m_tasks, m_totalBytes) ? 1 : 0;
    if (!m_fullPackage) failedSteps += L"GetFullPackageTask failed\r\n";
  }
  if (!m_fullPackage) {
    std::wstring refusals;
    const bool listed = BuildModuleTaskList(m_tasks, m_totalBytes, &refusals);
    if (listed && m_tasks.empty()) {
      g_runMode = RunMode::UpToDate;
      m_finished = true;
      Close(kCloseProceed);
      return false;
    }
    if (!listed) failedSteps += L"BuildModuleTaskList failed\r\n" + refusals;
  }
  if (m_tasks.empty()) {
    // Nothing would ever close this window, which has no close button.
    Fail(failedSteps.empty() ? std::wstring(L"GetFullPackageTask listed no package\r\n") : failedSteps);
    return false;
  }

  if (m_stopClient && m_stopClient() == ClientStop::kStillRunning) {
    // Files replaced under a running client would leave it a mixture of old and new.
    Fail(std::wstring(kClientExeName) + L" did not exit when it was stopped; nothing was installed\r\n");
    return false;
  }
  m_downloader = std::make_shared<CDownloadImpl>(&m_tasks, m_hWnd);
  try {
    m_downloader->Start();
  } catch (const std::exception&) {
    Fail(L"Download worker could not start\r\n");
    return false;
  }
  return true;
}

void CInsInstallWindow::Fail(const std::wstring& reportLines) {
  if (m_finished) return;
  m_finished = true;
  CLogHelper::GetInstance()->LogW(L"install failed: %ls", reportLines.c_str());
  std::wstring reply;
  g_updateHelper.SendRequest(reply, ServiceRequestType::kUserInstallFailedReason, reportLines, false);
  Close(kCloseFailed);
}

void CInsInstallWindow::OnDownloadProgress(uint32_t bytes) {
  if (m_progress.Add(bytes, m_totalBytes)) ShowPercent();
}

void CInsInstallWindow::ShowPercent() {
  const int percent = m_progress.ShownPercent();
  if (CControlUI* bar = m_pm.FindControl(L"lblProgress")) {
    bar->SetPos({kProgressBarLeft, kProgressBarTop, ProgressBarRight(percent), kProgressBarBottom});
  }
  if (CControlUI* tip = m_pm.FindControl(L"lblProgressTip")) tip->SetText(ProgressTipText(percent));
  if (percent == 100) {
    if (CControlUI* end = m_pm.FindControl(L"lblProgressEnd")) end->SetVisible(true);
  }
}

void CInsInstallWindow::OnDownloadDone() {
  if (m_finished || m_installWorker) return;
  if (CControlUI* status = m_pm.FindControl(L"lblTextStatus")) status->SetVisible(true);
  m_progress.Complete();
  ShowPercent();
  Sleep(kDoneSettleMs);

  const HWND window = m_hWnd;
  InstallWorkerWindow binding;
  binding.cancelFlag = &m_stopFlag;
  binding.closeWindow = [this, window](int code) {
    PostFinalMessage(window, WM_CLOSE, static_cast<WPARAM>(code), 0, m_stopFlag);
  };
  binding.postInstallRegister = [this, window] {
    PostFinalMessage(window, WM_INSTALL_REGISTER, 0, 0, m_stopFlag);
  };
  // Written by the worker once the update is committed, before the window closes.
  binding.updateCommitted = [](CInstallJournal& journal) {
    UpdateVersionInJournal(journal, g_updateHelper.m_mainVersion);
  };
  binding.failInstall = [this, window](const std::wstring& reportLines) {
    {
      const std::lock_guard<std::mutex> lock(m_installFailureLock);
      m_installFailureLines = reportLines;
    }
    PostFinalMessage(window, WM_INSTALL_FAILED, 0, 0, m_stopFlag);
  };
  const bool fullPackage = m_fullPackage != 0;
  try {
    m_installWorker = std::make_shared<std::thread>(
        [this, fullPackage, binding] { RunInstallWorker(fullPackage, m_tasks, CurrentInstallWorkerFolders(), m_journal, binding);
        });
  } catch (const std::exception&) {
    Fail(L"Install worker could not start\r\n");
  }
}

void CInsInstallWindow::OnDownloadFailed() {
  if (m_finished) return;
  Fail(m_downloader ? m_downloader->JoinAndTakeFailureLines() : std::wstring());
}

void CInsInstallWindow::OnInstallFailed() {
  std::wstring reportLines;
  {
    const std::lock_guard<std::mutex> lock(m_installFailureLock);
    reportLines = m_installFailureLines;
  }
  Fail(reportLines);
}

void CInsInstallWindow::OnInstallRegister() {
  if (m_finished) return;
  if (!RegisterInstallInJournal(m_journal, InstallFolder(), g_updateHelper.m_mainVersion)) {
    m_journal.RollBack();
    Fail(m_journal.FailureLines());
    return;
  }
  m_finished = true;
  m_journal.Commit();
  Close(kCloseProceed);
}

void CInsInstallWindow::StartWaitTimer(unsigned periodMs) {
  if (SetTimer(m_hWnd, kWaitTimerId, periodMs, nullptr)) m_waitTimer = static_cast<int>(kWaitTimerId);
}

LRESULT CInsInstallWindow::OnTimer(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  if (wParam == kWaitTimerId) {
    OnWaitTimer();
    return 0;
  }
  if (wParam == kAnimationTimerId) {
    OnAnimationTimer();
    return 0;
  }
  return CInstallWindow::OnTimer(message, wParam, lParam, handled);
}

void CInsInstallWindow::OnWaitTimer() {
  KillTimer(m_hWnd, kWaitTimerId);
  m_waitTimer = -1;
  if (SetTimer(m_hWnd, kAnimationTimerId, m_timings.animationMs, nullptr)) {
    m_animationTimer = static_cast<int>(kAnimationTimerId);
  }
}

void CInsInstallWindow::OnAnimationTimer() {
  CControlUI* visible = SlideLabel(m_carousel.VisibleLabel());
  CControlUI* waiting = SlideLabel(1 - m_carousel.VisibleLabel());
  if (!m_carousel.Tick()) {
    if (visible) visible->Move(m_carousel.VisibleX(), 0);
    if (waiting) waiting->Move(m_carousel.WaitingX(), 0);
    return;
  }
  KillTimer(m_hWnd, kAnimationTimerId);
  m_animationTimer = -1;
  // The slide that came in stays; the one that went out is parked on the right with the
  // image of the slide after the one now shown.
  if (waiting) waiting->Move(0, 0);
  if (visible) {
    visible->Move(kSlideWidth, 0);
    visible->SetBkImage(Formatted(L"lbl_introduce_%d.png", m_carousel.NextSlide()));
  }
  ShowSlideMarks();
  StartWaitTimer(m_timings.laterWaitMs);
}

void CInsInstallWindow::ShowSlideMarks() {
  const int shown = m_carousel.ShownSlide();
  for (int i = 1; i <= kSlideCount; ++i) {
    CControlUI* dot = m_pm.FindControl(Formatted(L"lblFlipStatus%d", i));
    if (i != shown) {
      if (dot) dot->SetBkImage(L"btn_introduce_uncheck.png");
      continue;
    }
    if (CControlUI* bar = m_pm.FindControl(L"lblProgress")) bar->SetBkColor(SlideBarColour(i));
    if (CControlUI* head = m_pm.FindControl(L"lblProgressHead")) head->SetBkImage(Formatted(L"lbl_progress_head%d.png", i));
    if (CControlUI* end = m_pm.FindControl(L"lblProgressEnd")) end->SetBkImage(Formatted(L"lbl_progress_end%d.png", i));
    if (dot) dot->SetBkImage(Formatted(L"btn_introduce_check%d.png", i));
  }
}

LRESULT CInsInstallWindow::OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  if (m_waitTimer != -1) KillTimer(m_hWnd, kWaitTimerId);
  if (m_animationTimer != -1) KillTimer(m_hWnd, kAnimationTimerId);
  m_waitTimer = m_animationTimer = -1;
  if (m_downloader) m_downloader->StopAndJoin();
  m_stopFlag = 1;
  if (m_installWorker && m_installWorker->joinable()) m_installWorker->join();
  return CInstallWindow::OnDestroy(message, wParam, lParam, handled);
}
