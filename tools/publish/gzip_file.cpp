#include "gzip_file.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "net/check_value.h"

namespace {

constexpr size_t kBlockSize = 256 * 1024;

using FileOwner = std::unique_ptr<FILE, int (*)(FILE*)>;

struct DeflateOwner {
  z_stream* stream;
  ~DeflateOwner() { deflateEnd(stream); }
};

}  // namespace

bool GzipFile(const std::filesystem::path& source, const std::filesystem::path& target, int level,
              GzipOutcome& outcome, std::string& error) {
  FileOwner in(fopen(source.c_str(), "rb"), fclose);
  if (!in) {
    error = "cannot read " + source.string() + ": " + strerror(errno);
    return false;
  }
  FileOwner out(fopen(target.c_str(), "wb"), fclose);
  if (!out) {
    error = "cannot write " + target.string() + ": " + strerror(errno);
    return false;
  }
  z_stream stream = {};
  // Window bits 15 + 16 asks zlib for a gzip wrapper instead of a zlib one.
  if (deflateInit2(&stream, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    error = "cannot start compressing " + source.string();
    return false;
  }
  DeflateOwner deflater{&stream};
  CheckValueHasher hasher;
  std::vector<unsigned char> input(kBlockSize), output(kBlockSize);
  uint64_t written = 0;
  int flush = Z_NO_FLUSH;
  do {
    const size_t count = fread(input.data(), 1, input.size(), in.get());
    if (ferror(in.get())) {
      error = "cannot read " + source.string() + ": " + strerror(errno);
      return false;
    }
    flush = feof(in.get()) ? Z_FINISH : Z_NO_FLUSH;
    stream.next_in = input.data();
    stream.avail_in = static_cast<uInt>(count);
    do {
      stream.next_out = output.data();
      stream.avail_out = static_cast<uInt>(output.size());
      deflate(&stream, flush);
      const size_t produced = output.size() - stream.avail_out;
      if (produced > 0 && fwrite(output.data(), 1, produced, out.get()) != produced) {
        error = "cannot write " + target.string() + ": " + strerror(errno);
        return false;
      }
      hasher.Update(output.data(), produced);
      written += produced;
    } while (stream.avail_out == 0);
  } while (flush != Z_FINISH);

  if (fclose(out.release()) != 0) {
    error = "cannot write " + target.string() + ": " + strerror(errno);
    return false;
  }
  outcome.checkValue = hasher.Finish();
  outcome.bytes = written;
  if (outcome.checkValue.empty()) {
    error = "cannot compute the check value of " + target.string();
    return false;
  }
  return true;
}
