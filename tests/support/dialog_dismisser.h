// Closes the message boxes this test process shows (they would wait for a click forever)
// and remembers their captions and texts.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class DialogDismisser {
 public:
  DialogDismisser();
  ~DialogDismisser();

  struct Dialog {
    std::wstring caption;
    std::wstring text;
  };
  std::vector<Dialog> Seen();

 private:
  void Watch();

  std::atomic<bool> m_stop{false};
  std::mutex m_mutex;
  std::vector<Dialog> m_seen;
  std::thread m_thread;
};
