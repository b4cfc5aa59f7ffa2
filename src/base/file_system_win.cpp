#include "base/file_system.h"

#include <windows.h>

#include <vector>

#include "base/utf8_text.h"
#include "base/win_handles.h"

namespace {

// The system's text for an error code, in the ANSI code page, without the closing ".\r\n".
std::string SystemErrorText(DWORD error) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
  if (length == 0 || !text) return "Unknown error " + std::to_string(error);
  std::string message(text, length);
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.' ||
                              message.back() == ' ')) {
    message.pop_back();
  }
  return message;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Removes what is at path (attributes as found); on failure names what stayed and why.
// A folder that is a link (a junction) is removed as a link: what it points to stays.
bool RemoveEntry(const std::wstring& path, DWORD attributes, std::wstring& stayed, DWORD& error) {
  const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (isFolder && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    std::wstring folder = path;
    while (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();
    // The names are listed first: a folder is not changed while a search runs over it.
    std::vector<std::pair<std::wstring, DWORD>> children;
    WIN32_FIND_DATAW found;
    UniqueFindHandle search;
    const HANDLE first = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (first != INVALID_HANDLE_VALUE) {
      search.reset(first);
      do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") children.emplace_back(folder + L"\\" + name, found.dwFileAttributes);
      } while (FindNextFileW(search.get(), &found));
      search.reset();
    }
    for (const auto& child : children) {
      if (!RemoveEntry(child.first, child.second, stayed, error)) return false;
    }
  }
  if (isFolder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str())) return true;
  error = GetLastError();
  stayed = path;
  return false;
}

}  // namespace

bool PathExists(const NativePath& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsRegularFile(const NativePath& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool RegularFileSize(const NativePath& path, uint64_t& size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool CreateFolders(const NativePath& folder, std::string* failure) {
  auto fail = [&](const std::string& reason) {
    if (failure) *failure = "filesystem error: cannot create directories: " + reason + " [" + WideToUtf8(folder) + "]";
    return false;
  };
  if (folder.empty()) return fail("Invalid argument");
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? true : fail("Not a directory");
  }
  // Every folder on the way down is made in turn; those that exist (the drive among them)
  // refuse, and only whether the last one stands in the end counts.
  DWORD lastError = ERROR_PATH_NOT_FOUND;
  for (size_t end = 1; end <= folder.size(); ++end) {
    if (end < folder.size() && !IsSeparator(folder[end])) continue;
    if (IsSeparator(folder[end - 1])) continue;
    if (!CreateDirectoryW(folder.substr(0, end).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      lastError = GetLastError();
    }
  }
  const DWORD made = GetFileAttributesW(folder.c_str());
  if (made != INVALID_FILE_ATTRIBUTES && (made & FILE_ATTRIBUTE_DIRECTORY)) return true;
  return fail(made != INVALID_FILE_ATTRIBUTES ? "Not a directory" : SystemErrorText(lastError));
}

bool RemoveTree(const NativePath& path, std::string* failure) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  std::wstring stayed;
  DWORD error = 0;
  if (RemoveEntry(path, attributes, stayed, error)) return true;
  if (failure) {
    *failure = "filesystem error: cannot remove all: " + SystemErrorText(error) + " [" + WideToUtf8(path) + "] [" +
               WideToUtf8(stayed) + "]";
  }
  return false;
}
