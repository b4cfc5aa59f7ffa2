// Works out an archive's check value and expansion (CArchiveStream) on a thread of its own
// while the download goes on, from the body bytes the downloader hands it. At most
// kStreamQueueBytes wait for the thread: a slower expansion holds the download back rather
// than fill the memory.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "net/archive_stream.h"
#include "net/body_observer.h"

constexpr size_t kStreamQueueBytes = 2 * 1024 * 1024;

class CStreamedArchive : public IBodyObserver {
 public:
  explicit CStreamedArchive(NativePath outputPath);
  ~CStreamedArchive() override;
  CStreamedArchive(const CStreamedArchive&) = delete;
  CStreamedArchive& operator=(const CStreamedArchive&) = delete;

  void BodyRestarted() override;
  void BodyBytes(const char* bytes, size_t count) override;
  // Waits for every byte handed over; then the stream's result. Called once.
  CArchiveStream::Result Finish();
  // The most bytes that waited for the thread at once: below kStreamQueueBytes plus one piece.
  size_t PeakQueuedBytes();

 private:
  struct Piece {
    bool restart = false;
    std::vector<char> bytes;
  };
  void Hand(Piece piece);
  void Work();

  CArchiveStream m_stream;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<Piece> m_queue;
  size_t m_queuedBytes = 0;
  size_t m_peakQueuedBytes = 0;
  bool m_closed = false;
  bool m_finished = false;
  CArchiveStream::Result m_result;
  std::thread m_thread;  // not started when the system has no thread to give: the work is done inline
};
