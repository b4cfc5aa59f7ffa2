#include "zip_writer.h"

#include <sys/stat.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

constexpr size_t kBlockSize = 256 * 1024;
constexpr uint64_t kZip32Limit = 0xFFFFFFFFull;
constexpr uint16_t kVersionNeeded = 20;            // 2.0: deflate and folders
constexpr uint16_t kVersionMadeBy = (3 << 8) | 20;  // Unix, 2.0: external attributes hold the mode
constexpr uint16_t kFlagUtf8Names = 1 << 11;

void Put16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}
void Put32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void DosTime(time_t when, uint16_t& dosTime, uint16_t& dosDate) {
  struct tm local = {};
  localtime_r(&when, &local);
  if (local.tm_year < 80) {  // the format starts in 1980
    dosTime = 0;
    dosDate = (1 << 5) | 1;
    return;
  }
  dosTime = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
  dosDate = static_cast<uint16_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
}

bool IsAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

ZipWriter::~ZipWriter() {
  if (m_file) fclose(m_file);
}

bool ZipWriter::Open(const std::filesystem::path& path, std::string& error) {
  m_file = fopen(path.c_str(), "wb");
  if (!m_file) {
    error = "cannot write " + path.string() + ": " + strerror(errno);
    return false;
  }
  m_path = path;
  return true;
}

bool ZipWriter::Write(const void* data, size_t size, std::string& error) {
  if (size > 0 && fwrite(data, 1, size, m_file) != size) {
    error = "cannot write " + m_path.string() + ": " + strerror(errno);
    return false;
  }
  m_offset += size;
  if (m_offset > kZip32Limit) {
    error = m_path.string() + " would exceed 4 GiB, which this zip writer does not support";
    return false;
  }
  return true;
}

bool ZipWriter::CheckName(const std::string& name, std::string& error) const {
  if (name.empty() || name.size() > 0xFFFF || name[0] == '/' || name.find('\\') != std::string::npos) {
    error = "unusable zip entry name '" + name + "'";
    return false;
  }
  if (m_entries.size() >= 0xFFFF) {
    error = "more than 65534 entries, which this zip writer does not support";
    return false;
  }
  return true;
}

// The fields the local header and the central directory entry share, in their order: from the
// version needed to extract up to the length of the (empty) extra field.
void ZipWriter::PutSharedHeaderFields(std::string& header, const Entry& entry) {
  Put16(header, kVersionNeeded);
  Put16(header, entry.flags);
  Put16(header, entry.method);
  Put16(header, entry.dosTime);
  Put16(header, entry.dosDate);
  Put32(header, entry.crc);
  Put32(header, entry.compressedSize);
  Put32(header, entry.size);
  Put16(header, static_cast<uint16_t>(entry.name.size()));
  Put16(header, 0);  // extra field
}

bool ZipWriter::WriteLocalHeader(const Entry& entry, std::string& error) {
  std::string header;
  Put32(header, 0x04034b50);
  PutSharedHeaderFields(header, entry);
  header += entry.name;
  return Write(header.data(), header.size(), error);
}

bool ZipWriter::AddFolder(const std::string& name, time_t modified, std::string& error) {
  if (!CheckName(name, error)) return false;
  Entry entry = {};
  entry.name = name.back() == '/' ? name : name + "/";
  entry.flags = IsAscii(entry.name) ? 0 : kFlagUtf8Names;
  DosTime(modified, entry.dosTime, entry.dosDate);
  entry.localHeaderOffset = static_cast<uint32_t>(m_offset);
  entry.externalAttributes = (040755u << 16) | 0x10;  // Unix folder mode, and the DOS folder bit
  if (!WriteLocalHeader(entry, error)) return false;
  m_entries.push_back(entry);
  return true;
}

