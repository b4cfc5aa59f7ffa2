// Reads the package manifest (the update service's entry for the client) into download
// lists: a newer installer, the complete package, or the modules that changed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/download_task.h"
#include "package/package_version.h"

// Files that follow "MainVersion" instead of a version of their own (compared ignoring case).
extern const wchar_t* const kVersionlessFiles[9];
bool IsVersionlessFile(const std::wstring& installedName);

// Where the manifest came from and where its downloads go.
struct ManifestSource {
  std::wstring manifest;    // JSON text of the entry
  std::wstring baseUrl;     // ends in "/"
  std::wstring workFolder;  // ends in "\"
  std::vector<std::wstring> mirrorBaseUrls;  // each ends in "/"; tried after baseUrl, in order
};

// What the module list needs to know of the installed client.
class IInstalledFiles {
 public:
  virtual ~IInstalledFiles() = default;
  virtual PackageVersion FileVersion(const std::wstring& path) = 0;
  virtual bool FileExists(const std::wstring& path) = 0;
};

// Each query returns false for a manifest that is not JSON, lacks a required key, or has a
// "bytes" that is not a whole 32-bit number; the list is then empty and the total 0 (except
// that a manifest without "InstallPackageNew" leaves both untouched, as it is not an error).

// True when the first installer module ("TavoraStudentInstaller-…") is newer than ownVersion.
bool ReadInstallerUpdate(const ManifestSource& source, PackageVersion ownVersion, DownloadTaskList& tasks,
                         int64_t& totalBytes);
// True when "InstallPackageNew" names a usable package.
bool ReadFullPackageTask(const ManifestSource& source, DownloadTaskList& tasks, int64_t& totalBytes);
// True whenever the manifest could be read; the list holds the modules to fetch, maybe none.
// A module whose installed name would not be a plain file name makes the whole list
// unusable (false, empty): installing the rest would leave the client partly updated. Each
// such module is one line (CR LF after it) in refusals, when given.
bool ReadModuleTaskList(const ManifestSource& source, const std::wstring& installFolder, IInstalledFiles& files,
                        DownloadTaskList& tasks, int64_t& totalBytes, std::wstring* refusals = nullptr);

// A published name's installed form must stay a plain file name: no folders, no drive.
bool IsPlainFileName(const std::wstring& name);
