// The small checking window of a self-update: downloads the newer installer, shows only a
// percentage, and hands the downloaded program to the temp-copy step.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "net/download_task.h"
#include "ui/install_progress.h"
#include "ui/window_wnd_ex.h"

class CDownloadImpl;

// The archive path without its final ".gz": where the worker expanded it. A path that does
// not end in ".gz" comes back unchanged.
std::wstring ExpandedFilePath(const std::wstring& archivePath);

// "检测中, 请稍等...  %d%%" for the percent.
std::wstring WaitWindowText(int percent);

class CWaitWindow : public CWindowWndEx {
 public:
  static constexpr wchar_t kWindowName[] = L"WaitWindow";
  // A tool window: no taskbar button.
  static constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;

  // Copies the downloaded program into the temporary folder and makes it the relaunch
  // target; false when that failed (the user has been told).
  using TempCopyStep = std::function<bool(const std::wstring& programPath)>;

  // totalBytes is the size of every task together; 0 leaves the percentage at 0.
  CWaitWindow(DownloadTaskList tasks, int64_t totalBytes, TempCopyStep prepareTempCopy);
  ~CWaitWindow() override;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  void OnWindowInit() override;
  // The window object lives on the heap and goes with its window.
  void OnFinalMessage(HWND window) override;

 private:
  void OnDownloadProgress(uint32_t bytes);
  void OnDownloadDone();
  void OnDownloadFailed();
  void StopDownload();

  DownloadTaskList m_tasks;
  int64_t m_totalBytes;
  CDownloadProgress m_progress;
  std::shared_ptr<CDownloadImpl> m_downloader;
  TempCopyStep m_prepareTempCopy;
};
