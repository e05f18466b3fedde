// SPDX-License-Identifier: GPL-3.0-or-later
// The run's accessibility state besides the sink: a screen reader's requests waiting for the
// message loop, and the platform's answers for windows that do not answer for themselves
// (internal to the platform layer).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <deque>
#include <map>
#include <memory>
#include <string>

#include "platform/accessibility.h"

namespace a11y {

struct PendingRequest {
  ObjectRef target;
  RequestKind kind = RequestKind::kDoAction;
  int index = 0;
  std::string text;
};

struct AccessState {
  std::deque<PendingRequest> queue;
  bool timerSet = false;
  // Made on first use, one per window; handles are never reused, so an entry of a destroyed
  // window is only dead weight, dropped when the table is next added to.
  std::map<HWND, std::unique_ptr<Provider>> defaults;
  // The part a screen reader was last told has the keyboard focus, so that losing the focus is
  // told of that part alone (a window that hands the focus on at once was never told it had it).
  ObjectRef focusTold;
};

}  // namespace a11y
