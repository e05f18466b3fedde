// SPDX-License-Identifier: GPL-3.0-or-later
// Reading back a 16-bit PCM WAV file that the program (or a sound server's recorder) wrote, for
// tests that listen to it.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testwav {

struct Wav {
  bool valid = false;
  int channels = 0;
  int rate = 0;
  int bits = 0;
  std::uint32_t dataBytes = 0;
  std::vector<float> samples;  // interleaved channels
};

// The file's format and samples (interleaved, -1..1); `valid` when the header is a canonical
// 44-byte PCM header whose sizes match the file.
inline Wav ReadWav(const std::string& path) {
  Wav wav;
  std::ifstream f(path, std::ios::binary);
  std::vector<unsigned char> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (b.size() < 44 || std::memcmp(b.data(), "RIFF", 4) != 0 ||
      std::memcmp(b.data() + 8, "WAVEfmt ", 8) != 0 || std::memcmp(b.data() + 36, "data", 4) != 0) {
    return wav;
  }
  auto le16 = [&](std::size_t at) { return b[at] | (b[at + 1] << 8); };
  auto le32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(le16(at)) | (static_cast<std::uint32_t>(le16(at + 2)) << 16);
  };
  wav.channels = le16(22);
  wav.rate = static_cast<int>(le32(24));
  wav.bits = le16(34);
  wav.dataBytes = le32(40);
  wav.valid = le16(20) == 1 && le32(4) == 36 + wav.dataBytes && b.size() == 44 + wav.dataBytes;
  for (std::size_t i = 44; i + 1 < b.size(); i += 2) {
    wav.samples.push_back(static_cast<std::int16_t>(le16(i)) / 32768.0f);
  }
  return wav;
}

}  // namespace testwav
