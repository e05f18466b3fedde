// SPDX-License-Identifier: GPL-3.0-or-later
// Rendering on a virtual clock, for tests that listen to what was played.
//
// Handed a clock that only moves when a test advances it (the headless display's), playing with
// the default output renders offline and keeps every rendered frame per device (interleaved
// stereo floats at sampleRate), also after the device is closed, until ShutdownMci.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <vector>

#include "platform/mci.h"

class VirtualClock;

namespace mci {

struct OfflineAudio {
  int sampleRate = 0;
  std::vector<float> samples;  // left, right, left, right ...
};

// Renders on `clock` from now on (nullptr: plays through a sound output again). The clock must
// outlive every device that renders on it: ShutdownMci ends them.
void RenderOnClock(VirtualClock* clock);

// False when the device never rendered offline.
bool GetOfflineAudio(MCIDEVICEID id, OfflineAudio* audio);

}  // namespace mci
