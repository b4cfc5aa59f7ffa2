// What a failure report says about the machine: the browser version and the Windows product.
#pragma once

#include <string>

// "Version" of HKLM "Software\Microsoft\Internet Explorer"; empty when missing or not text.
std::wstring ReadBrowserVersion();
// "ProductName" of HKLM "Software\Microsoft\Windows NT\CurrentVersion", then, when the version
// record can be read, a space and its service-pack text (which may be empty).
std::wstring ReadOsDescription();
