// Copies the dirty parts of a top-level surface to its X window.
//
// With MIT-SHM (a local server that can attach our segment) each window keeps a shared image the
// size of its surface: the dirty rectangles are copied into it and the server reads them from
// there. Otherwise the surface is wrapped in a client-side image without copying and the dirty
// rectangles travel through the connection with XPutImage. TESSIVO_NO_SHM=1 forces the second
// path, so both can be checked against the same server.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <X11/Xlib.h>

#include <memory>
#include <span>
#include <unordered_map>

#include "base/types.h"
#include "platform/surface.h"

namespace x11 {

enum class SharedMemoryUse { Auto, Never };

class X11SharedImage;

class X11Presenter {
 public:
  X11Presenter(Display* display, int screen, SharedMemoryUse use);
  ~X11Presenter();
  X11Presenter(const X11Presenter&) = delete;
  X11Presenter& operator=(const X11Presenter&) = delete;

  bool UsesSharedMemory() const { return m_useShm; }
  // Sends the dirty rectangles (surface coordinates, clipped here) to `window`. Does not flush.
  void Present(Window window, const Surface& surface, std::span<const RECT> dirty);
  // The window is gone: releases its shared image.
  void Forget(Window window);

 private:
  enum class PixelPath { Direct, Converted };
  X11SharedImage* SharedImageFor(Window window, int width, int height);
  void PutConverted(Window window, const Surface& surface, const RECT& rect);

  Display* m_display;
  Visual* m_visual;
  int m_depth;
  GC m_gc = nullptr;
  PixelPath m_path = PixelPath::Converted;
  bool m_useShm = false;
  // Shifts and widths of the channels for the converted path.
  int m_redShift = 16, m_greenShift = 8, m_blueShift = 0;
  int m_redBits = 8, m_greenBits = 8, m_blueBits = 8;
  std::unordered_map<Window, std::unique_ptr<X11SharedImage>> m_images;
};

}  // namespace x11
