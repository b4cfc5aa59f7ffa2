#include "toolkit/option_ui.h"

#include "toolkit/paint_manager.h"

void COptionUI::Activate() {
  CPaintManagerUI* manager = m_manager;
  if (!manager) return;
  // A click handler reads the state from before the click.
  manager->SendNotify(this, L"click");
  Selected(!m_selected);
}

void COptionUI::Selected(bool selected) {
  if (m_selected == selected) return;
  m_selected = selected;
  Invalidate();
  if (m_manager) m_manager->SendNotify(this, L"selectchanged");
}

void COptionUI::SetSelectedImage(const std::wstring& fileName) { SetImage(m_selectedImage, fileName); }

const std::string& COptionUI::CurrentImage() const {
  if (m_selected && !m_selectedImage.empty()) return m_selectedImage;
  return CButtonUI::CurrentImage();
}
