#include "system/uninstall_worker.h"

#include "package/aftermath_helper.h"
#include "system/integration_names.h"
#include "system/uninstall_messages.h"

UninstallWindowPort PostingUninstallPort(HWND window, std::function<void()> enterProgressState) {
  UninstallWindowPort port;
  port.enterProgressState = std::move(enterProgressState);
  port.postProgress = [window](unsigned int percent) { PostMessageW(window, WM_UNINSTALL_PROGRESS, percent, 0); };
  port.postDone = [window] { PostMessageW(window, WM_UNINSTALL_DONE, 0, 0); };
  return port;
}

void RunUninstallWorker(CAftermathHelper& helper, const std::wstring& localBaseFolder,
                        const UninstallWindowPort& window) {
  if (window.enterProgressState) window.enterProgressState();
  // The pauses give the bar visible steps; they do not track the removal.
  for (const unsigned int percent : kUninstallProgressBefore) {
    Sleep(kUninstallStepMs);
    if (window.postProgress) window.postProgress(percent);
  }

  // Empty when the base folder is: nothing is removed then.
  const std::wstring installFolder = JoinPath(localBaseFolder, kInstallSubfolder);
  // The client goes first: its running program and open files would keep parts of the
  // folder from being deleted.
  helper.KillClientProcess();
  helper.RemoveShortcuts();
  helper.RemoveFolderTree(installFolder);
  helper.RemoveClientDataFolder();
  helper.DeleteUninstallEntry();

  for (const unsigned int percent : kUninstallProgressAfter) {
    Sleep(kUninstallStepMs);
    if (window.postProgress) window.postProgress(percent);
  }
  Sleep(kUninstallDoneDelayMs);
  if (window.postDone) window.postDone();
}
