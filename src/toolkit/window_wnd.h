// A window object wrapped around an HWND: class registration, creation, subclassing,
// centring, and a modal run that returns the code the window was closed with.
#pragma once

#include <windows.h>

class CWindowWnd {
 public:
  CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  HWND GetHWND() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  bool RegisterWindowClass();
  bool RegisterSuperclass();

  // Null when the window could not be created; the object has then had its final message
  // (a self-deleting window no longer exists).
  HWND Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
              int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU menu = nullptr);
  HWND Subclass(HWND window);
  void Unsubclass();
  void ShowWindow(bool show = true, bool takeFocus = true);
  // Centred on the work area of the window's monitor, kept inside it.
  void CenterWindow();
  void SetIcon(UINT resourceId);
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  // Runs a message loop until the window is gone; returns the code of the WM_CLOSE that
  // closed it (0 when it went without one). The object must not be used afterwards if it
  // deletes itself in its final message.
  virtual UINT ShowModal();
  // Posts WM_CLOSE with the code in wParam.
  virtual void Close(UINT code = IDOK);

 protected:
  virtual const wchar_t* GetWindowClassName() const = 0;
  virtual const wchar_t* GetSuperClassName() const { return nullptr; }
  virtual UINT GetClassStyle() const { return 0; }
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // After WM_NCDESTROY: the window is gone; self-deleting windows delete this here.
  virtual void OnFinalMessage(HWND window) {}
 public:
  virtual ~CWindowWnd();

 protected:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd = nullptr;
  WNDPROC m_OldWndProc;
  bool m_bSubclassed = false;

 private:
  static LRESULT Dispatch(CWindowWnd* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  UINT* m_modalResult = nullptr;  // the running modal loop's result, while one runs
};
