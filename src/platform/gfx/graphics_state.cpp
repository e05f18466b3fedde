// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gfx/graphics_state.h"

#include "platform/backend/backend.h"
#include "platform/gfx/screen.h"

namespace gfx {

GraphicsState& Graphics() {
  static GraphicsState state;
  return state;
}

void AttachScreen(Backend* backend) { Graphics().screen = backend; }

int ScreenPixelsPerInch() {
  const Backend* screen = Graphics().screen;
  const int ppi = screen != nullptr ? Graphics().screen->PixelsPerInch() : kDefaultPixelsPerInch;
  return ppi > 0 ? ppi : kDefaultPixelsPerInch;
}

int ScreenWidth() { return Graphics().screen != nullptr ? Graphics().screen->ScreenWidth() : 0; }
int ScreenHeight() { return Graphics().screen != nullptr ? Graphics().screen->ScreenHeight() : 0; }

}  // namespace gfx
