// What the log needs from the operating system, kept apart so the log also builds natively.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

struct LogStamp {
  int year, month, day, hour, minute, second;
  unsigned long threadId;
};

LogStamp CurrentLogStamp();
// Opens "./quill.log" for writing (created or truncated, text mode); null on failure.
FILE* OpenLogFile();
void SendToDebugger(const char* line);
void SendToDebugger(const wchar_t* line);
// The calling thread's ANSI code page, as the log file is written.
std::string ToLogFileEncoding(const wchar_t* text, size_t length);
