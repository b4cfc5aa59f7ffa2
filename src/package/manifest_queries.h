// The package manifest's queries as the windows and the sequence controller ask them: on the
// update helper's manifest, base URL and work folder, and the real installation folder.
#pragma once

#include <cstdint>
#include <string>

#include "net/download_task.h"
#include "package/package_manifest.h"

// Installed files as Windows sees them: version resources and existence.
class CInstalledFiles : public IInstalledFiles {
 public:
  PackageVersion FileVersion(const std::wstring& path) override;
  bool FileExists(const std::wstring& path) override;
};

// Each returns false (list empty, total 0) for a manifest it cannot read; see package_manifest.h.
bool CheckInstallerUpdate(DownloadTaskList& tasks, int64_t& totalBytes);
bool GetFullPackageTask(DownloadTaskList& tasks, int64_t& totalBytes);
// A module refused for its name adds a line to refusals (when given); see ReadModuleTaskList.
bool BuildModuleTaskList(DownloadTaskList& tasks, int64_t& totalBytes, std::wstring* refusals = nullptr);
