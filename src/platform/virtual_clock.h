// SPDX-License-Identifier: GPL-3.0-or-later
// A clock that moves only when a test moves it, as the headless display's does. The multimedia
// service is made with the display's own clock (backend::WaitConcern::OwnClock) and then renders
// offline, step by step with it, instead of playing through a sound output in real time.
#pragma once

#include <cstdint>

// Something that keeps step with the clock. Called on the UI thread.
class ClockListener {
 public:
  virtual ~ClockListener() = default;
  virtual void ClockAdvanced(std::uint64_t nowMs) = 0;
};

class VirtualClock {
 public:
  virtual ~VirtualClock() = default;
  virtual std::uint64_t NowMs() = 0;
  // Listeners hear of every step from then on, until removed.
  virtual void AddClockListener(ClockListener* listener) = 0;
  virtual void RemoveClockListener(ClockListener* listener) = 0;
};
