#include "package/file_version.h"

#include <windows.h>

#include <memory>

namespace {

struct LocalFreer {
  void operator()(void* block) const { LocalFree(block); }
};

}  // namespace

PackageVersion GetFileVersion(const std::wstring& path) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size == 0) return {};
  std::unique_ptr<void, LocalFreer> block(LocalAlloc(LPTR, size));
  if (!block || !GetFileVersionInfoW(path.c_str(), 0, size, block.get())) return {};
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (!VerQueryValueW(block.get(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed ||
      fixedSize < sizeof(VS_FIXEDFILEINFO)) {
    return {};
  }
  return {fixed->dwFileVersionMS, fixed->dwFileVersionLS};
}
