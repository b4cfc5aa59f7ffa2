// Paths that arrive as narrow text in the system code page (936 on our users' machines), as
// the configuration folder does. Windows opens files by UTF-16 names, so a profile folder
// with Chinese characters must be converted here before it is opened.
#pragma once

#include <string>

#include "base/native_path.h"

// The path named by narrow text in the system (ANSI) code page; on other systems the text
// is the path as it stands.
NativePath PathFromCodePage(const std::string& narrow);
