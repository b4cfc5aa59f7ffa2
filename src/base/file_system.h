// Questions about files and folders, and the few changes the installer makes to them, on
// NativePath paths. The installer does not use std::filesystem: its library part brings the
// C++ library's locale and stream code with it, most of a megabyte of the executable.
#pragma once

#include <cstdint>
#include <string>

#include "base/native_path.h"

// Something, a file or a folder, is at the path.
bool PathExists(const NativePath& path);
bool IsRegularFile(const NativePath& path);
// The size in bytes of a regular file; false for a folder or where nothing is.
bool RegularFileSize(const NativePath& path, uint64_t& size);

// Makes the folder and every missing folder above it. True when a folder is there afterwards;
// otherwise false, and failure (when given) gets a line for the log:
// "filesystem error: cannot create directories: <reason> [<folder>]".
bool CreateFolders(const NativePath& folder, std::string* failure = nullptr);

// Removes a file, or a folder with everything in it, and stops at the first thing it cannot
// remove (a file another program holds open). True when nothing is at the path afterwards,
// also when nothing was; otherwise false, and failure (when given) gets a line for the log:
// "filesystem error: cannot remove all: <reason> [<path>] [<what stayed>]".
bool RemoveTree(const NativePath& path, std::string* failure = nullptr);
