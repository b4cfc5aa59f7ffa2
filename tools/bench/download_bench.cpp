// The Windows half of the download benchmark: runs one download task through the real
// worker (download, check, expand) with a window pumping its messages, then times the
// check and the expansion again on their own, and prints what it measured as key=value lines.
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "net/check_value.h"
#include "net/download_impl.h"
#include "net/download_messages.h"
#include "net/gz_expand.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

unsigned long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string Narrow(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    fwprintf(stderr, L"usage: tavora-download-bench URL ARCHIVE_PATH CHECK_VALUE\n");
    return 2;
  }
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);

  HWND window = CreateWindowExW(0, L"STATIC", L"bench", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  DownloadTaskList tasks(1);
  tasks[0].url = argv[1];
  tasks[0].archivePath = argv[2];
  tasks[0].checkValue = argv[3];

  unsigned long long progressMessages = 0, progressBytes = 0, countedBytes = 0;
  bool done = false, failed = false;
  const auto start = Clock::now();
  Clock::time_point lastProgress = start;
  {
    CDownloadImpl worker(&tasks, window);
    worker.Start();
    MSG message;
    while (!done && !failed && GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (message.message == WM_DOWNLOAD_PROGRESS) {
        ++progressMessages;
        progressBytes += message.wParam;
        lastProgress = Clock::now();
      } else if (message.message == WM_DOWNLOAD_DONE) {
        done = true;
      } else if (message.message == WM_DOWNLOAD_FAILED) {
        failed = true;
      } else {
        DispatchMessageW(&message);
      }
    }
    worker.m_thread->join();
    if (failed) printf("error_text=%s\n", Narrow(worker.m_downloader->m_errorText).c_str());
    countedBytes = static_cast<uint32_t>(worker.m_downloader->m_bytesTotal);
  }
  const double pipelineSeconds = SecondsSince(start);
  const double downloadSeconds = std::chrono::duration<double>(lastProgress - start).count();

  const std::wstring expandedPath = tasks[0].archivePath.substr(0, tasks[0].archivePath.size() - 3);
  printf("result=%s\n", done ? "done" : "failed");
  printf("archive_bytes=%llu\n", FileSize(tasks[0].archivePath));
  printf("expanded_bytes=%llu\n", FileSize(expandedPath));
  printf("pipeline_seconds=%.3f\n", pipelineSeconds);
  printf("download_seconds=%.3f\n", downloadSeconds);
  printf("progress_messages=%llu\n", progressMessages);
  printf("progress_bytes=%llu\n", progressBytes);
  printf("counted_bytes=%llu\n", countedBytes);

  // The two steps after the download, once more on their own (the archive is in the cache).
  auto stepStart = Clock::now();
  const bool checked = CheckFileMd5(tasks[0].archivePath, tasks[0].checkValue);
  printf("check_seconds=%.3f\ncheck_ok=%d\n", SecondsSince(stepStart), checked ? 1 : 0);
  stepStart = Clock::now();
  const bool expanded = ExpandGz(tasks[0].archivePath, expandedPath);
  printf("expand_seconds=%.3f\nexpand_ok=%d\n", SecondsSince(stepStart), expanded ? 1 : 0);

  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
    printf("peak_working_set_bytes=%llu\n", static_cast<unsigned long long>(counters.PeakWorkingSetSize));
    printf("peak_pagefile_bytes=%llu\n", static_cast<unsigned long long>(counters.PeakPagefileUsage));
  }
  DestroyWindow(window);
  WSACleanup();
  return done ? 0 : 1;
}
