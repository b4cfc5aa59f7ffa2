// Turns the command registered for web pages into the command line that opens one address.
#pragma once

#include <string>

// The registered command is cut where its placeholder starts ("%1" in double quotation marks,
// else "%1" alone; nothing is cut without one), then a blank and the address follow.
std::wstring BuildBrowserCommand(const std::wstring& registeredCommand, const std::wstring& address);
