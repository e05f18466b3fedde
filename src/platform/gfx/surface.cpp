#include "platform/surface.h"

#include <algorithm>

Surface::Surface(int width, int height, std::uint32_t fill) {
  m_width = std::max(width, 0);
  m_height = std::max(height, 0);
  m_pixels.assign(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), fill);
}

void Surface::Resize(int width, int height, std::uint32_t fill) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == m_width && height == m_height) return;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                                    fill);
  const int keepW = std::min(width, m_width);
  const int keepH = std::min(height, m_height);
  for (int y = 0; y < keepH; ++y) {
    const std::uint32_t* from = m_pixels.data() + static_cast<std::size_t>(y) * m_width;
    std::copy(from, from + keepW, pixels.data() + static_cast<std::size_t>(y) * width);
  }
  m_pixels.swap(pixels);
  m_width = width;
  m_height = height;
}
