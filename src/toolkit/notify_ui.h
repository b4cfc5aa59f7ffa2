// What a window receives from its controls: named notifications such as "click".
#pragma once

#include <windows.h>

#include <string>

class CControlUI;

struct TNotifyUI {
  std::wstring sType;   // "windowinit", "click", "selectchanged", ...
  CControlUI* pSender;  // the control the notification is about
  DWORD dwTimestamp;    // GetTickCount when sent
  POINT ptMouse;        // cursor in client coordinates when sent
  WPARAM wParam;
  LPARAM lParam;
};

class INotifyUI {
 public:
  virtual void Notify(TNotifyUI& msg) = 0;

 protected:
  ~INotifyUI() = default;
};
