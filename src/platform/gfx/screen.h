// SPDX-License-Identifier: GPL-3.0-or-later
// The screen that device contexts for the display answer for: its size and pixels per inch. The
// platform hands its backend over when it starts and takes it back when it stops; without one
// (drawing on memory bitmaps alone, as the drawing tests do) the screen is 96 pixels per inch and
// has no size.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include "base/mul_div.h"

class Backend;

namespace gfx {

inline constexpr int kDefaultPixelsPerInch = 96;

// A length of the platform's own parts (scroll bars, the combo box's button, the message box),
// designed at kDefaultPixelsPerInch, at `pixelsPerInch`: to the nearest pixel, halves up.
inline int ScaledFromDefault(int length, int pixelsPerInch) {
  return MulDiv(length, pixelsPerInch, kDefaultPixelsPerInch);
}

void AttachScreen(Backend* backend);
int ScreenPixelsPerInch();
int ScreenWidth();
int ScreenHeight();

}  // namespace gfx
