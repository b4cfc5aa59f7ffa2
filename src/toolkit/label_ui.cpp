#include "toolkit/label_ui.h"

#include "toolkit/paint_manager.h"

void CLabelUI::PaintText(Gdiplus::Graphics& graphics) {
  if (m_text.empty() || !m_manager) return;
  Gdiplus::Font* font = m_manager->GetFont(m_font);
  if (!font) return;
  uint32_t color = m_hasTextColor ? m_textColor : 0;
  if (!m_enabled && m_hasDisabledTextColor) color = m_disabledTextColor;
  Gdiplus::SolidBrush brush{Gdiplus::Color(OpaqueTextColor(color))};

  Gdiplus::StringFormat format;
  format.SetAlignment(m_textCentered ? Gdiplus::StringAlignmentCenter : Gdiplus::StringAlignmentNear);
  format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
  // One line; a text a little wider than its label (another font's metrics) still shows whole.
  format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap | Gdiplus::StringFormatFlagsNoClip);
  const Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(m_rcItem.left), static_cast<Gdiplus::REAL>(m_rcItem.top),
                              static_cast<Gdiplus::REAL>(m_rcItem.right - m_rcItem.left),
                              static_cast<Gdiplus::REAL>(m_rcItem.bottom - m_rcItem.top));
  graphics.DrawString(m_text.c_str(), static_cast<INT>(m_text.size()), font, layout, &format, &brush);
}
