#include "toolkit/vertical_layout_ui.h"

void CVerticalLayoutUI::Add(std::unique_ptr<CControlUI> child) {
  child->SetManager(m_manager, this);
  m_items.push_back(std::move(child));
  LayoutChildren();
}

CControlUI* CVerticalLayoutUI::GetItemAt(int index) const {
  return (index >= 0 && index < GetCount()) ? m_items[index].get() : nullptr;
}

void CVerticalLayoutUI::Layout(const RECT& rc) {
  CControlUI::Layout(rc);
  LayoutChildren();
}

void CVerticalLayoutUI::LayoutChildren() {
  const RECT& rc = m_rcItem;
  const int width = rc.right - rc.left, height = rc.bottom - rc.top;

  // Stacked children with a fixed height take it; the others share what is left equally.
  int fixedTotal = 0, flexible = 0;
  for (const auto& item : m_items) {
    if (item->IsFloat() || !item->IsVisible()) continue;
    if (item->GetFixedHeight() > 0) {
      fixedTotal += item->GetFixedHeight();
    } else {
      ++flexible;
    }
  }
  const int share = flexible > 0 ? std::max(0, height - fixedTotal) / flexible : 0;

  int y = rc.top;
  for (const auto& item : m_items) {
    if (item->IsFloat()) {
      const LayoutRect& pos = item->GetFixedPos();
      RECT place;
      place.left = rc.left + pos.left;
      place.top = rc.top + pos.top;
      place.right = item->GetFixedWidth() > 0 ? place.left + item->GetFixedWidth() : rc.left + pos.right;
      place.bottom = item->GetFixedHeight() > 0 ? place.top + item->GetFixedHeight() : rc.top + pos.bottom;
      item->Layout(place);
      continue;
    }
    if (!item->IsVisible()) continue;
    const int itemHeight = item->GetFixedHeight() > 0 ? item->GetFixedHeight() : share;
    const int itemWidth = item->GetFixedWidth() > 0 ? std::min(item->GetFixedWidth(), width) : width;
    const RECT place = {rc.left, y, rc.left + itemWidth, y + itemHeight};
    item->Layout(place);
    y += itemHeight;
  }
}

void CVerticalLayoutUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  CControlUI::SetManager(manager, parent);
  for (const auto& item : m_items) item->SetManager(manager, this);
}

CControlUI* CVerticalLayoutUI::FindControl(const std::wstring& name) {
  if (CControlUI* self = CControlUI::FindControl(name)) return self;
  for (const auto& item : m_items) {
    if (CControlUI* found = item->FindControl(name)) return found;
  }
  return nullptr;
}

CControlUI* CVerticalLayoutUI::FindControlAt(POINT pt) {
  if (!m_visible || !PtInRect(&m_rcItem, pt)) return nullptr;
  // Later children are painted over earlier ones, so they are hit first.
  for (auto item = m_items.rbegin(); item != m_items.rend(); ++item) {
    if (CControlUI* found = (*item)->FindControlAt(pt)) return found;
  }
  return this;
}

void CVerticalLayoutUI::DoPaint(Gdiplus::Graphics& graphics, const RECT& paintRect) {
  RECT overlap;
  if (!m_visible || !IntersectRect(&overlap, &paintRect, &m_rcItem)) return;
  CControlUI::DoPaint(graphics, overlap);
  // Children are clipped to the container.
  Gdiplus::GraphicsState state = graphics.Save();
  graphics.IntersectClip(Gdiplus::Rect(overlap.left, overlap.top, overlap.right - overlap.left,
                                       overlap.bottom - overlap.top));
  for (const auto& item : m_items) {
    if (item->IsVisible()) item->DoPaint(graphics, overlap);
  }
  graphics.Restore(state);
}
