// SPDX-License-Identifier: GPL-3.0-or-later
// Icon images for DrawIconAt and the window icon.
//
// The window code loads icon resources (0xAARRGGBB pixels) and registers them here; the handle it
// gets is the HICON it hands out. Handles are never reused; an unknown handle is simply not found.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <vector>

#include "base/types.h"
#include "platform/surface.h"

namespace gfx {

// A new icon from width * height 0xAARRGGBB pixels, rows top-down; nullptr for a bad size.
HICON CreateIconFromArgb(int width, int height, const std::uint32_t* argb);
// Adds the same picture at another size, for the desktop (the window's icon property offers every
// size, so a taskbar or switcher scales none); FALSE for an unknown handle or a bad size.
BOOL AddIconSize(HICON icon, int width, int height, const std::uint32_t* argb);
// Forgets the icon; FALSE for an unknown handle.
BOOL DestroyIconImage(HICON icon);
// The icon's pixels, or nullptr for an unknown handle. Valid until the icon is destroyed.
const Surface* IconImage(HICON icon);

// The icon for the desktop: for each of its sizes (the drawn image first), width, height, then
// 0xAARRGGBB pixels; empty for no icon.
std::vector<std::uint32_t> IconArgb(HICON icon);

}  // namespace gfx
