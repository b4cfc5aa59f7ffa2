// Stands in for an installed program: appends the command line it was started with to
// "launched.txt" beside itself, then exits.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring record = path;
  record = record.substr(0, record.rfind(L'\\') + 1) + L"launched.txt";
  const std::wstring line = std::wstring(GetCommandLineW()) + L"\n";
  char utf8[4096] = {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8, sizeof utf8, nullptr, nullptr);
  HANDLE file = CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, utf8, length > 0 ? length - 1 : 0, &written, nullptr);
  CloseHandle(file);
  return 0;
}
