// Fuzzes the zip reader with whole archives and with damaged copies of a valid one, so the
// directory, local headers and deflate data are all reached from the first second.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/zip_reader.h"
#include "support/zip_builder.h"

namespace {

const std::string& SeedArchive() {
  static const std::string archive = [] {
    ZipBuilderEntry zip64;
    zip64.name = "z64/entry.bin";
    zip64.contents = "zip64 entry contents zip64 entry contents";
    zip64.zip64Extra = true;
    return ZipBuilder()
        .Add("stored.txt", "stored contents", false)
        .Add("folder/", "", false)
        .Add("folder/deflated.txt", std::string(3000, 'q') + "tail", true)
        .Add(zip64)
        .Build("comment");
  }();
  return archive;
}

void ReadEverything(const std::string& archive) {
  CZipReader reader;
  if (!reader.OpenMemory(archive.data(), archive.size())) return;
  const int count = reader.GetItemCount();
  for (int i = 0; i < count && i < 64; ++i) {
    ZipEntry entry;
    if (!reader.GetItem(i, entry)) __builtin_trap();
    std::vector<uint8_t> contents;
    if (reader.UnzipItem(i, contents) && contents.size() != entry.uncompressedSize) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if (data[0] & 1) {
    ReadEverything(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    return 0;
  }
  // Patches of (offset, byte) applied to the valid archive.
  std::string archive = SeedArchive();
  for (size_t i = 1; i + 2 < size; i += 3) {
    const size_t offset = (static_cast<size_t>(data[i]) | (static_cast<size_t>(data[i + 1]) << 8)) % archive.size();
    archive[offset] = static_cast<char>(data[i + 2]);
  }
  ReadEverything(archive);
  return 0;
}
