#include "package/install_worker.h"

#include <filesystem>

#include "app/log_helper.h"
#include "app/sequence_controller.h"
#include "package/aftermath_helper.h"
#include "package/work_folders.h"

namespace fs = std::filesystem;

InstallWorkerFolders CurrentInstallWorkerFolders() { return {InstallFolder(), UnZipFolder(), FullPackageFolder()}; }

void RunInstallWorker(bool fullPackage, const DownloadTaskList& tasks, const InstallWorkerFolders& folders,
                      const InstallWorkerWindow& window) {
  const auto cancelled = [&window] { return window.cancelFlag && window.cancelFlag->load() != 0; };
  bool clientCopied = true;

  if (fullPackage) {
    EnsureFolder(folders.unZipFolder);
    EnsureFolder(folders.installFolder);
    g_aftermathHelper.ExpandZipModules(folders.unZipFolder, tasks, window.cancelFlag);
    // A cancelled unpack leaves a partial client: nothing of it goes into the installation.
    if (!cancelled()) {
      clientCopied = g_aftermathHelper.CopyFolderTree(folders.unZipFolder + L"TavoraStudent", folders.installFolder);
      if (!clientCopied) {
        CLogHelper::GetInstance()->LogW(L"the full package holds no TavoraStudent folder: %ls",
                                        folders.unZipFolder.c_str());
      }
    }
    std::error_code error;
    if (fs::exists(fs::path(folders.fullPackageFolder), error)) fs::remove_all(fs::path(folders.fullPackageFolder), error);
  } else {
    g_aftermathHelper.CopyModulesToInstallFolder(folders.installFolder, tasks);
    g_aftermathHelper.ExpandZipModules(folders.installFolder, tasks, window.cancelFlag);
  }

  if (cancelled()) {
    if (window.closeWindow) window.closeWindow(kCloseCancelled);
  } else if (!clientCopied) {
    if (window.closeWindow) window.closeWindow(kCloseFailed);
  } else if (fullPackage) {
    if (window.postInstallRegister) window.postInstallRegister();
  } else {
    if (window.closeWindow) window.closeWindow(kCloseProceed);
  }
}
