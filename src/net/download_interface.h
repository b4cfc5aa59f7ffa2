// The interface of downloaders: fetch one URL into one local file, report the bytes received
// to a window, collect failure lines.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

class CIDownload {
 public:
  explicit CIDownload(HWND notifyWindow) : m_notifyWindow(notifyWindow) {}
  virtual ~CIDownload() = default;
  CIDownload(const CIDownload&) = delete;
  CIDownload& operator=(const CIDownload&) = delete;

  // True when the file was fully received. stopFlag (may be null) asks the download to end
  // when it becomes non-zero; it is written by another thread.
  virtual bool Download(const std::wstring& url, const std::wstring& localPath,
                        const std::atomic<uint8_t>* stopFlag) = 0;

  int32_t m_bytesTotal = 0;      // body bytes received over the object's life; wraps past 2 GiB
  int32_t m_bytesLast = 0;       // size of the last received block
  HWND m_notifyWindow = nullptr; // receives WM_DOWNLOAD_PROGRESS when set
  std::wstring m_errorText;      // failure lines, "\r\n" after each
};
