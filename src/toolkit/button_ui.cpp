#include "toolkit/button_ui.h"

#include "base/utf8_text.h"
#include "toolkit/paint_manager.h"

void CButtonUI::Activate() {
  if (m_manager) m_manager->SendNotify(this, L"click");
}

void CButtonUI::SetImage(std::string& slot, const std::wstring& fileName) {
  const std::string name = WideToUtf8(fileName);
  if (slot == name) return;
  slot = name;
  Invalidate();
}

void CButtonUI::SetNormalImage(const std::wstring& fileName) { SetImage(m_normalImage, fileName); }
void CButtonUI::SetHotImage(const std::wstring& fileName) { SetImage(m_hotImage, fileName); }
void CButtonUI::SetPushedImage(const std::wstring& fileName) { SetImage(m_pushedImage, fileName); }
void CButtonUI::SetDisabledImage(const std::wstring& fileName) { SetImage(m_disabledImage, fileName); }

const std::string& CButtonUI::CurrentImage() const {
  // A state without an image of its own shows the normal one.
  if (!m_enabled) return m_disabledImage.empty() ? m_normalImage : m_disabledImage;
  if (m_pushed && m_hot && !m_pushedImage.empty()) return m_pushedImage;
  if ((m_hot || m_pushed) && !m_hotImage.empty()) return m_hotImage;
  return m_normalImage;
}

void CButtonUI::PaintStatusImage(Gdiplus::Graphics& graphics) { PaintImage(graphics, CurrentImage()); }
