// A container that stacks its children from top to bottom; floating children sit at their
// own position inside it.
#pragma once

#include <memory>
#include <vector>

#include "toolkit/control_ui.h"

class CVerticalLayoutUI : public CControlUI {
 public:
  const wchar_t* GetClass() const override { return kVerticalLayoutClass; }

  void Add(std::unique_ptr<CControlUI> child);
  int GetCount() const { return static_cast<int>(m_items.size()); }
  CControlUI* GetItemAt(int index) const;

  void Layout(const RECT& rc) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;
  CControlUI* FindControl(const std::wstring& name) override;
  CControlUI* FindControlAt(POINT pt) override;
  void DoPaint(Gdiplus::Graphics& graphics, const RECT& paintRect) override;

 private:
  void LayoutChildren();

  std::vector<std::unique_ptr<CControlUI>> m_items;
};
