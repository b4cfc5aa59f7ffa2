// A window queue in the tests' hands: a poster that refuses the next few posts, as a full
// queue (10,000 posted messages) does on Windows, and the progress reports waiting in a queue.
#pragma once

#include <windows.h>

#include <atomic>
#include <vector>

// How many of the next posts RefusingPoster refuses, and how many it was asked to make.
extern std::atomic<int> g_refusalsLeft;
extern std::atomic<int> g_postAttempts;

// Counts the attempt; refuses it (ERROR_NOT_ENOUGH_QUOTA) while refusals are left, else posts.
BOOL WINAPI RefusingPoster(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Takes every WM_DOWNLOAD_PROGRESS waiting in window's queue and returns their byte counts in
// order; each must carry lParam 0.
std::vector<WPARAM> TakeQueuedProgress(HWND window);
