// Test machinery for the installer's windows: opens a real window from the skin of the source
// tree as the sequence controller does, lets a test look at its controls and click them at
// their centres, then runs it modally for its close code with a bounded wait.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "toolkit/control_ui.h"
#include "ui/window_wnd_ex.h"

// The close code a driven window gets when it is still open at the end of the modal wait.
constexpr int kStillOpen = 0xDEAD;

// Makes the skin folder of the source tree the process's skin.
void UseSourceSkin();

class InstallerWindowDriver {
 public:
  InstallerWindowDriver() = default;
  // Destroys a window the test left open (it deletes its own object).
  ~InstallerWindowDriver();
  InstallerWindowDriver(const InstallerWindowDriver&) = delete;
  InstallerWindowDriver& operator=(const InstallerWindowDriver&) = delete;

  // Creates the heap window under its window name, centres it and paints it once, which
  // runs its window init. False when it could not be created.
  bool Open(CWindowWndEx* window, const wchar_t* name, DWORD exStyle = 0);

  HWND Hwnd() const { return m_hwnd; }
  bool IsOpen() const { return IsWindow(m_hwnd) != FALSE; }
  // Null when absent or when the window is gone.
  CControlUI* Find(const std::wstring& name);
  POINT CentreOf(const std::wstring& name);
  // Visible, and every container above it too.
  bool IsShown(const std::wstring& name);
  std::wstring TextOf(const std::wstring& name);

  // Posts a press and a release at the control's centre; they are handled by the next pump
  // or by the modal run.
  void Click(const std::wstring& name);
  // Handles this thread's messages one at a time, calling after() after each, until done()
  // or the timeout; returns done().
  bool PumpUntil(const std::function<bool()>& done, int timeoutMs,
                 const std::function<void()>& after = nullptr);

  // Runs the window's modal loop and returns its close code; a window still open after
  // timeoutMs is closed with kStillOpen. The window object is gone afterwards.
  int RunModal(int timeoutMs);

  // The tick count at which the window's loop took its first WM_CLOSE, 0 before. Destroying
  // a top-level window can take seconds under Wine, so timings end at the close request.
  DWORD CloseRequestTick() const;
  // How long the window took to handle its WM_DESTROY, -1 before it did.
  int DestroyHandlingMs() const;

 private:
  CWindowWndEx* m_window = nullptr;
  HWND m_hwnd = nullptr;
  HHOOK m_closeWatch = nullptr;
  HHOOK m_destroyStartWatch = nullptr;
  HHOOK m_destroyEndWatch = nullptr;
};

// Replaces the browser for the life of the object and records the addresses it was given.
class RecordedBrowser {
 public:
  RecordedBrowser();
  ~RecordedBrowser();
  static std::vector<std::wstring>& Addresses();

 private:
  void (*m_previous)(const std::wstring&);
};
