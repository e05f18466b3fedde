// One MIT-SHM image: a System V shared memory segment attached by us and by the X server.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <memory>

namespace x11 {

class X11SharedImage {
 public:
  // nullptr when the segment cannot be made or the server cannot attach it (a remote or
  // sandboxed server): the caller then falls back to XPutImage for good.
  static std::unique_ptr<X11SharedImage> Create(Display* display, Visual* visual, int depth,
                                                int width, int height);
  ~X11SharedImage();
  X11SharedImage(const X11SharedImage&) = delete;
  X11SharedImage& operator=(const X11SharedImage&) = delete;

  XImage* Image() const { return m_image; }
  int Width() const { return m_image->width; }
  int Height() const { return m_image->height; }

 private:
  X11SharedImage(Display* display) : m_display(display) {}

  Display* m_display;
  XImage* m_image = nullptr;
  XShmSegmentInfo m_info{};
  bool m_attached = false;
};

}  // namespace x11
