// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window/a11y/platform_events.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/window/a11y/access_state.h"
#include "platform/window/platform_state.h"

namespace a11y {
namespace {

// The run's accessibility state, made on first use; nullptr when no platform runs.
AccessState* Access() {
  window::PlatformState* running = window::RunningPlatform();
  if (running == nullptr) return nullptr;
  if (!running->accessibility) running->accessibility = std::make_unique<AccessState>();
  return running->accessibility.get();
}

void Tell(EventKind kind, ObjectRef source) { NotifyEvent(EventOf(kind, source)); }

void TellText(EventKind kind, ObjectRef source, int offset, const std::string& text) {
  Event event = EventOf(kind, source);
  event.offset = offset;
  event.text = text;
  NotifyEvent(event);
}

}  // namespace

void TellFocusGained(HWND hwnd) {
  if (!Listening()) return;
  Provider* provider = ProviderOf(hwnd);
  AccessState* access = Access();
  if (provider == nullptr || access == nullptr) return;
  const ObjectRef part{hwnd, provider->FocusedChild()};
  // A part still told focused (its window went without losing the focus) is let go first.
  if (access->focusTold.hwnd != nullptr && access->focusTold != part) {
    TellState(std::exchange(access->focusTold, {}), State::kFocused, false);
  }
  access->focusTold = part;
  TellState(part, State::kFocused, true);
  Tell(EventKind::kFocus, part);
}

void TellFocusLost(HWND hwnd) {
  if (!Listening()) return;
  AccessState* access = Access();
  if (access == nullptr || access->focusTold.hwnd != hwnd) return;
  TellState(std::exchange(access->focusTold, {}), State::kFocused, false);
}

void TellActivation(HWND top, Activation activation) {
  if (!Listening()) return;
  Tell(activation == Activation::kActivated ? EventKind::kWindowActivated : EventKind::kWindowDeactivated,
       {top, kSelf});
}

void TellShown(HWND top) {
  if (Listening()) Tell(EventKind::kWindowCreated, {top, kSelf});
}

void TellDestroyed(HWND top) {
  if (!Listening()) return;
  if (AccessState* access = Access(); access != nullptr && access->focusTold.hwnd == top) {
    access->focusTold = {};
  }
  Tell(EventKind::kWindowDestroyed, {top, kSelf});
}

void TellState(ObjectRef source, State state, bool on) {
  if (!Listening()) return;
  Event event = EventOf(EventKind::kStateChanged, source);
  event.state = state;
  event.on = on;
  NotifyEvent(event);
}

TextEdit EditBetween(std::string_view before, std::string_view after, int editStart) {
  const std::size_t start = static_cast<std::size_t>(std::max(0, editStart));
  const std::size_t most = std::min({before.size(), after.size(), start});
  std::size_t prefix = 0;
  while (prefix < most && before[prefix] == after[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
    ++suffix;
  }
  return {static_cast<int>(prefix), std::string(before.substr(prefix, before.size() - prefix - suffix)),
          std::string(after.substr(prefix, after.size() - prefix - suffix))};
}

void TellTextEdit(ObjectRef source, const TextEdit& edit, int caret) {
  if (!Listening()) return;
  if (!edit.removed.empty()) TellText(EventKind::kTextRemoved, source, edit.offset, edit.removed);
  if (!edit.inserted.empty()) TellText(EventKind::kTextInserted, source, edit.offset, edit.inserted);
  TellCaret(source, caret);
}

void TellCaret(ObjectRef source, int caret) {
  if (!Listening()) return;
  Event event = EventOf(EventKind::kCaretMoved, source);
  event.offset = caret;
  NotifyEvent(event);
}

}  // namespace a11y
