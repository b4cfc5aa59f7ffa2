// A two-state tick box: "click" first, then the state flips and "selectchanged" follows.
#pragma once

#include "toolkit/button_ui.h"

class COptionUI : public CButtonUI {
 public:
  COptionUI() { m_textCentered = false; }
  const wchar_t* GetClass() const override { return kOptionClass; }
  void Activate() override;

  bool IsSelected() const { return m_selected; }
  // Reports "selectchanged" whenever the state changes, also when changed by code.
  void Selected(bool selected);

  void SetSelectedImage(const std::wstring& fileName);
  const std::string& GetSelectedImage() const { return m_selectedImage; }
  const std::string& CurrentImage() const override;

 private:
  bool m_selected = false;
  std::string m_selectedImage;
};
