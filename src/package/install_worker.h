// The install worker: after the downloads, puts the files into the installation folder and
// tells the install window how it ended.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "net/download_task.h"

class CInstallJournal;

// What the worker needs of the window that started it. The window outlives the worker (it
// joins it), so these may be called on the worker thread until RunInstallWorker returns.
struct InstallWorkerWindow {
  // The window's cancel byte, set when the window is being closed; null never cancels.
  const std::atomic<uint8_t>* cancelFlag = nullptr;
  // Closes the window with a code (a posted WM_CLOSE carrying it): 1 finished, 2 cancelled,
  // 4 failed.
  std::function<void(int closeCode)> closeWindow;
  // Posts WM_INSTALL_REGISTER: the full package is in place, shortcuts and entry are due.
  std::function<void()> postInstallRegister;
  // The updated modules are in place, just before the run is committed and the window is
  // closed with 1: the uninstall entry's version is due, noted in the journal first.
  std::function<void(CInstallJournal& journal)> updateCommitted;
  // The install failed and the installation is as it was before: the window sends the
  // install-failure report with these lines (one per item, CR LF after each) and closes with 4.
  std::function<void(const std::wstring& reportLines)> failInstall;
};

struct InstallWorkerFolders {
  std::wstring installFolder;      // ends in "\"
  std::wstring fullPackageFolder;  // the unpack area of earlier builds; removed after a full-package install
  std::wstring journalPath;        // where the run notes its changes; empty: in memory only
};

// InstallFolder(), FullPackageFolder() and InstallJournalPath() of this user.
InstallWorkerFolders CurrentInstallWorkerFolders();

// Every change goes through the journal, begun here at folders.journalPath.
// Full-package road: unpack the content of the package's "TavoraStudent" folder into the
// installation folder (files already there are kept), remove the unpack area, then post
// WM_INSTALL_REGISTER; the journal stays open for the shortcuts and the entry, and the
// window commits it once they are made.
// Module road: copy each downloaded module over its installed file and unpack ".zip"
// modules there too, call updateCommitted, commit the journal, then close with 1.
// Anything refused or not placed (an unsafe item name, an item that cannot be unpacked, a
// file in use, a package without the client folder) fails the install: every file this run
// replaced gets its old content back, every file it added is removed, and failInstall gets a
// line for each item. Cancelled work is put back the same way and closes with 2.
void RunInstallWorker(bool fullPackage, const DownloadTaskList& tasks, const InstallWorkerFolders& folders,
                      CInstallJournal& journal, const InstallWorkerWindow& window);
