// The fixed file version of a Windows program or library, read from its version resource.
#pragma once

#include <string>

#include "package/package_version.h"

// 0.0.0.0 for a missing file, a file without a version resource, or any failure.
PackageVersion GetFileVersion(const std::wstring& path);
