#include "support/refusing_queue.h"

#include <gtest/gtest.h>

#include "net/download_messages.h"

std::atomic<int> g_refusalsLeft{0};
std::atomic<int> g_postAttempts{0};

BOOL WINAPI RefusingPoster(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ++g_postAttempts;
  if (g_refusalsLeft > 0) {
    --g_refusalsLeft;
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return FALSE;
  }
  return PostMessageW(window, message, wParam, lParam);
}

std::vector<WPARAM> TakeQueuedProgress(HWND window) {
  std::vector<WPARAM> sizes;
  MSG message;
  while (PeekMessageW(&message, window, WM_DOWNLOAD_PROGRESS, WM_DOWNLOAD_PROGRESS, PM_REMOVE)) {
    EXPECT_EQ(message.lParam, 0);
    sizes.push_back(message.wParam);
  }
  return sizes;
}
