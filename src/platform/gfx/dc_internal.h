// SPDX-License-Identifier: GPL-3.0-or-later
// How the window core hands a piece of a top-level surface to the drawing code, and learns what
// was drawn so that only those pixels are presented.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <vector>

#include "base/types.h"
#include "platform/surface.h"

namespace gfx {

// A device context drawing into `surface`: logical (0, 0) is `origin` in surface coordinates (the
// window's client or window origin), and nothing is drawn outside `visible` (surface coordinates;
// the window's visible region after clipping by parents, siblings and children as its styles ask).
// Selected objects, clip and attributes start at their defaults.
HDC CreateSurfaceDC(HWND owner, Surface* surface, POINT origin, std::vector<RECT> visible);
// Ends a DC from CreateSurfaceDC. Returns the bounding box, in surface coordinates, of every pixel
// drawn through it (empty when nothing was drawn).
RECT DestroySurfaceDC(HDC hdc);
// The surface a window's DCs draw into changed size or went away: every live DC of `owner` stops
// drawing (calls on it fail) until destroyed.
void DetachSurfaceDCs(HWND owner);

}  // namespace gfx
