// Messages the uninstall worker posts to the uninstall window (WM_USER is 0x400).
#pragma once

constexpr unsigned int WM_UNINSTALL_PROGRESS = 0x400 + 903;  // wParam: percent reached, 5 to 100
constexpr unsigned int WM_UNINSTALL_DONE = 0x400 + 904;      // wParam: 0
