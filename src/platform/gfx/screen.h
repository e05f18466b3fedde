// SPDX-License-Identifier: GPL-3.0-or-later
// The screen that device contexts for the display answer for: its size and pixels per inch. The
// running platform's state binds its display's screen for the length of the run (ScreenBinding);
// without one (drawing on memory bitmaps alone, as the drawing tests do) the screen is 96 pixels
// per inch and has no size.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include "base/mul_div.h"

namespace gfx {

inline constexpr int kDefaultPixelsPerInch = 96;

// A length of the platform's own parts (scroll bars, the combo box's button, the message box),
// designed at kDefaultPixelsPerInch, at `pixelsPerInch`: to the nearest pixel, halves up.
inline int ScaledFromDefault(int length, int pixelsPerInch) {
  return MulDiv(length, pixelsPerInch, kDefaultPixelsPerInch);
}

// What drawing asks of a display's screen.
class Screen {
 public:
  virtual int Width() = 0;
  virtual int Height() = 0;
  virtual int PixelsPerInch() = 0;

 protected:
  ~Screen() = default;
};

// Drawing answers for `screen` while the binding lives; one at a time (the running platform's).
class ScreenBinding {
 public:
  explicit ScreenBinding(Screen& screen);
  ~ScreenBinding();
  ScreenBinding(const ScreenBinding&) = delete;
  ScreenBinding& operator=(const ScreenBinding&) = delete;
};

int ScreenPixelsPerInch();
int ScreenWidth();
int ScreenHeight();

}  // namespace gfx
