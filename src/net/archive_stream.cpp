#include "net/archive_stream.h"

namespace {

// Expanded bytes are written in blocks of this size: few writes, each a system call.
constexpr size_t kOutputBlockSize = 1024 * 1024;

}  // namespace

CArchiveStream::CArchiveStream(NativePath outputPath)
    : m_outputPath(std::move(outputPath)), m_block(kOutputBlockSize) {
  // 16 + the largest window: gzip framing only, with its header and CRC-32 checked.
  m_inflaterReady = inflateInit2(&m_inflater, 16 + MAX_WBITS) == Z_OK;
  Reset();
}

CArchiveStream::~CArchiveStream() {
  if (m_inflaterReady) inflateEnd(&m_inflater);
}

void CArchiveStream::Reset() {
  m_hasher = std::make_unique<CheckValueHasher>();
  m_ended = false;
  m_unusable = !m_inflaterReady;
  if (m_inflaterReady && inflateReset(&m_inflater) != Z_OK) m_unusable = true;
  m_output.reset(OpenFile(m_outputPath, "wb"));
  if (!m_output) m_unusable = true;
}

void CArchiveStream::Restart() { Reset(); }

void CArchiveStream::Append(const char* bytes, size_t count) {
  if (count == 0) return;
  m_hasher->Update(bytes, count);
  if (!m_unusable) Inflate(bytes, count);
}

void CArchiveStream::Inflate(const char* bytes, size_t count) {
  // Bytes after the member's end: another member or trailing bytes, which gunzip of the
  // file reads its own way.
  if (m_ended) {
    m_unusable = true;
    return;
  }
  m_inflater.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes));
  for (;;) {
    // zlib counts in 32 bits; a larger piece is fed in parts.
    if (m_inflater.avail_in == 0 && count > 0) {
      const size_t part = count < 0x40000000 ? count : 0x40000000;
      m_inflater.avail_in = static_cast<uInt>(part);
      count -= part;
    }
    m_inflater.next_out = m_block.data();
    m_inflater.avail_out = static_cast<uInt>(m_block.size());
    const int status = inflate(&m_inflater, Z_NO_FLUSH);
    const size_t produced = m_block.size() - m_inflater.avail_out;
    if (produced > 0 && fwrite(m_block.data(), 1, produced, m_output.get()) != produced) {
      m_unusable = true;
      return;
    }
    if (status == Z_STREAM_END) {
      m_ended = true;
      if (m_inflater.avail_in > 0 || count > 0) m_unusable = true;
      return;
    }
    // Z_BUF_ERROR only says that no progress was possible: all input is taken.
    if (status != Z_OK && status != Z_BUF_ERROR) {
      m_unusable = true;
      return;
    }
    // Done with this piece once zlib has taken all of it and had output room to spare.
    if (m_inflater.avail_in == 0 && count == 0 && m_inflater.avail_out > 0) return;
  }
}

CArchiveStream::Result CArchiveStream::Finish() {
  Result result;
  result.checkValue = m_hasher->Finish();
  bool closed = true;
  if (m_output) closed = fclose(m_output.release()) == 0;
  result.expanded = closed && m_ended && !m_unusable;
  return result;
}
