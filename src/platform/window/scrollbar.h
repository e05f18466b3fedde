// SPDX-License-Identifier: GPL-3.0-or-later
// Geometry and painting of the scroll bars in a window's non-client area (internal).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include "platform/window/window_store.h"

namespace window {

struct ScrollBarLayout {
  RECT arrow1;  // up or left
  RECT arrow2;  // down or right
  RECT track;   // between the arrows
  RECT thumb;   // empty when there is no room or nothing to scroll
};

// The bar rectangles of a window, relative to its top-left corner (empty when not shown).
RECT VerticalBarRect(const WindowRecord& rec);
RECT HorizontalBarRect(const WindowRecord& rec);
RECT ScrollCornerRect(const WindowRecord& rec);
ScrollBarLayout LayoutScrollBar(const RECT& bar, bool vertical, const ScrollBarData& data);
// The highest position the thumb can reach: max, less the page when a page is set.
int MaxScrollPos(const ScrollBarData& data);
void PaintScrollBar(HDC hdc, const RECT& bar, bool vertical, const ScrollBarData& data, bool enabled);

}  // namespace window
