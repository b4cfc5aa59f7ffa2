#include "net/gz_expand.h"

#include <windows.h>
#include <zlib.h>

#include <memory>
#include <vector>

#include "base/win_handles.h"

namespace {

// Large blocks keep the expansion of big archives at disk speed; the output does not depend on them.
constexpr unsigned kInputBufferSize = 256 * 1024;
constexpr unsigned kBlockSize = 256 * 1024;

// The archive is only read: gzclose_r, unlike gzclose, links none of zlib's compression code.
struct GzCloser {
  void operator()(gzFile_s* archive) const { gzclose_r(archive); }
};

}  // namespace

bool ExpandGz(const std::wstring& archivePath, const std::wstring& outputPath) {
  // The wide name opens every path, also names outside the system's code page.
  std::unique_ptr<gzFile_s, GzCloser> archive(gzopen_w(archivePath.c_str(), "rb"));
  if (!archive) return false;
  gzbuffer(archive.get(), kInputBufferSize);

  HANDLE created = CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) return false;
  UniqueHandle output(created);

  std::vector<char> block(kBlockSize);
  int count;
  while ((count = gzread(archive.get(), block.data(), kBlockSize)) > 0) {
    DWORD written = 0;
    if (!WriteFile(output.get(), block.data(), static_cast<DWORD>(count), &written, nullptr) ||
        written != static_cast<DWORD>(count)) {
      return false;
    }
  }
  if (count < 0) return false;
  // gzread ends a stream cut short like a complete one; only the error state tells them apart.
  int error = Z_OK;
  gzerror(archive.get(), &error);
  return error == Z_OK;
}
