// SPDX-License-Identifier: GPL-3.0-or-later
// What a backend reports to the platform core. Called on the UI thread only, from inside
// Backend::WaitAndDispatch (or from a headless test's injection, which takes the same path).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/types.h"

namespace backend {

enum class InputKind { PointerMove, ButtonPress, ButtonRelease, Wheel, KeyPress, KeyRelease };

// Modifier bits of an input event.
inline constexpr unsigned kShift = 1;
inline constexpr unsigned kControl = 2;
inline constexpr unsigned kAlt = 4;

struct InputEvent {
  InputKind kind = InputKind::PointerMove;
  HWND topLevel = nullptr;  // the native window the event arrived at (nullptr: pointer grab)
  int x = 0;                // client coordinates of topLevel (screen if topLevel is null)
  int y = 0;
  int button = 0;            // 1 left, 2 middle, 3 right
  int wheelDelta = 0;        // multiples of WHEEL_DELTA, positive away from the user
  std::uint32_t keysym = 0;  // X keysym of the key
  std::string textUtf8;      // characters the input method produced for a key press
  unsigned modifiers = 0;    // state before the event
  std::uint64_t timeMs = 0;
};

void Input(const InputEvent& event);
// Part of a top-level window's surface must be shown again (the display lost it).
void Expose(HWND topLevel, const RECT& rect);
// The desktop moved the window (client top-left in screen coordinates).
void Moved(HWND topLevel, int screenX, int screenY);
// The desktop asked to close the window (becomes WM_CLOSE).
void CloseRequested(HWND topLevel);
// The desktop gave or took the keyboard focus.
void FocusChanged(HWND topLevel, bool focused);
// The desktop iconified or restored the window.
void ShowStateChanged(HWND topLevel, bool minimized);

// What the core tells a backend or a test driver: the deadline of the next timer on the backend's
// clock, if any (a virtual clock can be moved straight to it).
std::optional<std::uint64_t> NextTimerDeadline();

}  // namespace backend
