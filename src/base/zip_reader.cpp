#include "base/zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/file_owner.h"

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;

constexpr size_t kEndRecordSize = 22;
constexpr size_t kMaxCommentSize = 0xFFFF;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagUtf8Name = 0x0800;

// Deflate cannot expand its input by more than about 1032 times; an entry that claims more
// than that (plus slack for tiny entries) is lying about its size.
constexpr uint64_t kMaxDeflateRatio = 1032;
constexpr uint64_t kRatioSlack = 64 * 1024;
// An entry unpacked whole into memory in a 32-bit process may ask for no more; a streamed
// one holds a block at a time and is bounded by the deflate ratio only.
constexpr uint64_t kMaxEntrySize = 512ull * 1024 * 1024;

constexpr size_t kReadChunk = 64 * 1024;
constexpr size_t kInflateBlock = 256 * 1024;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t Le64(const uint8_t* p) { return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32); }

bool SeekTo(FILE* file, uint64_t offset) {
#ifdef _WIN32
  return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool FileSize(FILE* file, uint64_t& size) {
#ifdef _WIN32
  if (_fseeki64(file, 0, SEEK_END) != 0) return false;
  const long long end = _ftelli64(file);
#else
  if (fseeko(file, 0, SEEK_END) != 0) return false;
  const off_t end = ftello(file);
#endif
  if (end < 0) return false;
  size = static_cast<uint64_t>(end);
  return true;
}

struct CentralEntry {
  std::string name;
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
  uint64_t localHeaderOffset = 0;
  uint32_t crc = 0;
  uint16_t method = 0;
  uint16_t flags = 0;
};

}  // namespace

struct CZipReader::Impl {
  // Exactly one source is set: the caller's bytes or an open file.
  const uint8_t* memory = nullptr;
  FileOwner file;
  uint64_t size = 0;
  // Entries' data must lie before the central directory.
  uint64_t dataEnd = 0;
  std::vector<CentralEntry> entries;

  bool ReadAt(uint64_t offset, void* buffer, size_t length) const {
    if (offset > size || length > size - offset) return false;
    if (memory) {
      memcpy(buffer, memory + offset, length);
      return true;
    }
    return SeekTo(file.get(), offset) && fread(buffer, 1, length, file.get()) == length;
  }

  bool ReadDirectory();
  bool FindEnd(uint64_t& endOffset, std::vector<uint8_t>& tail) const;
  bool ReadZip64End(uint64_t endOffset, uint64_t& count, uint64_t& directorySize,
                    uint64_t& directoryOffset) const;
  // The entry's bytes in order into sink, their CRC-32 and count checked on the way.
  bool Stream(const CentralEntry& entry, const ZipItemSink& sink) const;
  bool Inflate(uint64_t offset, const CentralEntry& entry, const ZipItemSink& take) const;
};

bool CZipReader::Impl::FindEnd(uint64_t& endOffset, std::vector<uint8_t>& tail) const {
  if (size < kEndRecordSize) return false;
  const uint64_t tailSize = std::min<uint64_t>(size, kEndRecordSize + kMaxCommentSize);
  tail.resize(static_cast<size_t>(tailSize));
  if (!ReadAt(size - tailSize, tail.data(), tail.size())) return false;
  // The last record whose comment length reaches exactly to the end of the archive wins;
  // failing that, the last signature (some writers miscount the comment).
  long long fallback = -1;
  for (long long i = static_cast<long long>(tail.size() - kEndRecordSize); i >= 0; --i) {
    const uint8_t* p = tail.data() + i;
    if (Le32(p) != kEndSignature) continue;
    if (i + kEndRecordSize + Le16(p + 20) == tail.size()) {
      endOffset = size - tailSize + static_cast<uint64_t>(i);
      return true;
    }
    if (fallback < 0) fallback = i;
  }
  if (fallback < 0) return false;
  endOffset = size - tailSize + static_cast<uint64_t>(fallback);
  return true;
}

bool CZipReader::Impl::ReadZip64End(uint64_t endOffset, uint64_t& count, uint64_t& directorySize,
                                    uint64_t& directoryOffset) const {
  if (endOffset < 20) return false;
  uint8_t locator[20];
  if (!ReadAt(endOffset - 20, locator, sizeof locator) || Le32(locator) != kZip64LocatorSignature) {
    return false;
  }
  const uint64_t recordOffset = Le64(locator + 8);
  uint8_t record[56];
  if (!ReadAt(recordOffset, record, sizeof record) || Le32(record) != kZip64EndSignature) return false;
  count = Le64(record + 32);
  directorySize = Le64(record + 40);
  directoryOffset = Le64(record + 48);
  return true;
}

