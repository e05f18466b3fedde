// SPDX-License-Identifier: GPL-3.0-or-later
// The step of the program's message loop that the controls depend on: keyboard messages are
// offered to the focused control's routing before they are translated and dispatched, so Tab
// and the dialog keys reach the form and the arrows reach the grid.
#pragma once

#include "core/win_control.h"
#include "platform/window.h"

namespace apptest {

// Whether the controls' routing took the message (then it is not dispatched).
inline bool RoutedToControls(const MSG& msg) {
  return msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && TWinControl::RouteKeyMessage(msg);
}

// Runs the program's loop step until no message is left (a bounded number of them).
inline void PumpLikeTheProgram() {
  MSG msg;
  for (int guard = 0; guard < 100000 && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE); ++guard) {
    if (RoutedToControls(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

}  // namespace apptest
