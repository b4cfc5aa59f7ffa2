#include "net/progress_reporter.h"

#include "net/download_messages.h"

CProgressReporter::CProgressReporter(HWND window, MessagePoster poster, DWORD intervalMs)
    : m_window(window), m_poster(poster), m_intervalMs(intervalMs) {}

bool CProgressReporter::PostGathered() {
  const uint64_t bytes = m_unreported < kProgressReportMaxBytes ? m_unreported : kProgressReportMaxBytes;
  if (!m_poster(m_window, WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(bytes), 0)) return false;
  m_unreported -= bytes;
  return true;
}

void CProgressReporter::Add(uint32_t bytes) {
  if (!m_window || bytes == 0) return;
  m_unreported += bytes;
  const DWORD now = GetTickCount();
  // Tick counts wrap after 49.7 days; the subtraction stays correct in unsigned arithmetic.
  if (m_reportedOnce && now - m_lastReportTick < m_intervalMs) return;
  // The interval restarts after a refusal too, so a full queue is not asked again at once.
  m_lastReportTick = now;
  m_reportedOnce = true;
  PostGathered();
}

bool CProgressReporter::Flush(const std::atomic<uint8_t>& stopFlag) {
  if (!m_window) return true;
  while (m_unreported > 0) {
    const uint64_t bytes = m_unreported < kProgressReportMaxBytes ? m_unreported : kProgressReportMaxBytes;
    if (!PostFinalMessage(m_window, WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(bytes), 0, stopFlag,
                          m_poster)) {
      return false;
    }
    m_unreported -= bytes;
  }
  return true;
}
