// Window messages the download worker posts to the window that started it.
#pragma once

// WM_USER is 0x400; the numbers are fixed because the install and wait windows handle them.
constexpr unsigned int WM_DOWNLOAD_PROGRESS = 0x400 + 132;  // wParam: body bytes since the previous one
constexpr unsigned int WM_DOWNLOAD_DONE = 0x400 + 901;      // every task downloaded, checked, expanded
constexpr unsigned int WM_DOWNLOAD_FAILED = 0x400 + 902;    // a task failed, or the list was empty
