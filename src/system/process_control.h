// Stopping a running student client before its files are replaced or removed.
#pragma once

#include <windows.h>

// How long a terminated client may take to exit, in milliseconds. Termination normally takes
// effect within milliseconds; a process still there after this is stuck in a system call and
// will not go soon. The install window waits on its own thread, so the wait stays below the
// 5 seconds after which Windows marks a window that handles no messages as not responding.
constexpr DWORD kClientExitWaitMs = 4000;

// What became of a running client when it was asked to stop.
enum class ClientStop {
  kNoneRunning,   // no client runs (or the process list could not be read)
  kStopped,       // the first running client was terminated and has exited
  kNotOpened,     // a client runs that this user may not open: another user's, not ours to stop
  kStillRunning,  // it could not be terminated, or had not exited within kClientExitWaitMs
};

// Stops the first running "TavoraStudent.exe" other than this process; KillClientProcess is
// this with the answer reduced to "one was found".
ClientStop StopRunningClient();

// Terminates the process with exit code 1 and waits at most waitMs for it to exit. False when
// it could not be terminated (nothing is waited for then) or is still running after the wait.
bool TerminateAndWaitForExit(HANDLE process, DWORD waitMs);
