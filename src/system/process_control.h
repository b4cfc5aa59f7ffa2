// Stopping a running student client before its files are replaced or removed.
#pragma once

#include <windows.h>

// How long a terminated client may take to exit, in milliseconds. Termination normally takes
// effect within milliseconds; a process still there after this is stuck in a system call and
// will not go soon. The install window waits on its own thread, so the wait stays below the
// 5 seconds after which Windows marks a window that handles no messages as not responding.
constexpr DWORD kClientExitWaitMs = 4000;

// Terminates the process with exit code 1 and waits at most waitMs for it to exit. False when
// it could not be terminated (nothing is waited for then) or is still running after the wait.
bool TerminateAndWaitForExit(HANDLE process, DWORD waitMs);
