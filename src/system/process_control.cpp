#include "system/process_control.h"

#include <tlhelp32.h>

#include "base/log_helper.h"
#include "base/text_helpers.h"
#include "base/win_handles.h"
#include "package/aftermath_helper.h"
#include "system/integration_names.h"

bool TerminateAndWaitForExit(HANDLE process, DWORD waitMs) {
  if (!TerminateProcess(process, 1)) {
    // A process that refuses termination would never report an exit: do not wait for one.
    const DWORD error = GetLastError();  // before the log's first use opens its file
    CLogHelper::GetInstance()->Log("TerminateProcess error : %lu", error);
    return false;
  }
  if (WaitForSingleObject(process, waitMs) != WAIT_OBJECT_0) {
    CLogHelper::GetInstance()->Log("terminated client still running after %lu ms", waitMs);
    return false;
  }
  return true;
}

bool CAftermathHelper::KillClientProcess() { return StopRunningClient() != ClientStop::kNoneRunning; }

ClientStop StopRunningClient() {
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  // Windows 2000, XP and Server 2003 let an administrator open other users' processes only
  // with the debug privilege; later versions need no adjustment.
  if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)) && version.dwMajorVersion == 5) {
    g_aftermathHelper.EnableDebugPrivilege();
  }

  HANDLE rawSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (rawSnapshot == INVALID_HANDLE_VALUE) return ClientStop::kNoneRunning;
  const UniqueHandle snapshot(rawSnapshot);

  const DWORD self = GetCurrentProcessId();
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    // The installer may itself run under the client's name; it never stops itself.
    if (entry.th32ProcessID == self || !EqualsNoCase(std::wstring(entry.szExeFile), kClientExeName)) continue;

    // Only the rights the termination and the wait need, so that a process which grants
    // those but not full access can still be stopped.
    const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    // Only the first running client is stopped.
    if (!process) return ClientStop::kNotOpened;
    return TerminateAndWaitForExit(process.get(), kClientExitWaitMs) ? ClientStop::kStopped : ClientStop::kStillRunning;
  }
  return ClientStop::kNoneRunning;
}

bool CAftermathHelper::EnableDebugPrivilege() {
  HANDLE rawToken = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &rawToken)) return false;
  const UniqueHandle token(rawToken);

  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueW(nullptr, SE_DEBUG_NAME, &privileges.Privileges[0].Luid)) return false;
  if (!AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr)) return false;
  // The call succeeds even when the account does not hold the privilege; only the error
  // code tells.
  return GetLastError() == ERROR_SUCCESS;
}
