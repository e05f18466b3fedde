// The pixel surface of a top-level window: 32-bit 0x00RRGGBB pixels, rows top-down, no padding.
// Child windows draw into their top-level's surface; the backend presents its dirty parts.
#pragma once

#include <cstdint>
#include <vector>

#include "base/types.h"

class Surface {
 public:
  Surface() = default;
  Surface(int width, int height, std::uint32_t fill = 0);

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  std::uint32_t* Row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * m_width; }
  const std::uint32_t* Row(int y) const {
    return m_pixels.data() + static_cast<std::size_t>(y) * m_width;
  }
  std::uint32_t* Data() { return m_pixels.data(); }
  const std::uint32_t* Data() const { return m_pixels.data(); }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
  std::uint32_t Pixel(int x, int y) const { return Contains(x, y) ? Row(y)[x] : 0; }

  // Keeps the overlapping pixels; new parts are filled with `fill`.
  void Resize(int width, int height, std::uint32_t fill = 0);

 private:
  int m_width = 0;
  int m_height = 0;
  std::vector<std::uint32_t> m_pixels;
};

// 0x00RRGGBB from a COLORREF (0x00BBGGRR) and back.
constexpr std::uint32_t PixelFromColor(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF ColorFromPixel(std::uint32_t p) {
  return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}
