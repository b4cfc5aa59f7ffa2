// Owners that close Windows handles, registry keys and search handles on every path.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};
// Holds a kernel handle; null and INVALID_HANDLE_VALUE (a failed CreateFileW) both hold nothing.
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct RegKeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using UniqueRegKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegKeyCloser>;

struct FindCloser {
  void operator()(HANDLE search) const {
    if (search && search != INVALID_HANDLE_VALUE) FindClose(search);
  }
};
using UniqueFindHandle = std::unique_ptr<void, FindCloser>;
