// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding of the program's bitmap and icon resources (Windows .bmp and .ico layouts).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace module {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;  // rows top-down, 0xAARRGGBB (alpha 0xFF where opaque)
};

// A .bmp file (with its "BM" header) or a bare device-independent bitmap: 1, 4, 8, 24 or 32 bits
// per pixel, uncompressed (32 bits may carry bit-field masks), bottom-up or top-down.
// Returns false with a reason for anything else, for truncated data and for absurd sizes.
bool DecodeBmp(std::span<const std::uint8_t> data, Image* out, std::string* error);

// An icon: an .ico file (the 32 x 32 image is preferred, else the largest one), or a single icon
// bitmap (a DIB of twice the height: colours, then the 1-bit transparency mask).
bool DecodeIcon(std::span<const std::uint8_t> data, Image* out, std::string* error);

}  // namespace module
