#include "support/zip_builder.h"

#include <zlib.h>

namespace {

void Put16(std::string& out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}
void Put64(std::string& out, uint64_t value) {
  Put32(out, static_cast<uint32_t>(value));
  Put32(out, static_cast<uint32_t>(value >> 32));
}

// windowBits as deflateInit2 takes them: negative for raw deflate, 16 + 15 for a gzip member.
std::string Deflate(const std::string& bytes, int level, int windowBits) {
  z_stream stream{};
  deflateInit2(&stream, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 64, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

}  // namespace

std::string DeflateRaw(const std::string& bytes) { return Deflate(bytes, 9, -MAX_WBITS); }

std::string GzipBytes(const std::string& bytes, int level) { return Deflate(bytes, level, 15 + 16); }

ZipBuilder& ZipBuilder::Add(const std::string& name, const std::string& contents, bool deflate) {
  ZipBuilderEntry entry;
  entry.name = name;
  entry.contents = contents;
  entry.deflate = deflate;
  return Add(entry);
}

ZipBuilder& ZipBuilder::Add(const ZipBuilderEntry& entry) {
  m_entries.push_back(entry);
  return *this;
}

std::string ZipBuilder::Build(const std::string& comment) const {
  std::string archive;
  std::string directory;
  for (const ZipBuilderEntry& entry : m_entries) {
    const bool precompressed = !entry.deflatedData.empty();
    const std::string data =
        precompressed ? entry.deflatedData : (entry.deflate ? DeflateRaw(entry.contents) : entry.contents);
    const uint32_t crc = entry.overrideCrc
                             ? entry.declaredCrc
                             : static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(entry.contents.data()),
                                                           static_cast<uInt>(entry.contents.size())));
    const uint32_t size = entry.overrideSize ? entry.declaredSize : static_cast<uint32_t>(entry.contents.size());
    const uint16_t method = entry.method != 0xFFFF ? entry.method : (entry.deflate || precompressed ? 8 : 0);
    const uint32_t offset = static_cast<uint32_t>(archive.size());

    Put32(archive, 0x04034b50);
    Put16(archive, 20);
    Put16(archive, entry.flags);
    Put16(archive, method);
    Put32(archive, 0);  // time and date
    Put32(archive, crc);
    Put32(archive, static_cast<uint32_t>(data.size()));
    Put32(archive, size);
    Put16(archive, static_cast<uint32_t>(entry.name.size()));
    Put16(archive, 0);
    archive += entry.name;
    archive += data;

    std::string extra;
    if (entry.zip64Extra) {
      Put16(extra, 0x0001);
      Put16(extra, 24);
      Put64(extra, size);
      Put64(extra, data.size());
      Put64(extra, offset);
    }
    Put32(directory, 0x02014b50);
    Put16(directory, 45);
    Put16(directory, 20);
    Put16(directory, entry.flags);
    Put16(directory, method);
    Put32(directory, 0);
    Put32(directory, crc);
    Put32(directory, entry.zip64Extra ? 0xFFFFFFFF : static_cast<uint32_t>(data.size()));
    Put32(directory, entry.zip64Extra ? 0xFFFFFFFF : size);
    Put16(directory, static_cast<uint32_t>(entry.name.size()));
    Put16(directory, static_cast<uint32_t>(extra.size()));
    Put16(directory, 0);  // comment
    Put16(directory, 0);  // disk
    Put16(directory, 0);  // internal attributes
    Put32(directory, 0);  // external attributes
    Put32(directory, entry.zip64Extra ? 0xFFFFFFFF : offset);
    directory += entry.name;
    directory += extra;
  }
  const uint32_t directoryOffset = static_cast<uint32_t>(archive.size());
  archive += directory;
  Put32(archive, 0x06054b50);
  Put16(archive, 0);
  Put16(archive, 0);
  Put16(archive, static_cast<uint32_t>(m_entries.size()));
  Put16(archive, static_cast<uint32_t>(m_entries.size()));
  Put32(archive, static_cast<uint32_t>(directory.size()));
  Put32(archive, directoryOffset);
  Put16(archive, static_cast<uint32_t>(comment.size()));
  archive += comment;
  return archive;
}
