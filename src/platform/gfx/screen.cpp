#include "platform/gfx/screen.h"

#include "platform/backend/backend.h"

namespace gfx {
namespace {

Backend* g_screen = nullptr;  // UI thread

}  // namespace

void AttachScreen(Backend* backend) { g_screen = backend; }

int ScreenPixelsPerInch() {
  const int ppi = g_screen != nullptr ? g_screen->PixelsPerInch() : kDefaultPixelsPerInch;
  return ppi > 0 ? ppi : kDefaultPixelsPerInch;
}

int ScreenWidth() { return g_screen != nullptr ? g_screen->ScreenWidth() : 0; }
int ScreenHeight() { return g_screen != nullptr ? g_screen->ScreenHeight() : 0; }

}  // namespace gfx