bool CZipReader::Impl::ReadDirectory() {
  uint64_t endOffset = 0;
  std::vector<uint8_t> tail;
  if (!FindEnd(endOffset, tail)) return false;
  const uint8_t* end = tail.data() + (endOffset - (size - tail.size()));
  uint64_t count = Le16(end + 10);
  uint64_t directorySize = Le32(end + 12);
  uint64_t directoryOffset = Le32(end + 16);
  if (count == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF) {
    uint64_t count64 = 0, size64 = 0, offset64 = 0;
    if (ReadZip64End(endOffset, count64, size64, offset64)) {
      count = count64;
      directorySize = size64;
      directoryOffset = offset64;
    }
  }
  if (directoryOffset > size || directorySize > size - directoryOffset) return false;
  // A count the directory cannot hold is a lie; the directory's own records decide.
  if (count > directorySize / kCentralHeaderSize) return false;
  dataEnd = directoryOffset;

  std::vector<uint8_t> directory(static_cast<size_t>(directorySize));
  if (!ReadAt(directoryOffset, directory.data(), directory.size())) return false;
  entries.reserve(static_cast<size_t>(count));
  size_t pos = 0;
  for (uint64_t i = 0; i < count; ++i) {
    if (directory.size() - pos < kCentralHeaderSize) return false;
    const uint8_t* p = directory.data() + pos;
    if (Le32(p) != kCentralHeaderSignature) return false;
    const size_t nameLength = Le16(p + 28);
    const size_t extraLength = Le16(p + 30);
    const size_t commentLength = Le16(p + 32);
    const size_t recordSize = kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (directory.size() - pos < recordSize) return false;

    CentralEntry entry;
    entry.flags = Le16(p + 8);
    entry.method = Le16(p + 10);
    entry.crc = Le32(p + 16);
    entry.compressedSize = Le32(p + 20);
    entry.uncompressedSize = Le32(p + 24);
    entry.localHeaderOffset = Le32(p + 42);
    entry.name.assign(reinterpret_cast<const char*>(p + kCentralHeaderSize), nameLength);

    // Zip64: the fields that overflowed follow in the extra block, in this order.
    const uint8_t* extra = p + kCentralHeaderSize + nameLength;
    for (size_t e = 0; e + 4 <= extraLength;) {
      const uint16_t id = Le16(extra + e);
      const size_t length = Le16(extra + e + 2);
      if (e + 4 + length > extraLength) break;
      if (id == 0x0001) {
        const uint8_t* field = extra + e + 4;
        size_t left = length;
        auto take = [&](uint64_t& value) {
          if (value != 0xFFFFFFFF || left < 8) return;
          value = Le64(field);
          field += 8;
          left -= 8;
        };
        take(entry.uncompressedSize);
        take(entry.compressedSize);
        take(entry.localHeaderOffset);
      }
      e += 4 + length;
    }
    entries.push_back(std::move(entry));
    pos += recordSize;
  }
  return true;
}

bool CZipReader::Impl::Inflate(uint64_t offset, const CentralEntry& entry, const ZipItemSink& take) const {
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
  struct StreamEnd {
    z_stream* stream;
    ~StreamEnd() { inflateEnd(stream); }
  } streamEnd{&stream};

  std::vector<uint8_t> chunk;
  std::vector<uint8_t> block(kInflateBlock);
  uint64_t left = entry.compressedSize;
  int status = Z_OK;
  while (status != Z_STREAM_END) {
    if (stream.avail_in == 0) {
      if (left == 0) return false;  // the stream ends before its end marker
      const size_t part = static_cast<size_t>(std::min<uint64_t>(left, kReadChunk));
      if (memory) {
        stream.next_in = const_cast<uint8_t*>(memory + offset);
      } else {
        chunk.resize(part);
        if (!ReadAt(offset, chunk.data(), part)) return false;
        stream.next_in = chunk.data();
      }
      stream.avail_in = static_cast<uInt>(part);
      offset += part;
      left -= part;
    }
    stream.next_out = block.data();
    stream.avail_out = static_cast<uInt>(block.size());
    status = inflate(&stream, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END) return false;
    if (!take(block.data(), block.size() - stream.avail_out)) return false;
  }
  return true;
}

