// The code a window is closed with: it tells the controller what the window ended with.
#pragma once

enum CloseCode : unsigned {
  kCloseProceed = 1,    // the main action was chosen, or the work finished
  kCloseCancelled = 2,  // closed or cancelled by the user
  kCloseFailed = 4,     // a download failed or the network was lost
};

// The wait window reads the codes its own way: its copy of the newer installer is ready (the
// run ends and the copy starts), or it could not be made.
constexpr CloseCode kCloseCopyReady = kCloseCancelled;
constexpr CloseCode kCloseCopyFailed = kCloseFailed;
