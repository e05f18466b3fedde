// SPDX-License-Identifier: GPL-3.0-or-later
// What the media player tells a screen reader: a panel whose shown buttons are push buttons, each
// a part of the player's window numbered 1 + the button's ordinal, with the action "click" that
// clicks it as the mouse does; which of them reacts and which holds the focus is told as it
// changes.
#include <iterator>
#include <optional>

#include "controls/player/media_player.h"
#include "core/control_accessible.h"
#include "core/event_boundary.h"
#include "platform/window.h"

namespace {

using a11y::ChildId;
using a11y::ObjectRef;
using a11y::Role;
using a11y::State;
using a11y::StateSet;

constexpr const char* kButtonNames[kButtonCount] = {"Play", "Pause", "Stop",   "Next", "Prev",
                                                    "Step", "Back",  "Record", "Eject"};
static_assert(std::size(kButtonNames) == kButtonCount);
constexpr const char* kClickAction = "click";

constexpr TMPBtnType ButtonAt(int index) { return static_cast<TMPBtnType>(index); }
constexpr int IndexOf(TMPBtnType button) { return static_cast<int>(button); }
constexpr ChildId PartOf(TMPBtnType button) { return IndexOf(button) + 1; }

bool Shown(const TMediaPlayer& player, TMPBtnType button) {
  return (player.VisibleButtons() & ButtonBit(button)) != 0;
}

class TPlayerAccessible : public TWinControlAccessible {
 public:
  explicit TPlayerAccessible(TMediaPlayer& player) : TWinControlAccessible(player), m_player(player) {}

  Role RoleOf(ChildId child) const override {
    if (child == a11y::kSelf) return TWinControlAccessible::RoleOf(child);
    return ButtonOf(child) ? Role::kPushButton : Role::kInvalid;
  }

  std::string NameOf(ChildId child) const override {
    if (child == a11y::kSelf) return TWinControlAccessible::NameOf(child);
    const std::optional<TMPBtnType> button = ButtonOf(child);
    return button ? kButtonNames[IndexOf(*button)] : "";
  }

  StateSet StatesOf(ChildId child) const override {
    if (child == a11y::kSelf) return TWinControlAccessible::StatesOf(child);
    const std::optional<TMPBtnType> button = ButtonOf(child);
    if (!button) return {State::kDefunct};
    const bool showing = IsWindowVisible(Window()) != FALSE;
    const bool clickable =
        m_player.Enabled() && IsWindowEnabled(Window()) != FALSE && m_player.ButtonUsable(*button);
    StateSet states{State::kFocusable};
    states.Set(State::kVisible, showing).Set(State::kShowing, showing);
    states.Set(State::kEnabled, clickable).Set(State::kSensitive, clickable);
    return states.Set(State::kFocused, m_player.Focused() && m_player.FocusedButton() == *button);
  }

  RECT BoundsOf(ChildId child) const override {
    if (child == a11y::kSelf) return TWinControlAccessible::BoundsOf(child);
    const std::optional<TMPBtnType> button = ButtonOf(child);
    if (!button) return {};
    // The shown buttons stand side by side, each sharing its border column with the next.
    const int step = m_player.ButtonWidth() - 1;
    int left = 0;
    for (int b = 0; b < IndexOf(*button); ++b) left += Shown(m_player, ButtonAt(b)) ? step : 0;
    return ClientToScreenRect({left, 0, left + m_player.ButtonWidth(), m_player.Height()});
  }

  std::vector<ObjectRef> ChildrenOf(ChildId child) const override {
    std::vector<ObjectRef> buttons;
    if (child != a11y::kSelf) return buttons;
    for (int b = 0; b < kButtonCount; ++b) {
      if (const ObjectRef part = m_player.ButtonRef(ButtonAt(b)); part.hwnd != nullptr)
        buttons.push_back(part);
    }
    return buttons;
  }

  ChildId FocusedChild() const override { return m_player.ButtonRef(m_player.FocusedButton()).child; }

  bool Exists(ChildId child) const override { return child == a11y::kSelf || ButtonOf(child).has_value(); }

  std::vector<std::string> ActionsOf(ChildId child) const override {
    if (!ButtonOf(child)) return {};
    return {kClickAction};
  }

  void DoAction(ChildId child, int index) override {
    const std::optional<TMPBtnType> button = ButtonOf(child);
    if (!button || index != 0) return;
    // Inside the player's boundary, as a click: a refused command shows the error box.
    RunAtBoundary(&m_player, [&] { m_player.PressButton(*button); });
  }

 private:
  // The shown button numbered `child`.
  std::optional<TMPBtnType> ButtonOf(ChildId child) const {
    if (child <= a11y::kSelf || child > kButtonCount) return std::nullopt;
    const TMPBtnType button = ButtonAt(child - 1);
    if (!Shown(m_player, button)) return std::nullopt;
    return button;
  }

  TMediaPlayer& m_player;
};

}  // namespace

std::unique_ptr<a11y::Provider> TMediaPlayer::CreateAccessible() {
  return std::make_unique<TPlayerAccessible>(*this);
}

ObjectRef TMediaPlayer::ButtonRef(TMPBtnType button) const {
  if (!HandleAllocated() || !m_buttons[IndexOf(button)].visible) return {};
  return {m_handle, PartOf(button)};
}

TButtonSet TMediaPlayer::ClickableButtons() const {
  TButtonSet clickable = 0;
  for (int b = 0; b < kButtonCount; ++b) {
    if (Enabled() && ButtonUsable(ButtonAt(b))) clickable |= ButtonBit(ButtonAt(b));
  }
  return clickable;
}

void TMediaPlayer::TellClickableChanges() {
  const TButtonSet clickable = ClickableButtons();
  const TButtonSet changed = clickable ^ m_toldClickable;
  m_toldClickable = clickable;
  if (changed == 0 || !a11y::Listening()) return;
  for (int b = 0; b < kButtonCount; ++b) {
    const ObjectRef part = ButtonRef(ButtonAt(b));
    if ((changed & ButtonBit(ButtonAt(b))) == 0 || part.hwnd == nullptr) continue;
    a11y::Event event;
    event.kind = a11y::EventKind::kStateChanged;
    event.source = part;
    event.on = (clickable & ButtonBit(ButtonAt(b))) != 0;
    for (State state : {State::kEnabled, State::kSensitive}) {
      event.state = state;
      a11y::NotifyEvent(event);
    }
  }
}

void TMediaPlayer::TellFocusedButton() const {
  if (!a11y::Listening() || !Focused()) return;
  a11y::Event event;
  event.kind = a11y::EventKind::kFocus;
  event.source = ButtonRef(m_focusedButton);
  if (event.source.hwnd != nullptr) a11y::NotifyEvent(event);
}
