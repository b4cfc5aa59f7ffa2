// The run's diagnostic log "./quill.log": failures and download outcomes, one line each,
// every line also sent to the debugger output.
#pragma once

#include <cstdio>

class CLogHelper {
 public:
  // Created, and the file truncated, at the first call of the run; safe from any thread.
  static CLogHelper* GetInstance();

  virtual ~CLogHelper();

  // printf-style; a text that may hold "%" (a path) must be passed as an argument of "%s".
  void Log(const char* format, ...);
  void LogW(const wchar_t* format, ...);

  // Size of the line buffers, in bytes (Log) or UTF-16 units (LogW), terminator included.
  static constexpr size_t kLineUnits = 4096;

 private:
  CLogHelper();

  bool m_enabled = true;
  FILE* m_file = nullptr;
};
