// Turns a layout's description of controls into live controls.
#pragma once

#include <memory>

#include "toolkit/control_ui.h"
#include "toolkit/layout_parser.h"

std::unique_ptr<CControlUI> BuildControls(const LayoutControl& description);
