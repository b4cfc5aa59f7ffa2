#include "package/install_worker.h"

#include "base/close_code.h"
#include "base/file_system.h"
#include "package/aftermath_helper.h"
#include "package/install_journal.h"
#include "package/work_folders.h"

InstallWorkerFolders CurrentInstallWorkerFolders() {
  return {InstallFolder(), FullPackageFolder(), InstallJournalPath()};
}

void RunInstallWorker(bool fullPackage, const DownloadTaskList& tasks, const InstallWorkerFolders& folders,
                      CInstallJournal& journal, const InstallWorkerWindow& window) {
  const auto cancelled = [&window] { return window.cancelFlag && window.cancelFlag->load() != 0; };

  if (!journal.Begin(folders.journalPath)) {
    // Nothing was changed.
  } else if (fullPackage) {
    // Written straight into place, once: a cancelled or failed run is rolled back below.
    if (journal.CreateFolders(folders.installFolder) &&
        !g_aftermathHelper.ExpandFullPackage(folders.installFolder, tasks, window.cancelFlag, journal) &&
        !cancelled() && !journal.Failed()) {
      journal.Fail(L"the full package holds no TavoraStudent folder");
    }
  } else {
    g_aftermathHelper.CopyModulesToInstallFolder(folders.installFolder, tasks, journal);
    g_aftermathHelper.ExpandZipModules(folders.installFolder, tasks, window.cancelFlag, journal);
  }

  const bool wasCancelled = cancelled();
  const bool failed = !wasCancelled && journal.Failed();
  if (wasCancelled || failed) {
    journal.RollBack();
  } else if (!fullPackage) {
    if (window.updateCommitted) window.updateCommitted(journal);
    journal.Commit();
  }
  if (fullPackage) {
    RemoveTree(folders.fullPackageFolder);
  }

  if (wasCancelled) {
    if (window.closeWindow) window.closeWindow(kCloseCancelled);
  } else if (failed) {
    if (window.failInstall) {
      window.failInstall(journal.FailureLines());
    } else if (window.closeWindow) {
      window.closeWindow(kCloseFailed);
    }
  } else if (fullPackage) {
    if (window.postInstallRegister) window.postInstallRegister();
  } else {
    if (window.closeWindow) window.closeWindow(kCloseProceed);
  }
}
