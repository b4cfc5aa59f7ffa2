// Starts the test stand-in of the student client and makes sure it does not outlive the test.
#pragma once

#include <windows.h>

#include <string>

class StandInClient {
 public:
  // Starts the program at programPath (a copy of the stand-in, or the stand-in itself) with
  // the command line and waits until it handles window messages.
  StandInClient(const std::wstring& programPath, const std::wstring& arguments = std::wstring(),
                const std::wstring& currentFolder = std::wstring());
  ~StandInClient();  // terminates it when still running
  StandInClient(const StandInClient&) = delete;
  StandInClient& operator=(const StandInClient&) = delete;

  bool Started() const { return m_process != nullptr; }
  DWORD Id() const { return m_id; }
  bool Running() const;
  // Waits at most waitMs for the exit; false when it is still running.
  bool WaitForExit(DWORD waitMs) const;
  DWORD ExitCode() const;

 private:
  HANDLE m_process = nullptr;
  DWORD m_id = 0;
};

// The stand-in as built: a program named "TavoraStudent.exe".
std::wstring StandInClientPath();
