// Native stand-ins for the log's system calls: the same file, UTF-8 text, stderr as debugger.
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <ctime>

#include "base/log_platform.h"

LogStamp CurrentLogStamp() {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
          local.tm_min,         local.tm_sec,     static_cast<unsigned long>(syscall(SYS_gettid))};
}

FILE* OpenLogFile() { return fopen("./quill.log", "w"); }

void SendToDebugger(const char*) {}
void SendToDebugger(const wchar_t*) {}

std::string ToLogFileEncoding(const wchar_t* text, size_t length) {
  std::string out;
  for (size_t i = 0; i < length; ++i) {
    const unsigned long c = static_cast<unsigned long>(text[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | ((c >> 12) & 0x0F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}
