// SPDX-License-Identifier: GPL-3.0-or-later
// The pixel surface of a top-level window: 32-bit 0x00RRGGBB pixels, rows top-down, no padding.
// Child windows draw into their top-level's surface; the backend presents its dirty parts.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/types.h"

// Memory other than the surface's own heap block that its pixels can live in: the display's shared
// image, which the X server reads straight from, so a window's pixels exist once, not twice.
// Exactly width * height words, rows top-down, no padding.
class SurfaceStorage {
 public:
  virtual ~SurfaceStorage() = default;
  virtual std::uint32_t* Pixels() = 0;
  // Called before the pixels are drawn on: returns once nobody still reads an earlier picture
  // from them (the server copying the last presented frame to the window).
  virtual void BeforeWrite() {}
};

class Surface {
 public:
  Surface() = default;
  Surface(int width, int height, std::uint32_t fill = 0);
  // A copy has pixels of its own on the heap, whatever the original's pixels live in.
  Surface(const Surface& other);
  Surface& operator=(const Surface& other);
  Surface(Surface&& other) noexcept;
  Surface& operator=(Surface&& other) noexcept;

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  std::uint32_t* Row(int y) { return m_data + static_cast<std::size_t>(y) * m_width; }
  const std::uint32_t* Row(int y) const { return m_data + static_cast<std::size_t>(y) * m_width; }
  std::uint32_t* Data() { return m_data; }
  const std::uint32_t* Data() const { return m_data; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
  std::uint32_t Pixel(int x, int y) const { return Contains(x, y) ? Row(y)[x] : 0; }

  // Keeps the overlapping pixels; new parts are filled with `fill`. The pixels go back to the
  // heap: a storage has the old size, and whoever provided it may offer one of the new size.
  void Resize(int width, int height, std::uint32_t fill = 0);

  // Moves the pixels into `storage` (which has room for exactly this size), copying them once;
  // the heap block is given back.
  void MoveInto(std::shared_ptr<SurfaceStorage> storage);
  const SurfaceStorage* Storage() const { return m_storage.get(); }
  // Drawing code calls this before changing pixels of a surface the display may be reading.
  void BeforeWrite() {
    if (m_storage) m_storage->BeforeWrite();
  }

 private:
  int m_width = 0;
  int m_height = 0;
  std::vector<std::uint32_t> m_pixels;  // empty while the pixels live in m_storage
  std::shared_ptr<SurfaceStorage> m_storage;
  std::uint32_t* m_data = nullptr;  // m_pixels.data() or m_storage->Pixels()
};

// 0x00RRGGBB from a COLORREF (0x00BBGGRR) and back.
constexpr std::uint32_t PixelFromColor(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF ColorFromPixel(std::uint32_t p) {
  return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}
