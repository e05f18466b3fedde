// SPDX-License-Identifier: GPL-3.0-or-later
// The core's side of the display's reports: what the backend tells, turned into the window core's
// state and messages (internal to the platform layer). The running state owns one and attaches it
// to its backend for the length of the run.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include "platform/backend/backend_events.h"

namespace window {

class NativeEvents final : public backend::EventSink {
 public:
  void Input(const backend::InputEvent& event) override;
  void Expose(HWND topLevel, const RECT& rect) override;
  void Moved(HWND topLevel, int screenX, int screenY) override;
  void FrameChanged(HWND topLevel) override;
  void CloseRequested(HWND topLevel) override;
  void FocusChanged(HWND topLevel, bool focused) override;
  void ShowStateChanged(HWND topLevel, bool minimized) override;
  std::optional<std::uint64_t> NextTimerDeadline() override;
};

}  // namespace window
