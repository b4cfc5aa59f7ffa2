// One per skinned window: holds the control tree built from a layout, paints it
// double-buffered, tracks the mouse and sends the controls' notifications to the window.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "toolkit/control_ui.h"
#include "toolkit/layout_parser.h"
#include "toolkit/notify_ui.h"

class CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  // Process-wide set-up, once at start-up.
  static void SetInstance(HINSTANCE instance);
  static HINSTANCE GetInstance();
  // The skin archive; the bytes stay valid until the last window is gone.
  static void SetResourceZip(const void* data, size_t size);

  void Init(HWND window);

  // Builds the controls from a layout file of the skin and makes them the window's root.
  // A missing or unreadable skin or a layout that does not parse is reported to the user in
  // one error box per process (and logged); the result is then false.
  bool LoadLayout(const std::wstring& fileName);
  // The same from a layout already read (tests).
  void AttachLayout(const LayoutDocument& document);
  void AddNotifier(INotifyUI* notifier);

  CControlUI* GetRoot() const { return m_root.get(); }
  CControlUI* FindControl(const std::wstring& name) const;
  CControlUI* FindControl(POINT pt) const;  // topmost shown control under a client point
  const LayoutRect& GetCaptionRect() const { return m_document.caption; }
  const LayoutSize& GetRoundCorner() const { return m_document.roundCorner; }
  int GetFontCount() const { return static_cast<int>(m_document.fonts.size()); }
  // Entry index of the font table; -1 or out of range: the default font.
  const LayoutFont& GetFontInfo(int index) const;
  Gdiplus::Font* GetFont(int index) const;

  void SendNotify(CControlUI* sender, const wchar_t* type, WPARAM wParam = 0, LPARAM lParam = 0);
  // Pre-processing of the window's messages; true when handled, with its result in result.
  bool MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  void Invalidate(const RECT& rc);
  // Draws the part rc of the window into dc as the window shows it (laid out first).
  void PaintTo(HDC dc, const RECT& rc);
  // A control is being hidden or disabled: it loses the hot and pushed roles.
  void ForgetControl(CControlUI* control);

 private:
  void LayoutIfNeeded();
  void OnPaint();
  void SetHotControl(CControlUI* control);
  void TrackMouse();
  void ShowToolTip();
  void HideToolTip();

  HWND m_window = nullptr;
  LayoutDocument m_document;
  std::unique_ptr<CControlUI> m_root;
  std::vector<INotifyUI*> m_notifiers;
  bool m_needLayout = true;
  bool m_windowInitSent = false;
  CControlUI* m_hot = nullptr;
  CControlUI* m_pushed = nullptr;
  bool m_mouseTracking = false;
  HWND m_toolTip = nullptr;
  bool m_toolTipAdded = false;
  std::wstring m_toolTipText;
  // Off-screen picture of the client area.
  HDC m_offscreenDc = nullptr;
  HBITMAP m_offscreenBitmap = nullptr;
  HGDIOBJ m_offscreenPrevious = nullptr;
  SIZE m_offscreenSize = {0, 0};
};
