// Every folder the installer reads or writes, and the per-run work folder's life.
#pragma once

#include <string>

// A folder of the user's shell (a CSIDL value) as the system gives it; empty when it has none.
std::wstring ShellFolder(int csidl);

// The user's local application data, ending in "\".
std::wstring LocalBaseFolder();
// Roaming application data as the system gives it (no "\" added).
std::wstring RoamingFolder();

std::wstring InstallFolder();      // local + "Quillmor\TavoraStudent\"
std::wstring FullPackageFolder();  // roaming + "\TavoraInstaller\"
std::wstring UnZipFolder();        // roaming + "\TavoraInstaller\UnZipFolder\"
std::wstring ClientDataFolder();   // roaming + "Tavora\TavoraStudent" (no final "\")
std::wstring InstalledClientPath();  // InstallFolder + "TavoraStudent.exe"

// Builds roaming + "\TavoraInstaller<tick>\", stores it in the update helper, creates it.
void CreateWorkFolder();
// Deletes the stored work folder with everything in it.
void RemoveWorkFolder();
// Creates the folder with all missing parents when it does not exist; errors are swallowed.
void EnsureFolder(const std::wstring& path);
