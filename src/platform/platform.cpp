// SPDX-License-Identifier: GPL-3.0-or-later
// Starting and stopping the platform: the run's state (window/platform_state.h, which owns
// everything a run holds) and the classes the platform provides, registered once for the run
// before anything can ask for them. Screen readers are offered the windows once the first frame
// is on screen (atspi/bridge_loader.h).
#include "platform/platform.h"

#include "platform/atspi/bridge_loader.h"
#include "platform/window/combo/combo_internal.h"
#include "platform/window/platform_state.h"
#include "platform/window/window_core.h"

void InitPlatform(backend::Backend* backend) {
  if (window::RunningPlatform() != nullptr) ShutdownPlatform();
  if (backend == nullptr) return;
  window::StartPlatform(*backend);
  window::RegisterMessageBoxClass();
  combo::RegisterClasses();
  window::State().firstIdleHooks.push_back(&atspi::StartWhenIdle);
  window::State().firstIdleHooks.push_back([] { window::State().backend.StartOwnAccessibility(); });
}

void ShutdownPlatform() { window::StopPlatform(); }
