// Static text or image.
#pragma once

#include "toolkit/control_ui.h"

class CLabelUI : public CControlUI {
 public:
  const wchar_t* GetClass() const override { return kLabelClass; }

 protected:
  void PaintText(Gdiplus::Graphics& graphics) override;
};
