// SPDX-License-Identifier: GPL-3.0-or-later
// Pixel rasterisers over a clipped 32-bit surface.
//
// Everything here works in surface coordinates, writes only inside the target's clip rectangles
// (which the caller has already cut to the surface) and grows the target's dirty box by exactly
// the pixels it may have changed. No function allocates except the polygon filler's edge list,
// which reuses its buffer.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <span>
#include <vector>

#include "base/types.h"
#include "platform/surface.h"

namespace gfx::raster {

struct Target {
  Surface* surface = nullptr;
  std::span<const RECT> clip;  // surface coordinates, inside the surface, disjoint
  RECT* dirty = nullptr;       // grown by what was touched; may be null
};

// Per-pixel combination of a source value with the destination, for the blits.
enum class Combine { Copy, Or, And, Xor };

void FillPixels(const Target& t, const RECT& rect, std::uint32_t pixel);
void XorRect(const Target& t, const RECT& rect, std::uint32_t mask);
void SetPixel(const Target& t, int x, int y, std::uint32_t pixel);
void XorPixel(const Target& t, int x, int y, std::uint32_t mask);
bool InClip(const Target& t, int x, int y);

// Cosmetic line from (x0, y0) towards (x1, y1), the end point excluded (Bresenham). `pattern` is
// a bit mask of on-pixels cycling every `patternLength` pixels (0 = solid).
void Line(const Target& t, int x0, int y0, int x1, int y1, std::uint32_t pixel, std::uint32_t pattern = 0,
          int patternLength = 0);

// Fills the polygon (vertices in continuous surface coordinates: pixel (i, j) covers
// [i, i + 1) x [j, j + 1)) by sampling pixel centres, left and top edges inside, right and
// bottom edges outside; alternate (even-odd) filling.
struct PointF {
  double x;
  double y;
};
void FillPolygon(const Target& t, std::span<const PointF> points, std::uint32_t pixel);
// Pixels whose centres lie within `radius` of `centre` (strictly inside, so a disc of an even
// diameter is symmetric).
void FillDisc(const Target& t, PointF centre, double radius, std::uint32_t pixel);

// Blends a coverage mask (0 = keep, 255 = colour) at (x, y): naive sRGB blending, rounded.
void BlendMask(const Target& t, int x, int y, int width, int height, const std::uint8_t* mask, int pitch,
               std::uint32_t pixel);
// Alpha-blends 0xAARRGGBB pixels (not premultiplied).
void BlendArgb(const Target& t, int x, int y, const Surface& argb);

// Copies `width` x `height` pixels from src (at sx, sy) to (dx, dy), combining them as asked.
// Source pixels outside `src` leave the destination alone. Overlapping copies within one
// surface are handled.
void Blit(const Target& t, int dx, int dy, int width, int height, const Surface& src, int sx, int sy,
          Combine combine);
// Nearest-neighbour scaling copy; widths and heights positive.
void StretchCopy(const Target& t, int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy, int sw,
                 int sh);
// Copies src at (dx, dy); source pixels equal to `key` become `replacement`, or leave the
// destination alone when `replacement` is absent (a hollow brush).
void KeyedCopy(const Target& t, int dx, int dy, const Surface& src, std::uint32_t key,
               const std::uint32_t* replacement);

}  // namespace gfx::raster
