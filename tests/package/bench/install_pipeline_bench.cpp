// Installs a full package through the install worker and reports how long it took and how
// much memory the process needed at most. Arguments: the package (a zip whose top folder is
// "TavoraStudent") and an empty scratch folder. Prints "seconds=…", "peak_working_set_mb=…",
// "files=…", "bytes=…" (what ended up installed).
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "package/install_journal.h"
#include "package/install_worker.h"

namespace fs = std::filesystem;

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    fwprintf(stderr, L"usage: install_pipeline_bench PACKAGE.zip SCRATCH_FOLDER\n");
    return 2;
  }
  const fs::path scratch(argv[2]);
  const std::wstring work = (scratch / L"work").wstring() + L"\\";
  InstallWorkerFolders folders;
  folders.installFolder = (scratch / L"local" / L"Quillmor" / L"TavoraStudent").wstring() + L"\\";
  folders.fullPackageFolder = (scratch / L"roaming" / L"TavoraInstaller").wstring() + L"\\";
  // The journal on disk, as a real run keeps it: every change is flushed before it is made.
  folders.journalPath = (scratch / L"TavoraInstaller.journal").wstring();

  // The download worker leaves the package as "<work>\TavoraStudent.zip".
  fs::create_directories(work);
  if (!CopyFileW(argv[1], (work + L"TavoraStudent.zip").c_str(), FALSE)) {
    fwprintf(stderr, L"cannot copy the package: %lu\n", GetLastError());
    return 1;
  }
  DownloadTask task;
  task.archivePath = work + L"TavoraStudent.zip.gz";

  int closeCode = 0;
  bool registered = false;
  InstallWorkerWindow window;
  window.closeWindow = [&closeCode](int code) { closeCode = code; };
  window.postInstallRegister = [&registered] { registered = true; };
  window.failInstall = [&closeCode](const std::wstring& lines) {
    closeCode = 4;
    fwprintf(stderr, L"install failed:\n%ls", lines.c_str());
  };

  const auto start = std::chrono::steady_clock::now();
  CInstallJournal journal;
  RunInstallWorker(true, {task}, folders, journal, window);
  if (registered) journal.Commit();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  uint64_t files = 0, bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folders.installFolder)) {
    if (entry.is_regular_file()) {
      ++files;
      bytes += entry.file_size();
    }
  }
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  printf("registered=%d close=%d\n", registered ? 1 : 0, closeCode);
  printf("seconds=%.3f\n", seconds);
  printf("peak_working_set_mb=%.1f\n", counters.PeakWorkingSetSize / 1048576.0);
  printf("files=%llu\nbytes=%llu\n", static_cast<unsigned long long>(files), static_cast<unsigned long long>(bytes));
  return registered ? 0 : 1;
}
