#include <windows.h>

#include <cstdio>
#include <vector>

#include "base/log_platform.h"

LogStamp CurrentLogStamp() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, GetCurrentThreadId()};
}

FILE* OpenLogFile() {
  FILE* file = nullptr;
  if (fopen_s(&file, "./quill.log", "w") != 0) return nullptr;
  return file;
}

void SendToDebugger(const char* line) { OutputDebugStringA(line); }
void SendToDebugger(const wchar_t* line) { OutputDebugStringW(line); }

std::string ToLogFileEncoding(const wchar_t* text, size_t length) {
  // Twice the characters plus two bytes holds any double-byte code page.
  std::vector<char> bytes(length * 2 + 2);
  const int written = WideCharToMultiByte(CP_THREAD_ACP, 0, text, static_cast<int>(length),
                                          bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                          nullptr);
  return std::string(bytes.data(), written > 0 ? written : 0);
}
