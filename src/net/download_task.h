// One file to download, check and expand: built from the manifest, worked by the download
// worker, installed by the install pipeline.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DownloadTask {
  std::wstring url;          // download base URL + published name + ".gz"
  std::wstring archivePath;  // work folder + installed name + ".gz"
  std::wstring checkValue;   // 16 lower-case hexadecimal digits
  int32_t registerFlag = 0;  // from "registerdll"; kept, not acted on
  std::vector<std::wstring> mirrorUrls;  // the same name under the other base URLs, in order
  std::wstring sha256{};  // "Sha256" of the archive in the entry (64 digits); empty without one
};

using DownloadTaskList = std::vector<DownloadTask>;
