// Expands a downloaded gzip archive into the file it holds.
#pragma once

#include <string>

// Writes the expanded bytes of archivePath to outputPath (replacing it). False when the
// archive cannot be opened, the output cannot be created or written, or the data is
// damaged or cut short.
bool ExpandGz(const std::wstring& archivePath, const std::wstring& outputPath);
