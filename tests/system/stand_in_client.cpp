#include "stand_in_client.h"

StandInClient::StandInClient(const std::wstring& programPath, const std::wstring& arguments,
                             const std::wstring& currentFolder) {
  std::wstring commandLine = L"\"" + programPath + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(programPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup, &info)) {
    return;
  }
  CloseHandle(info.hThread);
  m_process = info.hProcess;
  m_id = info.dwProcessId;
  if (arguments.empty()) WaitForInputIdle(m_process, 10000);
}

StandInClient::~StandInClient() {
  if (!m_process) return;
  if (Running()) {
    TerminateProcess(m_process, 99);
    WaitForSingleObject(m_process, 5000);
  }
  CloseHandle(m_process);
}

bool StandInClient::Running() const { return m_process && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

bool StandInClient::WaitForExit(DWORD waitMs) const {
  return m_process && WaitForSingleObject(m_process, waitMs) == WAIT_OBJECT_0;
}

DWORD StandInClient::ExitCode() const {
  DWORD code = 0;
  if (m_process) GetExitCodeProcess(m_process, &code);
  return code;
}

std::wstring StandInClientPath() { return TAVORA_STAND_IN_CLIENT_EXE; }
