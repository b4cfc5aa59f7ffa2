// Which bytes of a release file a "Range" request field asks for, and how to answer it.
//
// Examples, for a file of 1000 bytes:
//   (no field), "bytes=0-", "bytes=0-999", "bytes=-1000" -> kWhole (200, the whole file)
//   "bytes=100-"     -> kPart, bytes 100 to 999 (206, "Content-Range: bytes 100-999/1000")
//   "bytes=100-199"  -> kPart, bytes 100 to 199; "bytes=900-5000" -> bytes 900 to 999
//   "bytes=-10"      -> kPart, bytes 990 to 999
//   "bytes=1000-", "bytes=-0" -> kUnsatisfiable (416, "Content-Range: bytes */1000")
//   "bytes=5-2", "items=0-", "bytes=0-1,5-9", "bytes=x-" -> kWhole: a field the service does
//   not serve is ignored, as HTTP allows, and the whole file goes out.
// A range that covers the whole file is answered as the whole file: the installer asks for
// "bytes=0-" on every download and takes a plain 200 as the complete file.
#pragma once

#include <cstdint>
#include <string>

enum class RangeKind { kWhole, kPart, kUnsatisfiable };

struct ByteRange {
  RangeKind kind = RangeKind::kWhole;
  int64_t first = 0;  // for kPart: first and last byte, both included
  int64_t last = -1;
};

ByteRange ResolveByteRange(const std::string& rangeField, int64_t fileSize);
