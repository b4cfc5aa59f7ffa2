// The base of every skinned control: name, text, look, position and state.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "toolkit/gdiplus_include.h"
#include "toolkit/layout_values.h"

class CPaintManagerUI;

// Class names that tell controls apart (the window base's caption hit test reads them).
extern const wchar_t kControlClass[];       // "ControlUI"
extern const wchar_t kLabelClass[];         // "LabelUI"
extern const wchar_t kButtonClass[];        // "ButtonUI"
extern const wchar_t kOptionClass[];        // "OptionUI"
extern const wchar_t kVerticalLayoutClass[];  // "VerticalLayoutUI"

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  virtual const wchar_t* GetClass() const { return kControlClass; }

  const std::wstring& GetName() const { return m_name; }
  void SetName(const std::wstring& name) { m_name = name; }

  const std::wstring& GetText() const { return m_text; }
  void SetText(const std::wstring& text);

  bool IsVisible() const { return m_visible; }
  // Visible and every container above it visible too.
  bool IsShown() const;
  virtual void SetVisible(bool visible);
  bool IsEnabled() const { return m_enabled; }
  virtual void SetEnabled(bool enabled);

  // Images are file names at the skin's root; empty: none.
  void SetBkImage(const std::wstring& fileName);
  const std::string& GetBkImage() const { return m_bkImage; }
  void SetBkColor(uint32_t argb);  // 0xAARRGGBB; alpha is used
  uint32_t GetBkColor() const { return m_bkColor; }

  void SetTextColor(uint32_t argb) { m_textColor = argb, m_hasTextColor = true; }
  uint32_t GetTextColor() const { return m_textColor; }  // as written; drawn opaque
  void SetDisabledTextColor(uint32_t argb) { m_disabledTextColor = argb, m_hasDisabledTextColor = true; }
  void SetFont(int index) { m_font = index; }
  int GetFont() const { return m_font; }  // -1: the default font
  void SetTextCentered(bool centered) { m_textCentered = centered; }
  void SetShowHtml(bool showHtml) { m_showHtml = showHtml; }
  void SetToolTip(const std::wstring& text) { m_toolTip = text; }
  const std::wstring& GetToolTip() const { return m_toolTip; }

  // Placement inside the parent container: floating at pos (relative to the parent's
  // top-left) or stacked; width and height 0 mean "not fixed".
  void SetFloat(bool isFloat) { m_float = isFloat; }
  bool IsFloat() const { return m_float; }
  void SetFixedPos(const LayoutRect& pos) { m_fixedPos = pos; }
  const LayoutRect& GetFixedPos() const { return m_fixedPos; }
  void SetFixedWidth(int width) { m_fixedWidth = width; }
  int GetFixedWidth() const { return m_fixedWidth; }
  void SetFixedHeight(int height) { m_fixedHeight = height; }
  int GetFixedHeight() const { return m_fixedHeight; }

  // Client rectangle as laid out.
  const RECT& GetPos() const { return m_rcItem; }
  // Places the control at an absolute client rectangle; a floating control keeps the place
  // when its container is laid out again.
  virtual void SetPos(const RECT& rc);
  void Move(int x, int y);  // to (x, y) in client coordinates, same width and height
  // Lays the control out at rc without touching its fixed placement (containers call this).
  virtual void Layout(const RECT& rc);

  CControlUI* GetParent() const { return m_parent; }
  virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent);

  virtual CControlUI* FindControl(const std::wstring& name);
  // The topmost shown control under a client point, or null.
  virtual CControlUI* FindControlAt(POINT pt);

  // Mouse states; only clickable controls (buttons, options) take them.
  virtual bool IsClickable() const { return false; }
  bool IsHot() const { return m_hot; }
  void SetHot(bool hot);
  bool IsPushed() const { return m_pushed; }
  void SetPushed(bool pushed);
  // A click released over the control.
  virtual void Activate() {}

  void Invalidate();
  virtual void DoPaint(Gdiplus::Graphics& graphics, const RECT& paintRect);

 protected:
  void PaintBkColor(Gdiplus::Graphics& graphics);
  void PaintImage(Gdiplus::Graphics& graphics, const std::string& name);
  virtual void PaintStatusImage(Gdiplus::Graphics& graphics) {}
  virtual void PaintText(Gdiplus::Graphics& graphics) {}

  CPaintManagerUI* m_manager = nullptr;
  CControlUI* m_parent = nullptr;
  std::wstring m_name, m_text, m_toolTip;
  std::string m_bkImage;
  bool m_visible = true, m_enabled = true, m_hot = false, m_pushed = false;
  bool m_hasBkColor = false, m_hasTextColor = false, m_hasDisabledTextColor = false;
  uint32_t m_bkColor = 0, m_textColor = 0, m_disabledTextColor = 0;
  int m_font = -1;
  bool m_textCentered = false, m_showHtml = false;
  bool m_float = false;
  LayoutRect m_fixedPos;
  int m_fixedWidth = 0, m_fixedHeight = 0;
  RECT m_rcItem = {0, 0, 0, 0};
};
