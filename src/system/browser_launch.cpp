#include "system/browser_launch.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "base/win_handles.h"
#include "package/aftermath_helper.h"
#include "system/browser_command.h"

namespace {

// The default value of root\subKey as text; false when the key or a non-empty text value is
// missing. Values of any length are read whole, and environment references are expanded
// in values of the expandable kind.
bool ReadDefaultText(HKEY root, const std::wstring& subKey, std::wstring& text) {
  HKEY rawKey = nullptr;
  if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE, &rawKey) != ERROR_SUCCESS) return false;
  const UniqueRegKey key(rawKey);

  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return false;
  std::vector<wchar_t> buffer;
  LONG result = ERROR_MORE_DATA;
  // The value may grow between the size query and the read.
  for (int attempt = 0; attempt < 3 && result == ERROR_MORE_DATA; ++attempt) {
    // One unit more than the value, so the text ends in a terminator even when the value lacks one.
    buffer.assign(bytes / sizeof(wchar_t) + 2, L'\0');
    bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    result = RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
  }
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  std::wstring value(buffer.data());

  if (type == REG_EXPAND_SZ) {
    const DWORD needed = ExpandEnvironmentStringsW(value.c_str(), nullptr, 0);
    if (needed == 0) return false;
    std::vector<wchar_t> expanded(needed + 1, L'\0');
    if (ExpandEnvironmentStringsW(value.c_str(), expanded.data(), needed + 1) == 0) return false;
    value = expanded.data();
  }
  if (value.empty()) return false;
  text = value;
  return true;
}

// A class registration as Windows merges it: the user's own registration under
// HKCU\Software\Classes takes precedence over the machine's.
bool ReadClassText(const std::wstring& classPath, std::wstring& text) {
  return ReadDefaultText(HKEY_CURRENT_USER, L"Software\\Classes\\" + classPath, text) ||
         ReadDefaultText(HKEY_CLASSES_ROOT, classPath, text);
}

std::string ToThreadCodePage(const std::wstring& text) {
  const int bytes = WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string narrow(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, narrow.data(), bytes, nullptr, nullptr);
  narrow.resize(static_cast<size_t>(bytes) - 1);
  return narrow;
}

}  // namespace

bool BrowserFallbackCommand(const std::wstring& address, std::wstring& commandLine) {
  std::wstring typeName;
  if (!ReadClassText(L".htm", typeName)) return false;
  std::wstring registeredCommand;
  if (!ReadClassText(typeName + L"\\shell\\open\\command", registeredCommand)) return false;
  commandLine = BuildBrowserCommand(registeredCommand, address);
  return true;
}

intptr_t CAftermathHelper::OpenUrlInBrowser(const std::wstring& address) {
  const intptr_t shellResult = reinterpret_cast<intptr_t>(
      ShellExecuteW(nullptr, L"open", L"IEXPLORE", address.c_str(), nullptr, SW_SHOW));
  if (shellResult > 32) return shellResult;

  std::wstring commandLine;
  if (!BrowserFallbackCommand(address, commandLine)) return shellResult;
  const std::string narrow = ToThreadCodePage(commandLine);
  if (narrow.empty()) return shellResult;
  return WinExec(narrow.c_str(), SW_SHOW);
}
