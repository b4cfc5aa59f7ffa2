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
  format.SetTrimming(Gdiplus::StringTrimmingNone);
  const Gdiplus::REAL left = static_cast<Gdiplus::REAL>(m_rcItem.left);
  const Gdiplus::REAL top = static_cast<Gdiplus::REAL>(m_rcItem.top);
  const Gdiplus::REAL width = static_cast<Gdiplus::REAL>(m_rcItem.right - m_rcItem.left);
  const Gdiplus::REAL height = static_cast<Gdiplus::REAL>(m_rcItem.bottom - m_rcItem.top);
  const INT length = static_cast<INT>(m_text.size());

  // A fallback family can be wider than the one the layout was made for: such a text is
  // narrowed to its control rather than cut or drawn over its neighbours.
  Gdiplus::RectF measured;
  graphics.MeasureString(m_text.c_str(), length, font, Gdiplus::PointF(0, 0), &format, &measured);
  Gdiplus::REAL scale = 1;
  if (width > 0 && measured.Width > width + 1) scale = width / measured.Width;

  const Gdiplus::GraphicsState state = graphics.Save();
  graphics.TranslateTransform(left, top);
  graphics.ScaleTransform(scale, 1);
  const Gdiplus::RectF layout(0, 0, width / scale, height);
  graphics.DrawString(m_text.c_str(), length, font, layout, &format, &brush);
  graphics.Restore(state);
}
