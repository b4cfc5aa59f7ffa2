// Texts every installer window shows in its caption and on its version button.
#pragma once

#include <string>

#include "base/run_mode.h"

// "卸载 学生端" when uninstalling, else "Qelvo 学生端" and the product version ("1,2,0,5"
// shown as "1.2.0.5").
std::wstring InstallCaptionText(RunMode runMode, const std::wstring& mainVersion);

// "V" and the first two of the four comma-separated numbers ("1,2,0,5" gives "V1.2"); empty
// when the version does not hold four numbers, so no made-up version is shown.
std::wstring VersionButtonText(const std::wstring& mainVersion);
