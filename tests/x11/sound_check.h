// SPDX-License-Identifier: GPL-3.0-or-later
// What the x11 tests look at when the program plays: a coloured (usable) player glyph, and a WAV
// recording's pitch classes checked against a key's scale.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "support/wav_file.h"

namespace soundcheck {

// A glyph in colour, not in the greys of a disabled one.
inline bool HasColour(const std::vector<std::uint32_t>& pixels) {
  constexpr int kSaturation = 40;
  for (std::uint32_t p : pixels) {
    const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    if (std::abs(r - g) > kSaturation || std::abs(g - b) > kSaturation || std::abs(r - b) > kSaturation) {
      return true;
    }
  }
  return false;
}

struct Recording {
  int rate = 0;
  std::vector<float> mono;
};

// A stereo WAV file as its mono mix; rate 0 when it is no such file.
inline Recording ReadWav(const std::string& path) {
  const testwav::Wav wav = testwav::ReadWav(path);
  Recording r;
  if (wav.channels != 2) return r;
  r.rate = wav.rate;
  for (std::size_t i = 0; i + 1 < wav.samples.size(); i += 2)
    r.mono.push_back((wav.samples[i] + wav.samples[i + 1]) / 2);
  return r;
}

// The energy of each pitch class over the recording: Goertzel filters on every semitone from C2 to
// C7, in blocks, summed by pitch class.
inline std::vector<double> PitchClassEnergy(const Recording& r) {
  constexpr int kLowestNote = 36;
  constexpr int kHighestNote = 96;
  constexpr std::size_t kBlock = 8192;
  std::vector<double> energy(12, 0.0);
  for (int note = kLowestNote; note <= kHighestNote; ++note) {
    const double frequency = 440.0 * std::pow(2.0, (note - 69) / 12.0);
    const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * frequency / r.rate);
    for (std::size_t start = 0; start + kBlock <= r.mono.size(); start += kBlock) {
      double s1 = 0, s2 = 0;
      for (std::size_t i = start; i < start + kBlock; ++i) {
        const double s = r.mono[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s;
      }
      energy[static_cast<std::size_t>(note % 12)] += s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    }
  }
  return energy;
}

// Every pitch class of `scale` sounded more than any pitch class outside it.
inline bool InScaleOnly(const Recording& r, const std::vector<int>& scale) {
  const std::vector<double> energy = PitchClassEnergy(r);
  double weakestInScale = 1e300;
  double strongestOutside = 0;
  for (int pc = 0; pc < 12; ++pc) {
    const double e = energy[static_cast<std::size_t>(pc)];
    if (std::find(scale.begin(), scale.end(), pc) != scale.end()) {
      weakestInScale = std::min(weakestInScale, e);
    } else {
      strongestOutside = std::max(strongestOutside, e);
    }
  }
  return weakestInScale > strongestOutside;
}

}  // namespace soundcheck
