#include "toolkit/label_ui.h"

#include "toolkit/paint_manager.h"

void CLabelUI::PaintText(Gdiplus::Graphics& graphics) {
  if (m_text.empty() || !m_manager) return;
  Gdiplus::Font* font = m_manager->GetFont(m_font);
  if (!font) return;
  uint32_t color = m_hasTextColor ? m_textColor : 0;
  if (!m_enabled && m_hasDisabledTextColor) color = m_disabledTextColor;
  Gdiplus::SolidBrush brush{Gdiplus::Color(OpaqueTextColor(color))};

  // One line, placed by hand: drawn at a point, a text is never wrapped (Wine's GDI+ wraps a
  // text in a box that its own measurement found just wide enough).
  Gdiplus::StringFormat format;
  format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap | Gdiplus::StringFormatFlagsNoClip);
  format.SetTrimming(Gdiplus::StringTrimmingNone);
  const Gdiplus::REAL width = static_cast<Gdiplus::REAL>(m_rcItem.right - m_rcItem.left);
  const Gdiplus::REAL height = static_cast<Gdiplus::REAL>(m_rcItem.bottom - m_rcItem.top);
  const INT length = static_cast<INT>(m_text.size());

  // A fallback family can be wider than the one the layout was made for: such a text is
  // narrowed to its control rather than cut or drawn over its neighbours.
  Gdiplus::RectF measured;
  graphics.MeasureString(m_text.c_str(), length, font, Gdiplus::PointF(0, 0), &format, &measured);
  Gdiplus::REAL scale = 1;
  if (width > 0 && measured.Width > width + 1) scale = width / measured.Width;
  const Gdiplus::REAL x = m_textCentered ? (width / scale - measured.Width) / 2 : 0;
  const Gdiplus::REAL y = (height - measured.Height) / 2;

  const Gdiplus::GraphicsState state = graphics.Save();
  graphics.TranslateTransform(static_cast<Gdiplus::REAL>(m_rcItem.left), static_cast<Gdiplus::REAL>(m_rcItem.top));
  graphics.ScaleTransform(scale, 1);
  graphics.DrawString(m_text.c_str(), length, font, Gdiplus::PointF(x, y), &format, &brush);
  graphics.Restore(state);
}
