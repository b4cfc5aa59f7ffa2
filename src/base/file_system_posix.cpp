#include "base/file_system.h"

#include <filesystem>

// The host build is never shipped: the standard library's file system serves it.
namespace fs = std::filesystem;

bool PathExists(const NativePath& path) {
  std::error_code error;
  return fs::exists(path, error);
}

bool IsRegularFile(const NativePath& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

bool RegularFileSize(const NativePath& path, uint64_t& size) {
  std::error_code error;
  const std::uintmax_t bytes = fs::file_size(path, error);
  if (error) return false;
  size = bytes;
  return true;
}

bool CreateFolders(const NativePath& folder, std::string* failure) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (!error) return true;
  if (failure) *failure = fs::filesystem_error("cannot create directories", folder, error).what();
  return false;
}

bool RemoveTree(const NativePath& path, std::string* failure) {
  std::error_code error;
  fs::remove_all(path, error);
  if (!error) return true;
  if (failure) *failure = fs::filesystem_error("cannot remove all", path, error).what();
  return false;
}
