// Release folders and signed requests for the service's tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "net/request_codec.h"

// entry.json text of a release published at http://127.0.0.1:18080<urlPath>.
std::string EntryJson(const std::string& appName, const std::string& mainVersion,
                      const std::string& urlPath);
// Writes a release folder holding entry.json.
void WriteRelease(const std::filesystem::path& dir, const std::string& entryJson);

// The path and query of a service request as the installer builds it.
std::string SignedTarget(ServiceRequestType type, const ReportFields& report, int64_t timeStamp,
                         const unsigned char (&key)[kDesKeyBytes], const std::string& salt);
// The same with the build's key and salt.
std::string SignedTarget(ServiceRequestType type, const ReportFields& report, int64_t timeStamp);
