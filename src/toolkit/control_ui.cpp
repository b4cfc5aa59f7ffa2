#include "toolkit/control_ui.h"

#include "base/utf8_text.h"
#include "toolkit/paint_manager.h"
#include "toolkit/toolkit_graphics.h"

const wchar_t kControlClass[] = L"ControlUI";
const wchar_t kLabelClass[] = L"LabelUI";
const wchar_t kButtonClass[] = L"ButtonUI";
const wchar_t kOptionClass[] = L"OptionUI";
const wchar_t kVerticalLayoutClass[] = L"VerticalLayoutUI";

CControlUI::CControlUI() = default;
CControlUI::~CControlUI() = default;

void CControlUI::SetText(const std::wstring& text) {
  if (m_text == text) return;
  m_text = text;
  Invalidate();
}

bool CControlUI::IsShown() const {
  for (const CControlUI* control = this; control; control = control->m_parent) {
    if (!control->m_visible) return false;
  }
  return true;
}

void CControlUI::SetVisible(bool visible) {
  if (m_visible == visible) return;
  m_visible = visible;
  Invalidate();
  // A hidden control keeps no mouse state: it cannot be released over.
  if (!visible && m_manager) m_manager->ForgetControl(this);
}

void CControlUI::SetEnabled(bool enabled) {
  if (m_enabled == enabled) return;
  m_enabled = enabled;
  if (!enabled && m_manager) m_manager->ForgetControl(this);
  Invalidate();
}

void CControlUI::SetBkImage(const std::wstring& fileName) {
  const std::string name = WideToUtf8(fileName);
  if (m_bkImage == name) return;
  m_bkImage = name;
  Invalidate();
}

void CControlUI::SetBkColor(uint32_t argb) {
  if (m_hasBkColor && m_bkColor == argb) return;
  m_bkColor = argb;
  m_hasBkColor = true;
  Invalidate();
}

void CControlUI::SetPos(const RECT& rc) {
  if (m_float && m_parent) {
    const RECT& parent = m_parent->GetPos();
    m_fixedPos = {rc.left - parent.left, rc.top - parent.top, rc.right - parent.left, rc.bottom - parent.top};
    m_fixedWidth = rc.right - rc.left;
    m_fixedHeight = rc.bottom - rc.top;
  }
  Layout(rc);
}

void CControlUI::Move(int x, int y) {
  const RECT rc = {x, y, x + (m_rcItem.right - m_rcItem.left), y + (m_rcItem.bottom - m_rcItem.top)};
  SetPos(rc);
}

void CControlUI::Layout(const RECT& rc) {
  if (EqualRect(&rc, &m_rcItem)) return;
  Invalidate();
  m_rcItem = rc;
  Invalidate();
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  m_manager = manager;
  m_parent = parent;
}

CControlUI* CControlUI::FindControl(const std::wstring& name) { return m_name == name ? this : nullptr; }

CControlUI* CControlUI::FindControlAt(POINT pt) {
  return (m_visible && PtInRect(&m_rcItem, pt)) ? this : nullptr;
}

void CControlUI::SetHot(bool hot) {
  if (m_hot == hot) return;
  m_hot = hot;
  Invalidate();
}

void CControlUI::SetPushed(bool pushed) {
  if (m_pushed == pushed) return;
  m_pushed = pushed;
  Invalidate();
}

void CControlUI::Invalidate() {
  if (m_manager && !IsRectEmpty(&m_rcItem)) m_manager->Invalidate(m_rcItem);
}

void CControlUI::DoPaint(Gdiplus::Graphics& graphics, const RECT& paintRect) {
  RECT overlap;
  if (!IntersectRect(&overlap, &paintRect, &m_rcItem)) return;
  PaintBkColor(graphics);
  PaintImage(graphics, m_bkImage);
  PaintStatusImage(graphics);
  PaintText(graphics);
}

void CControlUI::PaintBkColor(Gdiplus::Graphics& graphics) {
  if (!m_hasBkColor || (m_bkColor >> 24) == 0) return;
  Gdiplus::SolidBrush brush{Gdiplus::Color(m_bkColor)};
  graphics.FillRectangle(&brush, static_cast<INT>(m_rcItem.left), static_cast<INT>(m_rcItem.top),
                         static_cast<INT>(m_rcItem.right - m_rcItem.left),
                         static_cast<INT>(m_rcItem.bottom - m_rcItem.top));
}

void CControlUI::PaintImage(Gdiplus::Graphics& graphics, const std::string& name) {
  if (name.empty()) return;
  CToolkitGraphics::Get().DrawSkinImage(graphics, name, m_rcItem);
}
