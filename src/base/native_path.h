// A full path as the system's file functions take it: UTF-16 on Windows, bytes elsewhere.
// A std::filesystem::path converts to it (tests build paths that way); the installer itself
// does not use std::filesystem, whose library code would bring the C++ locale with it.
#pragma once

#include <string>

#ifdef _WIN32
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif
