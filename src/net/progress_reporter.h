// Tells a window how many body bytes arrived without flooding its queue: bytes are gathered
// and posted as one WM_DOWNLOAD_PROGRESS at most every interval, and whatever is left is
// posted before the download's caller goes on, so the wParams still add up to every byte.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "net/final_message.h"

// 20 reports a second move the bar smoothly, and a window that stops reading its queue
// for a minute finds 1,200 of them there, far from the 10,000 a queue holds.
constexpr DWORD kProgressReportIntervalMs = 50;
// The windows read wParam as 32 bits; a larger gathered count goes out in several reports.
constexpr uint64_t kProgressReportMaxBytes = 0x40000000;

class CProgressReporter {
 public:
  // window may be null: then nothing is gathered or posted.
  explicit CProgressReporter(HWND window, MessagePoster poster = ::PostMessageW,
                             DWORD intervalMs = kProgressReportIntervalMs);
  CProgressReporter(const CProgressReporter&) = delete;
  CProgressReporter& operator=(const CProgressReporter&) = delete;

  // Gathers bytes and posts them when the interval since the last report has passed (the
  // first bytes go out at once). A refused post keeps the bytes for the next report.
  void Add(uint32_t bytes);
  // Posts what is gathered, again while the queue refuses it, until it is taken, the window
  // is gone or stopFlag is non-zero. True when nothing is left unreported.
  bool Flush(const std::atomic<uint8_t>& stopFlag);

  uint64_t Unreported() const { return m_unreported; }

 private:
  // One post of the gathered bytes (at most kProgressReportMaxBytes); true when taken.
  bool PostGathered();

  HWND m_window;
  MessagePoster m_poster;
  DWORD m_intervalMs;
  DWORD m_lastReportTick = 0;
  bool m_reportedOnce = false;
  uint64_t m_unreported = 0;
};
