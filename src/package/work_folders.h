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
// Where an install run notes its changes: local + "TavoraInstaller.journal", outside the
// installation folder, which a first install creates and a rollback removes again.
std::wstring InstallJournalPath();

// Builds roaming + "\TavoraInstaller<tick>\", stores it in the update helper, creates it.
void CreateWorkFolder();
// Deletes the stored work folder with everything in it.
void RemoveWorkFolder();
// Deletes the work folders of earlier runs that were ended before they could (roaming +
// "\TavoraInstaller<digits>\"). Only one installer runs at a time, so none is in use.
void RemoveEarlierWorkFolders();
// Creates the folder with all missing parents when it does not exist; errors are swallowed.
void EnsureFolder(const std::wstring& path);
