// SPDX-License-Identifier: GPL-3.0-or-later
// Copies the dirty parts of a top-level surface to its X window.
//
// With MIT-SHM (a local server that can attach our segment) each window's surface keeps its pixels
// in a shared image: the program draws straight into it and the server reads the dirty
// rectangles from there, so the pixels exist once. Otherwise the surface is wrapped in a
// client-side image without copying and the dirty rectangles travel through the connection with
// XPutImage. TESSIVO_NO_SHM=1 forces the second path, so both can be checked against the same
// server.
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
  // With MIT-SHM the surface's pixels are moved into the window's shared image the first time
  // (and after each resize, which gives them back to the heap).
  void Present(Window window, Surface& surface, std::span<const RECT> dirty);
  // The window is gone: the server lets go of its shared image.
  void Forget(Window window);

 private:
  enum class PixelPath { Direct, Converted };
  // The shared image holding the surface's pixels, made on first use; nullptr: present without.
  X11SharedImage* SharedImageFor(Window window, Surface& surface);
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
  std::unordered_map<Window, std::shared_ptr<X11SharedImage>> m_images;
};

}  // namespace x11
