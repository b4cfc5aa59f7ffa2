// What the command line and the program's own name say about this run: uninstalling, and the
// naming rules that tell a temporary copy of the installer.
#pragma once

#include <string>

// The whole command line, compared without regard to case, selects uninstalling.
bool IsUninstallCommand(const std::wstring& cmdLine);

// A program whose full path contains "2.exe" or "3.exe" (any case, anywhere) is a temp copy.
bool IsTempCopyPath(const std::wstring& modulePath);

// File name of the temp copy made from a program of the given file name:
// Setup.exe -> Setup2.exe, Setup2.exe unchanged, SETUP.EXE -> SETUP.EXE2.exe.
std::wstring TempCopyFileName(const std::wstring& fileName);
