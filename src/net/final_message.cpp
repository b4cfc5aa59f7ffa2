#include "net/final_message.h"

bool PostFinalMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                      const std::atomic<uint8_t>& stopFlag, MessagePoster poster) {
  for (;;) {
    if (poster(window, message, wParam, lParam)) return true;
    if (!IsWindow(window) || stopFlag.load() != 0) return false;
    Sleep(kFinalMessageRetryMs);
  }
}
