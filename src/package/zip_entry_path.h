// Turns the name of an item in a downloaded archive into a path below the folder it is
// unpacked into, refusing names that would land anywhere else.
#pragma once

#include <string>

// relativePath gets the name with "\" separators. False for a name that is empty, absolute
// ("/x", "\x", "\\server\x"), holds a drive or stream (":"), climbs with "..", has an empty
// or dots-only part, a control character, or a part Windows treats as a device (CON, NUL…).
bool ZipEntryRelativePath(const std::wstring& entryName, std::wstring& relativePath);