bool CZipReader::Impl::Stream(const CentralEntry& entry, const ZipItemSink& sink) const {
  if (entry.flags & kFlagEncrypted) return false;
  if (entry.method != kMethodStored && entry.method != kMethodDeflated) return false;

  uint8_t local[kLocalHeaderSize];
  if (!ReadAt(entry.localHeaderOffset, local, sizeof local) || Le32(local) != kLocalHeaderSignature) {
    return false;
  }
  const uint64_t dataOffset = entry.localHeaderOffset + kLocalHeaderSize + Le16(local + 26) + Le16(local + 28);
  if (dataOffset > dataEnd || entry.compressedSize > dataEnd - dataOffset) return false;
  if (entry.method == kMethodStored && entry.compressedSize != entry.uncompressedSize) return false;
  if (entry.method == kMethodDeflated &&
      entry.uncompressedSize > entry.compressedSize * kMaxDeflateRatio + kRatioSlack) {
    return false;
  }

  // Every piece is counted and summed before the sink sees it: an entry that gives more
  // bytes than it declared stops at the first piece too many.
  uLong crc = crc32(0, nullptr, 0);
  uint64_t total = 0;
  const auto take = [&](const uint8_t* bytes, size_t count) {
    if (count == 0) return true;
    if (count > entry.uncompressedSize - total) return false;
    total += count;
    crc = crc32(crc, bytes, static_cast<uInt>(count));
    return sink(bytes, count);
  };
  bool unpacked = true;
  if (entry.method == kMethodStored) {
    std::vector<uint8_t> chunk;
    for (uint64_t at = 0; unpacked && at < entry.compressedSize;) {
      const size_t part = static_cast<size_t>(std::min<uint64_t>(entry.compressedSize - at, kReadChunk));
      if (memory) {
        unpacked = take(memory + dataOffset + at, part);
      } else {
        chunk.resize(part);
        unpacked = ReadAt(dataOffset + at, chunk.data(), part) && take(chunk.data(), part);
      }
      at += part;
    }
  } else {
    unpacked = Inflate(dataOffset, entry, take);
  }
  return unpacked && total == entry.uncompressedSize && crc == entry.crc;
}

CZipReader::CZipReader() : m_impl(nullptr) {}

CZipReader::~CZipReader() { Close(); }

bool CZipReader::OpenFile(const NativePath& path) {
  Close();
  auto impl = std::make_unique<Impl>();
  impl->file.reset(::OpenFile(path, "rb"));
  if (!impl->file || !FileSize(impl->file.get(), impl->size) || !impl->ReadDirectory()) return false;
  m_impl = impl.release();
  return true;
}

bool CZipReader::OpenMemory(const void* data, size_t size) {
  Close();
  if (!data && size != 0) return false;
  auto impl = std::make_unique<Impl>();
  impl->memory = static_cast<const uint8_t*>(data);
  impl->size = size;
  if (!impl->ReadDirectory()) return false;
  m_impl = impl.release();
  return true;
}

void CZipReader::Close() {
  delete m_impl;
  m_impl = nullptr;
}

int CZipReader::GetItemCount() const {
  if (!m_impl) return 0;
  return static_cast<int>(std::min<size_t>(m_impl->entries.size(), 0x7FFFFFFF));
}

bool CZipReader::GetItem(int index, ZipEntry& entry) const {
  if (!m_impl || index < 0 || static_cast<size_t>(index) >= m_impl->entries.size()) return false;
  const CentralEntry& central = m_impl->entries[static_cast<size_t>(index)];
  entry.name = central.name;
  entry.uncompressedSize = central.uncompressedSize;
  entry.isFolder = !central.name.empty() && central.name.back() == '/';
  entry.nameIsUtf8 = (central.flags & kFlagUtf8Name) != 0;
  return true;
}

bool CZipReader::UnzipItem(int index, std::vector<uint8_t>& contents) const {
  contents.clear();
  if (!m_impl || index < 0 || static_cast<size_t>(index) >= m_impl->entries.size()) return false;
  const CentralEntry& entry = m_impl->entries[static_cast<size_t>(index)];
  if (entry.uncompressedSize > kMaxEntrySize) return false;
  contents.reserve(static_cast<size_t>(entry.uncompressedSize));
  const bool unpacked = m_impl->Stream(entry, [&contents](const uint8_t* bytes, size_t count) {
    contents.insert(contents.end(), bytes, bytes + count);
    return true;
  });
  if (!unpacked) {
    contents.clear();
    contents.shrink_to_fit();
  }
  return unpacked;
}

bool CZipReader::UnzipItemTo(int index, const ZipItemSink& sink) const {
  if (!m_impl || index < 0 || static_cast<size_t>(index) >= m_impl->entries.size()) return false;
  return m_impl->Stream(m_impl->entries[static_cast<size_t>(index)], sink);
}
