// SPDX-License-Identifier: GPL-3.0-or-later
// What a windowed control answers a screen reader: the control itself (ChildId kSelf), with the
// role, name and text its class gives, and the windowless controls that lie on it (the labels on
// the form) as its parts, numbered by the control while they lie there. Children come in reading
// order: the controls in the order they lie on the window, the windowed ones taking their places
// in tab order, then any child window that no control of this window stands for.
//
// A control with parts of its own (the grid's cells, the player's buttons) derives from it and
// numbers those parts itself; such a control takes no windowless children.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/accessibility.h"

class TControl;
class TWinControl;

class TWinControlAccessible : public a11y::Provider {
 public:
  explicit TWinControlAccessible(TWinControl& control) : m_control(control) {}

  a11y::Role RoleOf(a11y::ChildId child) const override;
  std::string NameOf(a11y::ChildId child) const override;
  a11y::StateSet StatesOf(a11y::ChildId child) const override;
  RECT BoundsOf(a11y::ChildId child) const override;
  std::vector<a11y::ObjectRef> ChildrenOf(a11y::ChildId child) const override;
  bool Exists(a11y::ChildId child) const override;
  std::optional<std::string> TextOf(a11y::ChildId child) const override;
  void GrabFocus(a11y::ChildId child) override;

 protected:
  TWinControl& Control() const { return m_control; }
  // The control's window; nullptr while it has none (never made here: a reader asks through it).
  HWND Window() const;
  // The window's states now: visible and showing, enabled, focusable, focused, and active for a
  // top-level window.
  a11y::StateSet WindowStates() const;
  // A rectangle of the window's client area, in screen coordinates.
  RECT ClientToScreenRect(const RECT& rect) const;

 private:
  // The windowless child numbered `child`, or nullptr.
  TControl* Part(a11y::ChildId child) const;

  TWinControl& m_control;
};
