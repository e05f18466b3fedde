// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gfx/graphics_state.h"

#include "platform/gfx/screen.h"

namespace gfx {
namespace {

// The running platform's screen, set and cleared only by its state's ScreenBinding: drawing lies
// below the windows and cannot reach the state that owns the display.
Screen* g_boundScreen = nullptr;  // UI thread

}  // namespace

GraphicsState& Graphics() {
  static GraphicsState state;
  return state;
}

ScreenBinding::ScreenBinding(Screen& screen) { g_boundScreen = &screen; }
ScreenBinding::~ScreenBinding() { g_boundScreen = nullptr; }

int ScreenPixelsPerInch() {
  const int ppi = g_boundScreen != nullptr ? g_boundScreen->PixelsPerInch() : kDefaultPixelsPerInch;
  return ppi > 0 ? ppi : kDefaultPixelsPerInch;
}

int ScreenWidth() { return g_boundScreen != nullptr ? g_boundScreen->Width() : 0; }
int ScreenHeight() { return g_boundScreen != nullptr ? g_boundScreen->Height() : 0; }

}  // namespace gfx
