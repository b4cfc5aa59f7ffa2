// A soft drop shadow for a window, drawn in a layered window of its own that follows the
// parent: it moves, resizes, hides and dies with it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <vector>

#include "ui/shadow_render.h"

class CWndShadow {
 public:
  enum Status : uint8_t { kEnabled = 1, kVisible = 2, kParentVisible = 4 };

  CWndShadow();
  virtual ~CWndShadow();
  CWndShadow(const CWndShadow&) = delete;
  CWndShadow& operator=(const CWndShadow&) = delete;

  // Once per process. False when already done, or when the system has no layered windows
  // (shadows then stay off and windows work without them).
  static bool Initialize(HINSTANCE instance);
  static bool IsAvailable();

  // Creates the shadow window and follows the parent from then on.
  void Create(HWND parent);

  // Each setter draws the shadow again when it is showing. Values out of range are refused.
  bool SetSize(int size);            // -20 to 20 pixels
  bool SetSharpness(unsigned sharpness);  // 0 to 20 pixels
  bool SetDarkness(unsigned darkness);    // 0 to 255
  bool SetPosition(int x, int y);    // -20 to 20 pixels each
  bool SetColor(COLORREF color);

  ShadowParams GetParams() const;

 private:
  static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Update(HWND parent);
  void RedrawIfVisible();

  HWND m_hWnd = nullptr;
  WNDPROC m_OriParentProc = nullptr;
  uint8_t m_Status = 0;
  uint8_t m_nDarkness = 150;
  uint8_t m_nSharpness = 5;
  int8_t m_nSize = 0;
  int8_t m_nxOffset = 5;
  int8_t m_nyOffset = 5;
  LPARAM m_WndSize = 0;  // the parent's last client size, as WM_SIZE packs it
  bool m_bUpdate = false;
  COLORREF m_Color = 0;
  HWND m_parent = nullptr;

  using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
  static UpdateLayeredWindowFn s_UpdateLayeredWindow;
  static HINSTANCE s_hInstance;
  static std::map<HWND, CWndShadow*> s_Shadowmap;
};

// The outline of a window's region, row by row (the whole rectangle without a region).
std::vector<ShadowRowSpan> WindowRowSpans(HWND window, int width, int height);
