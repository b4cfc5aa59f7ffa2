#include "net/machine_description.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "base/win_handles.h"

namespace {

// A REG_SZ or REG_EXPAND_SZ value of any length; the stored text need not end in a zero.
std::wstring ReadMachineText(const wchar_t* keyPath, const wchar_t* valueName) {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &raw) != ERROR_SUCCESS) return {};
  UniqueRegKey key(raw);
  // The value may grow between the size query and the read; a few tries settle it.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), valueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) {
      return {};
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD readBytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    const LONG status = RegQueryValueExW(key.get(), valueName, nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer.data()), &readBytes);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    const size_t units = readBytes / sizeof(wchar_t);
    std::wstring text(buffer.data(), units);
    const size_t end = text.find(L'\0');
    if (end != std::wstring::npos) text.resize(end);
    return text;
  }
  return {};
}

}  // namespace

std::wstring ReadBrowserVersion() {
  return ReadMachineText(L"Software\\Microsoft\\Internet Explorer", L"Version");
}

std::wstring ReadOsDescription() {
  std::wstring description =
      ReadMachineText(L"Software\\Microsoft\\Windows NT\\CurrentVersion", L"ProductName");
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  if (GetVersionExW(&version)) {
    description += L' ';
    description += version.szCSDVersion;
  }
  return description;
}
