// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures as the tests keep them: 0x00RRGGBB pixels row by row, read from and written to PNG
// files as 8-bit RGB (libpng converts other PNG formats on reading).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testpng {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // width * height, row by row, 0x00RRGGBB

  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  friend bool operator==(const Image&, const Image&) = default;
};

// The picture in the file; nullopt and `error` set when it cannot be read.
std::optional<Image> ReadPng(const std::string& path, std::string* error = nullptr);
// Writes the picture; false (and nothing left behind) on any failure.
bool WritePng(const std::string& path, const Image& image);

}  // namespace testpng
