// What this run does, and the naming rules that tell a temporary copy of the installer.
#pragma once

#include <string>

enum RunMode {
  kRunInstall = 0,
  kRunUpdate = 1,    // the client program is installed
  kRunUninstall = 2,
  kRunUpToDate = 3,  // set by the install window when there was nothing to update
};

// Process-wide; written before any window exists, read by the controller and the windows.
extern int g_runMode;

// The whole command line, compared without regard to case, selects uninstalling.
bool IsUninstallCommand(const std::wstring& cmdLine);

// A program whose full path contains "2.exe" or "3.exe" (any case, anywhere) is a temp copy.
bool IsTempCopyPath(const std::wstring& modulePath);

// File name of the temp copy made from a program of the given file name:
// Setup.exe -> Setup2.exe, Setup2.exe unchanged, SETUP.EXE -> SETUP.EXE2.exe.
std::wstring TempCopyFileName(const std::wstring& fileName);
