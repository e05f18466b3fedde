// SPDX-License-Identifier: GPL-3.0-or-later
// Starting and stopping the platform: the run's state (window/platform_state.h), the screen the
// drawing code answers for, the wake of a termination signal, and the classes the platform
// provides, registered once for the run before anything can ask for them. Screen readers are
// offered the windows once the first frame is on screen (atspi/bridge_loader.h).
#include "platform/platform.h"

#include "platform/atspi/bridge_loader.h"
#include "platform/gfx/screen.h"
#include "platform/loop/signals.h"
#include "platform/window/combo/combo_internal.h"
#include "platform/window/window_core.h"

void InitPlatform(Backend* backend) {
  if (window::RunningPlatform() != nullptr) ShutdownPlatform();
  if (backend == nullptr) return;
  window::StartPlatform(*backend);
  gfx::AttachScreen(backend);
  loop::WakeOnSignal(backend);
  window::RegisterMessageBoxClass();
  combo::RegisterClasses();
  window::State().firstIdleHooks.push_back(&atspi::StartWhenIdle);
}

void ShutdownPlatform() {
  if (window::RunningPlatform() == nullptr) return;
  loop::WakeOnSignal(nullptr);
  window::StopPlatform();
  gfx::AttachScreen(nullptr);
}
