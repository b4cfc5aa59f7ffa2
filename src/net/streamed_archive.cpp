#include "net/streamed_archive.h"

#include <system_error>
#include <utility>

CStreamedArchive::CStreamedArchive(NativePath outputPath) : m_stream(std::move(outputPath)) {
  try {
    m_thread = std::thread(&CStreamedArchive::Work, this);
  } catch (const std::system_error&) {
    // No thread to be had: the stream runs on the downloader's thread.
  }
}

CStreamedArchive::~CStreamedArchive() { Finish(); }

void CStreamedArchive::BodyRestarted() {
  Piece piece;
  piece.restart = true;
  Hand(std::move(piece));
}

void CStreamedArchive::BodyBytes(const char* bytes, size_t count) {
  if (count == 0) return;
  Piece piece;
  piece.bytes.assign(bytes, bytes + count);
  Hand(std::move(piece));
}

void CStreamedArchive::Hand(Piece piece) {
  if (!m_thread.joinable()) {
    if (piece.restart) m_stream.Restart();
    m_stream.Append(piece.bytes.data(), piece.bytes.size());
    return;
  }
  std::unique_lock<std::mutex> lock(m_mutex);
  m_changed.wait(lock, [&] { return m_queuedBytes < kStreamQueueBytes; });
  m_queuedBytes += piece.bytes.size();
  if (m_queuedBytes > m_peakQueuedBytes) m_peakQueuedBytes = m_queuedBytes;
  m_queue.push_back(std::move(piece));
  m_changed.notify_all();
}

void CStreamedArchive::Work() {
  for (;;) {
    Piece piece;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_changed.wait(lock, [&] { return !m_queue.empty() || m_closed; });
      if (m_queue.empty()) return;
      piece = std::move(m_queue.front());
      m_queue.pop_front();
    }
    if (piece.restart) m_stream.Restart();
    m_stream.Append(piece.bytes.data(), piece.bytes.size());
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_queuedBytes -= piece.bytes.size();
    }
    m_changed.notify_all();
  }
}

size_t CStreamedArchive::PeakQueuedBytes() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_peakQueuedBytes;
}

CArchiveStream::Result CStreamedArchive::Finish() {
  if (m_finished) return m_result;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
  }
  m_changed.notify_all();
  if (m_thread.joinable()) m_thread.join();
  m_result = m_stream.Finish();
  m_finished = true;
  return m_result;
}
