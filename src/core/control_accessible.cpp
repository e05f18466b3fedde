// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/control_accessible.h"

#include <algorithm>
#include <utility>

#include "core/win_control.h"
#include "platform/window.h"

using a11y::ChildId;
using a11y::ObjectRef;
using a11y::State;
using a11y::StateSet;

HWND TWinControlAccessible::Window() const { return std::as_const(m_control).Handle(); }

TControl* TWinControlAccessible::Part(ChildId child) const {
  if (child == a11y::kSelf) return nullptr;
  for (int i = 0; i < m_control.ControlCount(); ++i) {
    TControl* control = m_control.Controls(i);
    if (!control->IsWindowed() && control->AccessibleRef().child == child) return control;
  }
  return nullptr;
}

a11y::Role TWinControlAccessible::RoleOf(ChildId child) const {
  if (child == a11y::kSelf) return m_control.AccessibleRole();
  const TControl* part = Part(child);
  return part != nullptr ? part->AccessibleRole() : a11y::Role::kInvalid;
}

std::string TWinControlAccessible::NameOf(ChildId child) const {
  if (child == a11y::kSelf) return m_control.AccessibleName();
  const TControl* part = Part(child);
  return part != nullptr ? part->AccessibleName() : std::string();
}

std::optional<std::string> TWinControlAccessible::TextOf(ChildId child) const {
  if (child == a11y::kSelf) return m_control.AccessibleText();
  const TControl* part = Part(child);
  return part != nullptr ? part->AccessibleText() : std::nullopt;
}

StateSet TWinControlAccessible::WindowStates() const {
  const HWND hwnd = Window();
  if (hwnd == nullptr || !IsWindow(hwnd)) return {State::kDefunct};
  StateSet states;
  states.Set(State::kVisible, m_control.Visible()).Set(State::kShowing, IsWindowVisible(hwnd) != FALSE);
  const bool enabled = IsWindowEnabled(hwnd) != FALSE;
  states.Set(State::kEnabled, enabled).Set(State::kSensitive, enabled);
  if (m_control.TabStop() && m_control.CanFocus()) states.Set(State::kFocusable);
  if (m_control.Focused()) states.Set(State::kFocusable).Set(State::kFocused);
  if (m_control.Parent() == nullptr && GetActiveWindow() == hwnd) states.Set(State::kActive);
  return states;
}

StateSet TWinControlAccessible::StatesOf(ChildId child) const {
  if (child == a11y::kSelf) return WindowStates();
  const TControl* part = Part(child);
  if (part == nullptr) return {State::kDefunct};
  // A part shows while it is visible on a window that shows, and reacts while both are enabled.
  const HWND hwnd = Window();
  const bool showing = part->Visible() && IsWindowVisible(hwnd) != FALSE;
  const bool enabled = part->Enabled() && IsWindowEnabled(hwnd) != FALSE;
  StateSet states;
  states.Set(State::kVisible, part->Visible()).Set(State::kShowing, showing);
  return states.Set(State::kEnabled, enabled).Set(State::kSensitive, enabled);
}

RECT TWinControlAccessible::ClientToScreenRect(const RECT& rect) const {
  POINT topLeft{rect.left, rect.top};
  ::ClientToScreen(Window(), &topLeft);
  return {topLeft.x, topLeft.y, topLeft.x + (rect.right - rect.left), topLeft.y + (rect.bottom - rect.top)};
}

RECT TWinControlAccessible::BoundsOf(ChildId child) const {
  RECT bounds{};
  if (child == a11y::kSelf) {
    GetWindowRect(Window(), &bounds);
  } else if (const TControl* part = Part(child)) {
    const POINT origin = part->ClientToScreen({0, 0});
    bounds = {origin.x, origin.y, origin.x + part->Width(), origin.y + part->Height()};
  }
  return bounds;
}

std::vector<ObjectRef> TWinControlAccessible::ChildrenOf(ChildId child) const {
  std::vector<ObjectRef> children;
  if (child != a11y::kSelf) return children;
  std::vector<TWinControl*> tabOrder;
  m_control.GetTabOrderList(tabOrder);
  std::erase_if(tabOrder, [this](const TWinControl* c) { return c->Parent() != &m_control; });
  std::size_t nextInTabOrder = 0;
  for (int i = 0; i < m_control.ControlCount(); ++i) {
    const TControl* control = m_control.Controls(i);
    if (!control->IsWindowed()) {
      if (control->Visible()) children.push_back(control->AccessibleRef());
      continue;
    }
    // The windowed controls' places are filled in tab order, the order a keyboard user meets them.
    if (nextInTabOrder >= tabOrder.size()) continue;
    const HWND hwnd = std::as_const(*tabOrder[nextInTabOrder++]).Handle();
    if (hwnd != nullptr && IsWindowVisible(hwnd)) children.push_back({hwnd, a11y::kSelf});
  }
  for (HWND hwnd = GetTopWindow(Window()); hwnd != nullptr; hwnd = GetWindow(hwnd, GW_HWNDNEXT)) {
    const bool listed =
        std::any_of(children.begin(), children.end(), [hwnd](const ObjectRef& c) { return c.hwnd == hwnd; });
    if (!listed && IsWindowVisible(hwnd)) children.push_back({hwnd, a11y::kSelf});
  }
  return children;
}

bool TWinControlAccessible::Exists(ChildId child) const {
  return child == a11y::kSelf || Part(child) != nullptr;
}

void TWinControlAccessible::GrabFocus(ChildId child) {
  if (child == a11y::kSelf && m_control.CanFocus()) m_control.SetFocus();
}
