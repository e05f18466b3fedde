// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window/a11y/default_provider.h"

#include <memory>
#include <string>

#include "platform/window.h"
#include "platform/window/a11y/access_state.h"
#include "platform/window/platform_state.h"

namespace a11y {

namespace {

bool IsTopLevel(HWND hwnd) { return (GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD) == 0; }

}  // namespace

std::string WindowTextOf(HWND hwnd) {
  const int length = GetWindowTextLength(hwnd);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = GetWindowText(hwnd, text.data(), static_cast<int>(text.size()));
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

StateSet WindowStates(HWND hwnd) {
  StateSet states;
  if (!IsWindow(hwnd)) return states.Set(State::kDefunct);
  const bool visible = IsWindowVisible(hwnd) != FALSE;
  states.Set(State::kVisible, visible).Set(State::kShowing, visible);
  const bool enabled = IsWindowEnabled(hwnd) != FALSE;
  states.Set(State::kEnabled, enabled).Set(State::kSensitive, enabled);
  if ((GetWindowLong(hwnd, GWL_STYLE) & WS_TABSTOP) != 0) states.Set(State::kFocusable);
  if (GetFocus() == hwnd) states.Set(State::kFocusable).Set(State::kFocused);
  if (IsTopLevel(hwnd) && GetActiveWindow() == hwnd) states.Set(State::kActive);
  return states;
}

RECT WindowScreenRect(HWND hwnd) {
  RECT r{};
  if (IsWindow(hwnd)) GetWindowRect(hwnd, &r);
  return r;
}

std::vector<ObjectRef> ChildWindows(HWND hwnd) {
  std::vector<ObjectRef> children;
  for (HWND child = GetTopWindow(hwnd); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (IsWindowVisible(child)) children.push_back({child, kSelf});
  }
  return children;
}

Role WindowProvider::RoleOf(ChildId) const {
  if (IsTopLevel(m_hwnd)) {
    return (GetWindowLong(m_hwnd, GWL_STYLE) & WS_CAPTION) == WS_CAPTION ? Role::kFrame : Role::kFiller;
  }
  return Role::kPanel;
}

std::string WindowProvider::NameOf(ChildId) const { return WindowTextOf(m_hwnd); }

StateSet WindowProvider::StatesOf(ChildId) const { return WindowStates(m_hwnd); }

RECT WindowProvider::BoundsOf(ChildId) const { return WindowScreenRect(m_hwnd); }

std::vector<ObjectRef> WindowProvider::ChildrenOf(ChildId) const { return ChildWindows(m_hwnd); }

void WindowProvider::GrabFocus(ChildId) {
  if (IsWindowVisible(m_hwnd) && IsWindowEnabled(m_hwnd)) SetFocus(m_hwnd);
}

Provider* DefaultProviderOf(HWND hwnd) {
  window::PlatformState* running = window::RunningPlatform();
  if (running == nullptr || !IsWindow(hwnd)) return nullptr;
  if (!running->accessibility) running->accessibility = std::make_unique<AccessState>();
  auto& defaults = running->accessibility->defaults;
  if (auto found = defaults.find(hwnd); found != defaults.end()) return found->second.get();
  std::erase_if(defaults, [](const auto& entry) { return !IsWindow(entry.first); });
  return defaults.emplace(hwnd, std::make_unique<WindowProvider>(hwnd)).first->second.get();
}

}  // namespace a11y
