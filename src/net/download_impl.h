// The download worker: on a thread of its own, downloads, checks and expands every task of
// a list, then tells the window that started it how it ended.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/download_task.h"
#include "net/final_message.h"
#include "net/socket_download.h"

class CDownloadImpl {
 public:
  // tasks is not owned and must outlive the worker; notifyWindow may be null.
  CDownloadImpl(const DownloadTaskList* tasks, HWND notifyWindow);
  // Asks the work to stop and waits for the thread.
  virtual ~CDownloadImpl();
  CDownloadImpl(const CDownloadImpl&) = delete;
  CDownloadImpl& operator=(const CDownloadImpl&) = delete;

  // Clears the stop flag, waits for an earlier run, and starts Run on a new thread.
  void Start();
  // Sets the stop flag and waits for the thread, as a closing window does.
  void StopAndJoin();
  // For the failed message, the worker's last act: the join returns at once, and the
  // downloader's failure lines are then complete.
  std::wstring JoinAndTakeFailureLines();

  const DownloadTaskList* m_tasks;
  std::atomic<uint8_t> m_stopFlag{0};  // 1 asks the work to stop; written by the window thread
  std::shared_ptr<std::thread> m_thread;
  std::shared_ptr<CSocketDownload> m_downloader;  // its m_errorText holds the failure lines
  MessagePoster m_finalPoster = ::PostMessageW;   // posts done and failed; tests make it refuse

 private:
  void Run();
  // Downloads, checks and expands one task, from its mirrors when its URL fails. False, with
  // the failed message posted when it was not stopped, ends the run.
  bool RunTask(const DownloadTask& task);
  // The run's last message (done or failed): tried again while the window's queue is full.
  void Post(UINT message);
};
