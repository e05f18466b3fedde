// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/backend/x11/x11_presenter.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/backend/x11/x11_shared_image.h"

namespace x11 {

namespace {

constexpr int kHostByteOrder = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;

int LowestBit(unsigned long mask) { return mask == 0 ? 0 : std::countr_zero(mask); }
int BitCount(unsigned long mask) { return std::popcount(mask); }

bool LocalDisplay(Display* display) {
  // Shared memory only reaches a server on this machine: ":N" or "unix:N".
  const char* name = DisplayString(display);
  if (name == nullptr) return false;
  std::string_view view(name);
  return view.starts_with(":") || view.starts_with("unix:");
}

bool SharedMemoryDisabledByEnvironment() {
  const char* value = std::getenv("TESSIVO_NO_SHM");
  return value != nullptr && value[0] != '\0' && std::string_view(value) != "0";
}

int BitsPerPixelOfDepth(Display* display, int depth) {
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  int bits = 0;
  for (int i = 0; i < count; ++i) {
    if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
  }
  if (formats != nullptr) XFree(formats);
  return bits;
}

// Clips a dirty rectangle to the surface; false when nothing is left.
bool ClipToSurface(const RECT& in, const Surface& surface, RECT* out) {
  out->left = std::max<LONG>(in.left, 0);
  out->top = std::max<LONG>(in.top, 0);
  out->right = std::min<LONG>(in.right, surface.Width());
  out->bottom = std::min<LONG>(in.bottom, surface.Height());
  return out->left < out->right && out->top < out->bottom;
}

}  // namespace

X11Presenter::X11Presenter(Display* display, int screen, SharedMemoryUse use)
    : m_display(display), m_visual(DefaultVisual(display, screen)), m_depth(DefaultDepth(display, screen)) {
  m_gc = XCreateGC(display, RootWindow(display, screen), 0, nullptr);
  XSetGraphicsExposures(display, m_gc, False);
  // The surface's 0x00RRGGBB words are the server's own pixels on the usual 24/32-bit TrueColor
  // visuals; anything else goes through a per-pixel conversion.
  const bool trueColor = m_visual->c_class == TrueColor || m_visual->c_class == DirectColor;
  if (trueColor) {
    m_redShift = LowestBit(m_visual->red_mask);
    m_greenShift = LowestBit(m_visual->green_mask);
    m_blueShift = LowestBit(m_visual->blue_mask);
    m_redBits = BitCount(m_visual->red_mask);
    m_greenBits = BitCount(m_visual->green_mask);
    m_blueBits = BitCount(m_visual->blue_mask);
  }
  if (trueColor && m_visual->red_mask == 0xFF0000 && m_visual->green_mask == 0xFF00 &&
      m_visual->blue_mask == 0xFF && BitsPerPixelOfDepth(display, m_depth) == 32) {
    m_path = PixelPath::Direct;
  }
  m_useShm = use == SharedMemoryUse::Auto && m_path == PixelPath::Direct &&
             !SharedMemoryDisabledByEnvironment() && LocalDisplay(display) && XShmQueryExtension(display) &&
             ImageByteOrder(display) == kHostByteOrder;
}

X11Presenter::~X11Presenter() {
  // Surfaces may keep their pixels after the connection is gone; the server's side ends here.
  for (auto& [window, image] : m_images) image->Detach();
  m_images.clear();
  if (m_gc != nullptr) XFreeGC(m_display, m_gc);
}

void X11Presenter::Forget(Window window) {
  auto it = m_images.find(window);
  if (it == m_images.end()) return;
  it->second->Detach();
  m_images.erase(it);
}

X11SharedImage* X11Presenter::SharedImageFor(Window window, Surface& surface) {
  auto it = m_images.find(window);
  if (it != m_images.end() && surface.Storage() == it->second.get()) return it->second.get();
  if (it != m_images.end()) {
    // The surface was resized and went back to the heap: this image has the old size.
    it->second->Detach();
    m_images.erase(it);
  }
  if (!m_useShm) return nullptr;
  auto image = X11SharedImage::Create(m_display, m_visual, m_depth, surface.Width(), surface.Height());
  if (!image) {
    // The server cannot reach our memory after all (a container, a forwarded display): the
    // plain path works everywhere, so use it from now on.
    m_useShm = false;
    return nullptr;
  }
  surface.MoveInto(image);
  return m_images.emplace(window, std::move(image)).first->second.get();
}

void X11Presenter::Present(Window window, Surface& surface, std::span<const RECT> dirty) {
  if (surface.Width() <= 0 || surface.Height() <= 0) return;
  std::vector<RECT> rects;
  rects.reserve(dirty.size());
  for (const RECT& r : dirty) {
    RECT clipped;
    if (ClipToSurface(r, surface, &clipped)) rects.push_back(clipped);
  }
  if (rects.empty()) return;

  if (X11SharedImage* shared = SharedImageFor(window, surface)) {
    shared->Put(window, m_gc, rects);
    return;
  }

  if (m_path == PixelPath::Converted) {
    for (const RECT& r : rects) PutConverted(window, surface, r);
    return;
  }
  // Wrap the surface without copying; Xlib sends just the requested parts and swaps bytes if
  // the server's order differs from ours.
  XImage* image = XCreateImage(m_display, m_visual, static_cast<unsigned>(m_depth), ZPixmap, 0,
                               const_cast<char*>(reinterpret_cast<const char*>(surface.Data())),
                               static_cast<unsigned>(surface.Width()),
                               static_cast<unsigned>(surface.Height()), 32, surface.Width() * 4);
  if (image == nullptr) return;
  image->byte_order = kHostByteOrder;
  for (const RECT& r : rects) {
    XPutImage(m_display, window, m_gc, image, r.left, r.top, r.left, r.top,
              static_cast<unsigned>(r.right - r.left), static_cast<unsigned>(r.bottom - r.top));
  }
  image->data = nullptr;  // owned by the surface
  XDestroyImage(image);
}

void X11Presenter::PutConverted(Window window, const Surface& surface, const RECT& r) {
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  XImage* image = XCreateImage(m_display, m_visual, static_cast<unsigned>(m_depth), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
  if (image == nullptr) return;
  image->data = static_cast<char*>(std::calloc(static_cast<std::size_t>(image->bytes_per_line) * height, 1));
  if (image->data == nullptr) {
    XDestroyImage(image);
    return;
  }
  auto scale = [](std::uint32_t channel, int bits) -> unsigned long {
    return bits >= 8 ? channel << (bits - 8) : channel >> (8 - bits);
  };
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = surface.Row(r.top + y) + r.left;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = row[x];
      const unsigned long pixel = (scale((p >> 16) & 0xFF, m_redBits) << m_redShift) |
                                  (scale((p >> 8) & 0xFF, m_greenBits) << m_greenShift) |
                                  (scale(p & 0xFF, m_blueBits) << m_blueShift);
      XPutPixel(image, x, y, pixel);
    }
  }
  XPutImage(m_display, window, m_gc, image, 0, 0, r.left, r.top, static_cast<unsigned>(width),
            static_cast<unsigned>(height));
  XDestroyImage(image);  // frees the buffer too
}

}  // namespace x11
