// The check value and the gunzip of an archive worked out from its bytes as they arrive, so
// that neither has to read the file again once the download ends. Bytes come in order; a
// body that starts the file again starts the stream again.
#pragma once

#include <zlib.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/file_owner.h"
#include "base/native_path.h"
#include "net/check_value.h"

class CArchiveStream {
 public:
  // The expanded bytes go to outputPath (made or emptied on the first bytes, or on Restart).
  explicit CArchiveStream(NativePath outputPath);
  ~CArchiveStream();
  CArchiveStream(const CArchiveStream&) = delete;
  CArchiveStream& operator=(const CArchiveStream&) = delete;

  // Forgets every byte so far: the archive starts again from its first byte.
  void Restart();
  void Append(const char* bytes, size_t count);

  struct Result {
    std::string checkValue;  // of every byte since the last restart; empty if none could be made
    // True only when the bytes were one whole gzip member and outputPath holds all of its
    // expansion. Anything else (a cut, damaged or concatenated stream, trailing bytes, a
    // failed write) leaves it false, and the archive file is the one to expand.
    bool expanded = false;
  };
  // Ends the stream; outputPath is closed.
  Result Finish();

 private:
  void Inflate(const char* bytes, size_t count);
  void Reset();

  NativePath m_outputPath;
  std::unique_ptr<CheckValueHasher> m_hasher;
  z_stream m_inflater = {};
  bool m_inflaterReady = false;
  bool m_ended = false;   // the member's end was read
  bool m_unusable = false;  // the expansion cannot be trusted: the archive file decides
  FileOwner m_output;
  std::vector<unsigned char> m_block;
};