bool ZipWriter::AddFile(const std::string& name, const std::filesystem::path& source, Method method,
                        std::string& error) {
  if (!CheckName(name, error)) return false;
  std::unique_ptr<FILE, int (*)(FILE*)> in(fopen(source.c_str(), "rb"), fclose);
  struct stat status = {};
  if (!in || fstat(fileno(in.get()), &status) != 0) {
    error = "cannot read " + source.string() + ": " + strerror(errno);
    return false;
  }
  if (static_cast<uint64_t>(status.st_size) > kZip32Limit) {
    error = source.string() + " is 4 GiB or more, which this zip writer does not support";
    return false;
  }
  Entry entry = {};
  entry.name = name;
  entry.flags = IsAscii(name) ? 0 : kFlagUtf8Names;
  entry.method = method == Method::kDeflate ? 8 : 0;
  DosTime(status.st_mtime, entry.dosTime, entry.dosDate);
  entry.localHeaderOffset = static_cast<uint32_t>(m_offset);
  entry.externalAttributes = (0100000u | (status.st_mode & 0777)) << 16;
  // Sizes and CRC are known only after the data; the header is patched afterwards.
  if (!WriteLocalHeader(entry, error)) return false;

  std::vector<unsigned char> input(kBlockSize), output(kBlockSize);
  uLong crc = crc32(0, nullptr, 0);
  uint64_t size = 0, compressed = 0;
  z_stream stream = {};
  if (method == Method::kDeflate &&
      deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    error = "cannot start compressing " + source.string();
    return false;
  }
  std::unique_ptr<z_stream, int (*)(z_stream*)> deflater(method == Method::kDeflate ? &stream : nullptr, deflateEnd);
  bool finished = false;
  while (!finished) {
    const size_t count = fread(input.data(), 1, input.size(), in.get());
    if (ferror(in.get())) {
      error = "cannot read " + source.string() + ": " + strerror(errno);
      return false;
    }
    finished = feof(in.get()) != 0;
    crc = crc32(crc, input.data(), static_cast<uInt>(count));
    size += count;
    if (method == Method::kStore) {
      if (!Write(input.data(), count, error)) return false;
      compressed += count;
      continue;
    }
    stream.next_in = input.data();
    stream.avail_in = static_cast<uInt>(count);
    do {
      stream.next_out = output.data();
      stream.avail_out = static_cast<uInt>(output.size());
      deflate(&stream, finished ? Z_FINISH : Z_NO_FLUSH);
      const size_t produced = output.size() - stream.avail_out;
      if (!Write(output.data(), produced, error)) return false;
      compressed += produced;
    } while (stream.avail_out == 0);
  }
  if (size > kZip32Limit || compressed > kZip32Limit) {
    error = source.string() + " grew past 4 GiB while it was read";
    return false;
  }
  entry.crc = static_cast<uint32_t>(crc);
  entry.size = static_cast<uint32_t>(size);
  entry.compressedSize = static_cast<uint32_t>(compressed);

  std::string patch;
  Put32(patch, entry.crc);
  Put32(patch, entry.compressedSize);
  Put32(patch, entry.size);
  if (fseeko(m_file, static_cast<off_t>(entry.localHeaderOffset) + 14, SEEK_SET) != 0 ||
      fwrite(patch.data(), 1, patch.size(), m_file) != patch.size() ||
      fseeko(m_file, 0, SEEK_END) != 0) {
    error = "cannot write " + m_path.string() + ": " + strerror(errno);
    return false;
  }
  m_entries.push_back(entry);
  return true;
}

bool ZipWriter::Finish(std::string& error) {
  const uint64_t directoryOffset = m_offset;
  for (const Entry& entry : m_entries) {
    std::string header;
    Put32(header, 0x02014b50);
    Put16(header, kVersionMadeBy);
    PutSharedHeaderFields(header, entry);
    Put16(header, 0);  // comment
    Put16(header, 0);  // disk
    Put16(header, 0);  // internal attributes
    Put32(header, entry.externalAttributes);
    Put32(header, entry.localHeaderOffset);
    header += entry.name;
    if (!Write(header.data(), header.size(), error)) return false;
  }
  const uint64_t directorySize = m_offset - directoryOffset;
  std::string end;
  Put32(end, 0x06054b50);
  Put16(end, 0);
  Put16(end, 0);
  Put16(end, static_cast<uint16_t>(m_entries.size()));
  Put16(end, static_cast<uint16_t>(m_entries.size()));
  Put32(end, static_cast<uint32_t>(directorySize));
  Put32(end, static_cast<uint32_t>(directoryOffset));
  Put16(end, 0);
  if (!Write(end.data(), end.size(), error)) return false;
  const int closed = fclose(m_file);
  m_file = nullptr;
  if (closed != 0) {
    error = "cannot write " + m_path.string() + ": " + strerror(errno);
    return false;
  }
  return true;
}
