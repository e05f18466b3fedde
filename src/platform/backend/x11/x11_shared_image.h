// SPDX-License-Identifier: GPL-3.0-or-later
// One MIT-SHM image: a System V shared memory segment attached by us and by the X server, which
// is also the pixel storage of the window surface it presents (one copy of the pixels, not two).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <memory>
#include <span>

#include "base/types.h"
#include "platform/surface.h"

namespace x11 {

// Owned jointly by the presenter (which talks to the server about it) and by the surface whose
// pixels live in it (which may outlive the connection: the platform's windows can be destroyed
// after the display is closed). Detach() ends the server's side; the mapping goes with the last
// owner.
class X11SharedImage final : public SurfaceStorage {
 public:
  // nullptr when the segment cannot be made or the server cannot attach it (a remote or
  // sandboxed server): the caller then falls back to XPutImage for good. No segment is left
  // behind on any path.
  static std::shared_ptr<X11SharedImage> Create(Display* display, Visual* visual, int depth, int width,
                                                int height);
  ~X11SharedImage() override;
  X11SharedImage(const X11SharedImage&) = delete;
  X11SharedImage& operator=(const X11SharedImage&) = delete;

  int Width() const { return m_image->width; }
  int Height() const { return m_image->height; }

  // SurfaceStorage
  std::uint32_t* Pixels() override { return reinterpret_cast<std::uint32_t*>(m_image->data); }
  void BeforeWrite() override;

  // Asks the server to copy the rectangles (clipped to the image) to `window`. Does not flush.
  void Put(Window window, GC gc, std::span<const RECT> rects);
  // The server lets go of the segment; no request is sent about this image afterwards.
  void Detach();

 private:
  X11SharedImage() = default;

  Display* m_display = nullptr;  // nullptr once detached
  XImage* m_image = nullptr;
  XShmSegmentInfo m_info{};
  // The request number of the last put, while the server may not have read its pixels yet.
  unsigned long m_lastPut = 0;
  bool m_putPending = false;
};

}  // namespace x11
