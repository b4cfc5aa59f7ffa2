#include "toolkit/dialog_builder.h"

#include "base/utf8_text.h"
#include "toolkit/option_ui.h"
#include "toolkit/vertical_layout_ui.h"

namespace {

void ApplyCommon(const LayoutControl& description, CControlUI& control) {
  control.SetName(description.name);
  control.SetText(description.text);
  control.SetToolTip(description.tooltip);
  control.SetFloat(description.isFloat);
  control.SetFixedPos(description.pos);
  control.SetFixedWidth(description.width);
  control.SetFixedHeight(description.height);
  if (description.bkColor) control.SetBkColor(*description.bkColor);
  if (description.textColor) control.SetTextColor(*description.textColor);
  if (description.disabledTextColor) control.SetDisabledTextColor(*description.disabledTextColor);
  control.SetFont(description.font);
  if (description.alignGiven) control.SetTextCentered(description.alignCenter);
  control.SetShowHtml(description.showHtml);
  control.SetVisible(description.visible);
  control.SetBkImage(Utf8ToWide(description.bkImage));
}

void ApplyButton(const LayoutControl& description, CButtonUI& button) {
  button.SetNormalImage(Utf8ToWide(description.normalImage));
  button.SetHotImage(Utf8ToWide(description.hotImage));
  button.SetPushedImage(Utf8ToWide(description.pushedImage));
  button.SetDisabledImage(Utf8ToWide(description.disabledImage));
}

}  // namespace

std::unique_ptr<CControlUI> BuildControls(const LayoutControl& description) {
  switch (description.type) {
    case LayoutControlType::kVerticalLayout: {
      auto layout = std::make_unique<CVerticalLayoutUI>();
      ApplyCommon(description, *layout);
      for (const LayoutControl& child : description.children) layout->Add(BuildControls(child));
      return layout;
    }
    case LayoutControlType::kLabel: {
      auto label = std::make_unique<CLabelUI>();
      ApplyCommon(description, *label);
      return label;
    }
    case LayoutControlType::kButton: {
      auto button = std::make_unique<CButtonUI>();
      ApplyCommon(description, *button);
      ApplyButton(description, *button);
      return button;
    }
    case LayoutControlType::kOption: {
      auto option = std::make_unique<COptionUI>();
      ApplyCommon(description, *option);
      ApplyButton(description, *option);
      option->SetSelectedImage(Utf8ToWide(description.selectedImage));
      return option;
    }
  }
  return nullptr;
}
