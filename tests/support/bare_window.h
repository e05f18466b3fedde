// SPDX-License-Identifier: GPL-3.0-or-later
// A bare top-level window (an unowned pop-up) that holds controls and is no focus host: the parent
// of a control tested without a form.
#pragma once

#include "core/win_control.h"

class TBareWindow : public TWinControl {
 public:
  TBareWindow() : TWinControl(nullptr) { m_controlStyle |= csAcceptsControls; }
  const char* ClassName() const override { return "TBareTestWindow"; }

 protected:
  void CreateParams(TCreateParams& params) override {
    TWinControl::CreateParams(params);
    params.Style &= ~(WS_CHILD | WS_TABSTOP);
    params.Style |= WS_POPUP;
    params.WndParent = nullptr;
  }
};
