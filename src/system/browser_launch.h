// Opening a web page: Internet Explorer first, else the program registered for ".htm" files.
#pragma once

#include <string>

// The command line the ".htm" handler would be started with for the address: the per-user
// registration first, then the machine's. False when no handler command is registered.
bool BrowserFallbackCommand(const std::wstring& address, std::wstring& commandLine);
