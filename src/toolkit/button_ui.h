// A push button drawn from state images (normal, hot, pushed, disabled); reports "click".
#pragma once

#include <string>

#include "toolkit/label_ui.h"

class CButtonUI : public CLabelUI {
 public:
  CButtonUI() { m_textCentered = true; }
  const wchar_t* GetClass() const override { return kButtonClass; }
  bool IsClickable() const override { return true; }
  void Activate() override;

  void SetNormalImage(const std::wstring& fileName);
  void SetHotImage(const std::wstring& fileName);
  void SetPushedImage(const std::wstring& fileName);
  void SetDisabledImage(const std::wstring& fileName);
  const std::string& GetNormalImage() const { return m_normalImage; }
  const std::string& GetHotImage() const { return m_hotImage; }
  const std::string& GetPushedImage() const { return m_pushedImage; }
  const std::string& GetDisabledImage() const { return m_disabledImage; }
  // The image the button shows in its present state.
  virtual const std::string& CurrentImage() const;

 protected:
  void SetImage(std::string& slot, const std::wstring& fileName);
  void PaintStatusImage(Gdiplus::Graphics& graphics) override;

  std::string m_normalImage, m_hotImage, m_pushedImage, m_disabledImage;
};
