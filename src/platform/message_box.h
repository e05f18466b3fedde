// SPDX-License-Identifier: GPL-3.0-or-later
// The modal message box.
//
// MessageBox(owner, text, caption, flags) opens a top-level dialog owned by `owner` (centred on the
// owner's monitor), disables the owner while it is open and runs a nested message loop that still
// dispatches painting, timers and posted messages to every window; input to disabled windows is
// refused. MB_ICONSTOP shows the stop icon. There is one OK button; Enter, Space and Escape answer
// IDOK, as do the OK button and the close button of the frame. Text is cp1252, wrapped to a
// sensible width. Returns IDOK (0 when the box could not be made).
#pragma once

#include <functional>
#include <string>

#include "base/types.h"

int MessageBox(HWND owner, const char* text, const char* caption, UINT flags);

// A box as it was shown.
struct ShownMessageBox {
  HWND box = nullptr;
  std::string text;
  std::string caption;
  UINT flags = 0;
};
// Who answers boxes when no user does (the headless driver, for tests): `watcher` is told of each
// box of the running platform once it is on the screen, before the box waits for its answer. One
// watcher per run; an empty one stops watching. Ignored while no platform runs.
void WatchMessageBoxes(std::function<void(const ShownMessageBox&)> watcher);
