// The names and places under which the client appears in the shell and in the registry;
// installing writes them and uninstalling removes the same ones.
#pragma once

#include <string>

#include "base/client_names.h"

constexpr wchar_t kProductDisplayName[] = L"Qelvo";
constexpr wchar_t kMakerDisplayName[] = L"Quillnet";
constexpr wchar_t kUninstallerExeName[] = L"TavoraStudentInstaller.exe";
constexpr wchar_t kUninstallCommandWord[] = L"uninstall";
// Under HKEY_CURRENT_USER.
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TavoraStudent";

// folder + name with exactly one "\" between them; empty when the folder is empty, so a shell
// folder that could not be read never turns into a path relative to the current folder.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
// The path with one "\" at its end.
std::wstring WithTrailingBackslash(std::wstring path);

// Each is empty when the system cannot name the user's desktop or programs folder.
std::wstring DesktopShortcutPath();    // desktop\Qelvo.lnk
std::wstring MakerStartMenuFolder();   // programs\Quillnet
std::wstring StartMenuFolder();        // programs\Quillnet\Qelvo
std::wstring ProgramShortcutPath();    // programs\Quillnet\Qelvo\Qelvo.lnk
std::wstring UninstallShortcutPath();  // programs\Quillnet\Qelvo\卸载Qelvo.lnk

// The root address of the maker's web site, "http://<web host>/".
std::wstring MakerWebAddress();
