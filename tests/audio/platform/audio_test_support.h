// SPDX-License-Identifier: GPL-3.0-or-later
// Shared helpers of the audio tests: the build directory's key files and measures of a signal.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace audio_test {

inline std::string KeyFile(const std::string& name) { return std::string(TESSIVO_BINARY_DIR) + "/" + name; }

inline float Peak(const std::vector<float>& samples, std::size_t from = 0,
                  std::size_t to = static_cast<std::size_t>(-1)) {
  float peak = 0;
  to = std::min(to, samples.size());
  for (std::size_t i = from; i < to; ++i) peak = std::max(peak, std::fabs(samples[i]));
  return peak;
}

inline double Rms(const std::vector<float>& samples, std::size_t from = 0,
                  std::size_t to = static_cast<std::size_t>(-1)) {
  to = std::min(to, samples.size());
  if (to <= from) return 0;
  double sum = 0;
  for (std::size_t i = from; i < to; ++i) sum += double{samples[i]} * samples[i];
  return std::sqrt(sum / static_cast<double>(to - from));
}

}  // namespace audio_test
