// Test machinery for skinned windows: a skin held in memory, a window built from one of its
// layouts that records its notifications, and bounded message pumping.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/window_wnd_ex.h"

// A window of 400 x 300 with a caption band 40 high: labels, buttons and tick boxes inside
// and below the band.
extern const char kTestLayout[];

// Makes a skin of these files (name -> contents) the process's skin.
void UseMemorySkin(const std::map<std::string, std::string>& files);

// Pumps this thread's messages until done() or the timeout; returns done().
bool PumpUntil(const std::function<bool()>& done, int timeoutMs);
void PumpFor(int milliseconds);

class CSkinTestWindow : public CWindowWndEx {
 public:
  struct Event {
    std::wstring type;
    std::wstring sender;
    bool selected;  // the sender's state when the notification arrived (options only)
    bool laidOut;   // the root filled the client area when it arrived
  };

  explicit CSkinTestWindow(std::wstring layoutFile = L"Test.xml") : m_layoutFile(std::move(layoutFile)) {}

  // Creates the window as the installer does, centred, without running it.
  HWND Open(DWORD exStyle = 0);
  int Count(const std::wstring& type) const;
  CControlUI* Find(const std::wstring& name) { return m_pm.FindControl(name); }
  // Client point at the centre of a control.
  POINT CentreOf(const std::wstring& name);
  LRESULT HitTest(POINT client);
  using CWindowWndEx::SetClickHandler;

  std::vector<Event> events;
  std::function<void()> onWindowInit;

 protected:
  LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  void Notify(TNotifyUI& msg) override;
  void OnWindowInit() override;

 private:
  std::wstring m_layoutFile;
};

// Posted mouse input in client coordinates.
void PostMouse(HWND window, UINT message, POINT client);
