// What this run does. Chosen at start-up before any window exists; read by the controller and
// the windows to pick their steps and texts.
#pragma once

enum class RunMode : int {
  Install = 0,
  Update = 1,     // the client program is installed
  Uninstall = 2,
  UpToDate = 3,   // the install window found nothing to update
};

// Process-wide; starts as Install.
extern RunMode g_runMode;
