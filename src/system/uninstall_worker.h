// The uninstall window's removal thread: stops the client, removes what was installed and
// reports progress on a fixed schedule.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class CAftermathHelper;

// How the worker reaches its window; every call comes from the worker thread.
struct UninstallWindowPort {
  std::function<void()> enterProgressState;  // switch the window to its removing state
  std::function<void(unsigned int percent)> postProgress;
  std::function<void()> postDone;
};

// A port that posts WM_UNINSTALL_PROGRESS and WM_UNINSTALL_DONE to the window.
UninstallWindowPort PostingUninstallPort(HWND window, std::function<void()> enterProgressState);

// Progress reported before and after the removal; each report follows a pause of
// kUninstallStepMs, and WM_UNINSTALL_DONE follows the last one after kUninstallDoneDelayMs.
constexpr unsigned int kUninstallProgressBefore[] = {5, 10, 20, 30, 40, 45};
constexpr unsigned int kUninstallProgressAfter[] = {50, 60, 70, 80, 90, 100};
constexpr DWORD kUninstallStepMs = 100;
constexpr DWORD kUninstallDoneDelayMs = 200;

// The thread body. localBaseFolder is the user's local application data ending in "\"; the
// client is installed in its "Quillmor\TavoraStudent\". Nothing that fails is reported: the
// schedule always runs to 100 percent and the done message.
void RunUninstallWorker(CAftermathHelper& helper, const std::wstring& localBaseFolder,
                        const UninstallWindowPort& window);
