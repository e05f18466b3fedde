// What the sequencer rendered on a virtual clock, for tests that listen to it.
//
// With a backend whose clock only moves when a test advances it, playing renders offline and keeps
// every rendered frame per device (interleaved stereo floats at sampleRate), also after the device
// is closed, until ShutdownMci.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <vector>

#include "platform/mci.h"

namespace mci {

struct OfflineAudio {
  int sampleRate = 0;
  std::vector<float> samples;  // left, right, left, right ...
};

// False when the device never rendered offline.
bool GetOfflineAudio(MCIDEVICEID id, OfflineAudio* audio);

}  // namespace mci
