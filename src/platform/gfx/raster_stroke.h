// SPDX-License-Identifier: GPL-3.0-or-later
// Wide (geometric) pen strokes.
//
// A stroke of width w along a polyline covers, for each segment, the rectangle of width w centred
// on the line through the segment's pixel centres, filled by sampling pixel centres. For a
// horizontal segment at row y that is rows y - w/2 .. y - w/2 + w - 1 (integer halves), and
// columns from the start to the end point, the end excluded, with flat ends. Square ends extend
// the segment by w/2 at both ends; round ends add a disc of diameter w centred on the end point.
// Joins between segments: mitre (the outer edges meet; a bevel when the mitre would be longer
// than 10 half-widths), bevel (a triangle across the outer corners) or round (a disc).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <span>

#include "base/types.h"
#include "platform/gfx/raster.h"

namespace gfx::raster {

enum class Cap { Flat, Square, Round };
enum class Join { Miter, Bevel, Round };
enum class PathShape { Open, Closed };

// `points` in surface coordinates (pixel positions, as LineTo takes them).
void StrokePolyline(const Target& t, std::span<const POINT> points, int width, Cap cap, Join join,
                    PathShape shape, std::uint32_t pixel);

}  // namespace gfx::raster
