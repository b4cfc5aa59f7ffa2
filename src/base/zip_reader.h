// Reads zip archives (from a file or from memory): the entries' names and sizes, and one
// entry at a time unpacked into memory or block by block into a sink. Stored and deflated
// entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/native_path.h"

struct ZipEntry {
  std::string name;           // as stored in the archive (UTF-8 or the archive's code page), "/" separators
  uint64_t uncompressedSize;  // as declared by the archive
  bool isFolder;              // name ends in "/"
  bool nameIsUtf8 = false;    // the archive marks the name as UTF-8; otherwise its own code page
};

// Takes an entry's unpacked bytes in order, a block at a time; false stops the unpacking.
using ZipItemSink = std::function<bool(const uint8_t* bytes, size_t count)>;

class CZipReader {
 public:
  CZipReader();
  ~CZipReader();
  CZipReader(const CZipReader&) = delete;
  CZipReader& operator=(const CZipReader&) = delete;

  bool OpenFile(const NativePath& path);
  // The bytes must stay valid while the reader is open (the skin resource does).
  bool OpenMemory(const void* data, size_t size);
  void Close();

  int GetItemCount() const;
  bool GetItem(int index, ZipEntry& entry) const;
  // Unpacks one entry; false for a damaged entry, a failed check, or a declared size beyond
  // what the archive could hold (the entry is skipped, the archive stays usable).
  bool UnzipItem(int index, std::vector<uint8_t>& contents) const;
  // Unpacks one entry into sink, one block (at most 256 KiB) at a time, whatever its size.
  // False for a damaged entry, a failed check (found only once the last byte went to the
  // sink: the receiver must not use what it took before this says true) or a refusing sink.
  bool UnzipItemTo(int index, const ZipItemSink& sink) const;

 private:
  struct Impl;
  Impl* m_impl;
};
