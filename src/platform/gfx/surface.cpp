// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/surface.h"

#include <algorithm>
#include <utility>

Surface::Surface(int width, int height, std::uint32_t fill) {
  m_width = std::max(width, 0);
  m_height = std::max(height, 0);
  m_pixels.assign(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), fill);
  m_data = m_pixels.data();
}

Surface::Surface(const Surface& other)
    : m_width(other.m_width),
      m_height(other.m_height),
      m_pixels(other.m_data, other.m_data + static_cast<std::size_t>(other.m_width) * other.m_height) {
  m_data = m_pixels.data();
}

Surface& Surface::operator=(const Surface& other) {
  if (this != &other) *this = Surface(other);
  return *this;
}

Surface::Surface(Surface&& other) noexcept
    : m_width(std::exchange(other.m_width, 0)),
      m_height(std::exchange(other.m_height, 0)),
      m_pixels(std::move(other.m_pixels)),
      m_storage(std::move(other.m_storage)),
      m_data(std::exchange(other.m_data, nullptr)) {
  // A moved vector keeps its block, so m_data stays valid either way.
  other.m_pixels.clear();
}

Surface& Surface::operator=(Surface&& other) noexcept {
  if (this != &other) {
    m_width = std::exchange(other.m_width, 0);
    m_height = std::exchange(other.m_height, 0);
    m_pixels = std::move(other.m_pixels);
    other.m_pixels.clear();
    m_storage = std::move(other.m_storage);
    m_data = std::exchange(other.m_data, nullptr);
  }
  return *this;
}

void Surface::Resize(int width, int height, std::uint32_t fill) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == m_width && height == m_height) return;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
  const int keepW = std::min(width, m_width);
  const int keepH = std::min(height, m_height);
  for (int y = 0; y < keepH; ++y) {
    const std::uint32_t* from = m_data + static_cast<std::size_t>(y) * m_width;
    std::copy(from, from + keepW, pixels.data() + static_cast<std::size_t>(y) * width);
  }
  m_pixels.swap(pixels);
  m_storage.reset();
  m_data = m_pixels.data();
  m_width = width;
  m_height = height;
}

void Surface::MoveInto(std::shared_ptr<SurfaceStorage> storage) {
  if (!storage) return;
  std::uint32_t* to = storage->Pixels();
  std::copy(m_data, m_data + static_cast<std::size_t>(m_width) * m_height, to);
  m_storage = std::move(storage);
  m_data = to;
  std::vector<std::uint32_t>().swap(m_pixels);
}
