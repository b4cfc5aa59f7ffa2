#include "app/code_page_path.h"

#include <windows.h>

NativePath PathFromCodePage(const std::string& narrow) {
  if (narrow.empty()) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), &wide[0], length);
  return wide;
}
