#include "ui/uni_uninstall_window.h"

#include <chrono>

#include "net/final_message.h"
#include "package/aftermath_helper.h"
#include "system/uninstall_messages.h"
#include "system/uninstall_worker.h"

namespace {

// Nothing stops the removal once it runs: its done message is posted again while the queue
// refuses it, for as long as the window exists.
const std::atomic<uint8_t> kRemovalNeverStops{0};

// The removal thread's body. It knows the window only by its handle: a message to a window
// that is gone is dropped by the system.
void RunRemoval(HWND window, const std::wstring& localBaseFolder,
                const std::shared_ptr<std::atomic<bool>>& finished) {
  UninstallWindowPort port =
      PostingUninstallPort(window, [window] { ::SendMessageW(window, WM_UNINSTALL_REMOVING, 0, 0); });
  port.postDone = [window] { PostFinalMessage(window, WM_UNINSTALL_DONE, 0, 0, kRemovalNeverStops); };
  RunUninstallWorker(g_aftermathHelper, localBaseFolder, port);
  finished->store(true);
}

}  // namespace

RECT CUniUninstallWindow::ProgressBarRect(WPARAM percent) {
  return {125, 263, static_cast<LONG>(125 + percent * 350 / 100), 266};
}

CUniUninstallWindow::CUniUninstallWindow(std::wstring localBaseFolder)
    : m_localBaseFolder(std::move(localBaseFolder)) {}

CUniUninstallWindow::~CUniUninstallWindow() { LetGoOfRemovalThread(); }

LRESULT CUniUninstallWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_UNINSTALL_REMOVING:
      EnterViewState(kViewRemoving);
      return 0;
    case WM_UNINSTALL_PROGRESS:
      ShowProgress(wParam);
      return 0;
    case WM_UNINSTALL_DONE:
      EnterViewState(kViewDone);
      return 0;
    default:
      return CInstallWindow::HandleMessage(message, wParam, lParam);
  }
}

LRESULT CUniUninstallWindow::OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  CInstallWindow::OnCreate(message, wParam, lParam, handled);
  return BuildLayout(L"UniUninstallWindow.xml") ? 0 : -1;
}

void CUniUninstallWindow::OnWindowInit() {
  CInstallWindow::OnWindowInit();
  EnterViewState(kViewReady);
  SetClickHandler(L"btnClose", [this] { Close(kCloseCancelled); });
  SetClickHandler(L"btnUninstall", [this] { StartRemoval(); });
  SetClickHandler(L"btnUniComplete", [this] { Close(kCloseCancelled); });
  StartNetworkWatch();
}

void CUniUninstallWindow::EnterViewState(ViewState state) {
  struct Shown {
    const wchar_t* name;
    bool ready, removing, done;
  };
  static const Shown kShown[] = {
      {L"btnClose", true, false, true},           {L"btnUninstall", true, false, false},
      {L"btnUniComplete", false, false, true},    {L"lblProgressBk", false, true, false},
      {L"lblProgressFo", false, true, false},     {L"lblStatus", false, true, false},
      {L"lblStatusComplete", false, false, true},
  };
  for (const Shown& shown : kShown) {
    CControlUI* control = m_pm.FindControl(shown.name);
    if (!control) continue;
    control->SetVisible(state == kViewReady ? shown.ready : state == kViewRemoving ? shown.removing : shown.done);
  }
}

void CUniUninstallWindow::StartRemoval() {
  if (m_removalThread) return;
  m_removalFinished = std::make_shared<std::atomic<bool>>(false);
  m_removalThread = std::make_shared<std::thread>(RunRemoval, m_hWnd, m_localBaseFolder, m_removalFinished);
}

void CUniUninstallWindow::ShowProgress(WPARAM percent) {
  if (CControlUI* bar = m_pm.FindControl(L"lblProgressFo")) bar->SetPos(ProgressBarRect(percent));
}

LRESULT CUniUninstallWindow::OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  LetGoOfRemovalThread();
  return CInstallWindow::OnDestroy(message, wParam, lParam, handled);
}

void CUniUninstallWindow::LetGoOfRemovalThread() {
  if (!m_removalThread || !m_removalThread->joinable()) return;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::microseconds(100);
  while (!m_removalFinished->load() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  if (m_removalFinished->load()) {
    m_removalThread->join();
  } else {
    m_removalThread->detach();
  }
}
