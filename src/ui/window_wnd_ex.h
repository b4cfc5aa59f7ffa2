// The frameless skinned window: owns the paint manager, routes window messages to
// overridable handlers and the controls' notifications to handlers by type and, for clicks,
// by control name.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "base/close_code.h"
#include "toolkit/notify_ui.h"
#include "toolkit/paint_manager.h"
#include "toolkit/window_wnd.h"

// Style every skinned window is created with: WS_VISIBLE | WS_OVERLAPPEDWINDOW.
constexpr DWORD kSkinnedWindowStyle = 0x10CF0000;
// Sent by some shells to top-level windows; answered with 0 and otherwise ignored.
constexpr UINT kPrivateMessage43C = WM_USER + 60;

// The control classes that stay clickable inside the caption band.
bool IsClickableControlClass(const wchar_t* className);

class CWindowWndEx : public CWindowWnd, public INotifyUI {
 public:
  CWindowWndEx();
  ~CWindowWndEx() override;

  // Creates the window without parent at position and size 0 (the layout sizes it), centres
  // it on its monitor's work area and runs it modally. Returns the close code, or 0 when the
  // window could not be built (the user was told); a self-deleting window is gone afterwards.
  static int RunModal(CWindowWndEx* window, const wchar_t* name, DWORD exStyle = 0);

  CPaintManagerUI& GetPaintManager() { return m_pm; }
  void Notify(TNotifyUI& msg) override;

 protected:
  const wchar_t* GetWindowClassName() const override { return L"UIMainFrame"; }
  UINT GetClassStyle() const override { return CS_DBLCLKS; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Message handlers: handled is TRUE on entry; a handler that leaves it TRUE answers the
  // message with its result.
  virtual LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnClose(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnNcActivate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnNcCalcSize(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnNcHitTest(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnGetMinMaxInfo(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnCommand(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnSysKeyDown(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnTimer(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnSize(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnMoving(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnMove(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnPaint(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnEraseBkgnd(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnKillFocus(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnPrivateMessage43C(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  virtual LRESULT OnSetFocus(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);

  // Notification handlers.
  virtual void OnWindowInit() {}
  virtual void OnSelectChanged(const std::wstring& name) {}
  virtual void OnScroll(CControlUI* sender) {}
  virtual void OnItemClick(const std::wstring& name) {}
  virtual void OnItemSelect(CControlUI* sender) {}
  virtual void OnAfterPaint() {}

  virtual void Invalidate();
  virtual void MoveTo(int x, int y, int width, int height);
  virtual void MoveTo(const RECT& rc);
  virtual void Show(bool show);
  virtual void Enable(bool enable);
  virtual void BringToTop();
  virtual void MakeTopmost(bool topmost);

  // For on-create: builds the controls of a layout file of the skin and receives their
  // notifications. False when it cannot (the toolkit has told the user); on-create then
  // answers -1 and the window is not created.
  bool BuildLayout(const wchar_t* layoutFile);
  // Clicks on the control of that name (exact comparison) call the handler.
  void SetClickHandler(const std::wstring& name, std::function<void()> handler);
  // The caption hit test: HTCAPTION inside the caption band except over clickable controls.
  LRESULT CaptionHitTest(POINT screenPoint);
  // Applies the layout's round corners as the window region.
  void ApplyRoundCorners();

  CPaintManagerUI m_pm;
  std::map<std::wstring, std::function<void()>> m_clickHandlers;
};
