#include "support/dialog_dismisser.h"

#include <windows.h>

DialogDismisser::DialogDismisser() : m_thread(&DialogDismisser::Watch, this) {}

DialogDismisser::~DialogDismisser() {
  m_stop = true;
  m_thread.join();
}

std::vector<DialogDismisser::Dialog> DialogDismisser::Seen() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_seen;
}

namespace {

struct Found {
  HWND window;
  DialogDismisser::Dialog dialog;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  if (process != GetCurrentProcessId() || wcscmp(className, L"#32770") != 0 || !IsWindowVisible(window)) {
    return TRUE;
  }
  wchar_t caption[1024] = {}, text[1024] = {};
  GetWindowTextW(window, caption, 1024);
  GetDlgItemTextW(window, 0xFFFF, text, 1024);  // a message box's text control
  reinterpret_cast<std::vector<Found>*>(found)->push_back({window, {caption, text}});
  return TRUE;
}

}  // namespace

void DialogDismisser::Watch() {
  while (!m_stop) {
    std::vector<Found> found;
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
    for (const Found& one : found) {
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_seen.push_back(one.dialog);
      }
      PostMessageW(one.window, WM_CLOSE, 0, 0);
    }
    Sleep(50);
  }
}
