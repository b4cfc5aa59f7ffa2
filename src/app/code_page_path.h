// Paths that arrive as narrow text in the system code page (936 on our users' machines), as
// the configuration folder does. std::filesystem::path reads narrow text as UTF-8 on Windows,
// so a profile folder with Chinese characters must be converted here before it is opened.
#pragma once

#include <filesystem>
#include <string>

// The path named by narrow text in the system (ANSI) code page; on other systems the text
// is the path as it stands.
std::filesystem::path PathFromCodePage(const std::string& narrow);
