#include "base/log_helper.h"

#include <cstdarg>
#include <cstring>
#include <cwchar>
#include <vector>

#include "base/log_platform.h"

namespace {

CLogHelper* g_logInstance = nullptr;

// Deletes the log after every other static object is gone, so that the application
// object's tear-down (which may log a failed relaunch) still finds it.
struct LogReaper {
  ~LogReaper() {
    delete g_logInstance;
    g_logInstance = nullptr;
  }
} g_logReaper __attribute__((init_priority(101)));

// vswprintf cannot report the length it needs, so grow until the text fits.
std::wstring FormatWide(const wchar_t* format, va_list args) {
  std::vector<wchar_t> buffer(CLogHelper::kLineUnits);
  for (;;) {
    va_list copy;
    va_copy(copy, args);
    const int written = vswprintf(buffer.data(), buffer.size(), format, copy);
    va_end(copy);
    if (written >= 0) return std::wstring(buffer.data(), written);
    if (buffer.size() >= (1u << 20)) return std::wstring(buffer.data(), wcsnlen(buffer.data(), buffer.size()));
    buffer.assign(buffer.size() * 4, L'\0');
  }
}

}  // namespace

CLogHelper* CLogHelper::GetInstance() {
  // A function-local static is initialised exactly once even when two threads race here.
  static CLogHelper* const instance = g_logInstance = new CLogHelper();
  return instance;
}

CLogHelper::CLogHelper() {
  m_file = OpenLogFile();
  if (!m_file) m_enabled = false;
}

CLogHelper::~CLogHelper() {
  if (m_file) fclose(m_file);
}

void CLogHelper::Log(const char* format, ...) {
  if (!m_enabled) return;
  char line[kLineUnits] = {};
  const LogStamp s = CurrentLogStamp();
  int length = snprintf(line, sizeof line, "%d/%d/%d %d:%d:%d %lu dbg ", s.year, s.month, s.day,
                        s.hour, s.minute, s.second, s.threadId);
  va_list args;
  va_start(args, format);
  vsnprintf(line + length, sizeof line - length, format, args);
  va_end(args);
  // Cut so that the line feed and the terminator still fit.
  length = static_cast<int>(strnlen(line, sizeof line - 2));
  line[length++] = '\n';
  line[length] = '\0';
  if (m_file) {
    fwrite(line, 1, length, m_file);
    fflush(m_file);
  }
  SendToDebugger(line);
}

void CLogHelper::LogW(const wchar_t* format, ...) {
  if (!m_enabled) return;
  wchar_t line[kLineUnits] = {};
  const LogStamp s = CurrentLogStamp();
  const int prefix = swprintf(line, kLineUnits, L"%d/%d/%d %d:%d:%d %lu dbg ", s.year, s.month,
                              s.day, s.hour, s.minute, s.second, s.threadId);
  va_list args;
  va_start(args, format);
  const std::wstring message = FormatWide(format, args);
  va_end(args);
  const size_t room = kLineUnits - prefix - 2;
  const size_t kept = message.size() < room ? message.size() : room;
  wmemcpy(line + prefix, message.data(), kept);
  const size_t length = prefix + kept;
  line[length] = L'\n';
  line[length + 1] = L'\0';
  if (m_file) {
    const std::string bytes = ToLogFileEncoding(line, length + 1);
    fwrite(bytes.data(), 1, bytes.size(), m_file);
    fflush(m_file);
  }
  SendToDebugger(line);
}
