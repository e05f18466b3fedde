// SPDX-License-Identifier: GPL-3.0-or-later
// Fonts: found with fontconfig, rasterised with FreeType, measured by our own integer rules.
//
// Metrics come from the face's design units, not from FreeType's rounded size metrics, so they
// are the same wherever the same font file is installed:
//   ppem     = the character height (a negative LOGFONT height), or the largest size whose cell
//              fits a positive height;
//   ascent   = ceil(win ascender * ppem / units per em) (hhea ascender when the face has no
//              OS/2 table), descent likewise; text height = ascent + descent;
//   advance  = round(advance units * ppem / units per em) for every character of the code page.
// Liberation Sans at a character height of 11 gives ascent 10 + descent 3 = 13.
// Glyph images are rendered once per character (hinted, 8-bit coverage) and kept with the font.
// Measuring never allocates. Fonts are shared through a cache keyed by the request.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/types.h"

namespace gfx {

struct FontMatch;

struct FontRequest {
  std::string face;  // as asked; "MS Sans Serif" and "" resolve to Liberation Sans
  int height = 0;    // < 0 character height, > 0 cell height, 0 default (8 points)
  int weight = FW_NORMAL;
  bool italic = false;
};

// A requested weight as fonts are made and matched: 0 and below mean normal, others go to the
// nearest hundred from 100 (thin) to 900 (black), so requests that differ only inside one step
// share a font.
int NormalisedWeight(int weight);

struct FontMetrics {
  int ppem = 0;
  int ascent = 0;
  int descent = 0;
  int height = 0;  // ascent + descent
  int internalLeading = 0;
  int externalLeading = 0;
  int aveCharWidth = 0;
  int maxCharWidth = 0;
  int weight = FW_NORMAL;
  bool italic = false;
  int underlineOffset = 1;  // rows below the baseline row boundary (top + ascent) of the line
  int underlineThickness = 1;
};

struct GlyphImage {
  int left = 0;  // from the pen position to the image's left column
  int top = 0;   // from the baseline up to the image's top row
  int width = 0;
  int rows = 0;
  std::vector<std::uint8_t> coverage;  // width * rows, row-major
};

class FontInstance {
 public:
  static constexpr int kCharacters = 256;  // the code page's
  struct Impl;
  explicit FontInstance(const FontRequest& request);
  ~FontInstance();
  FontInstance(const FontInstance&) = delete;
  FontInstance& operator=(const FontInstance&) = delete;

  const FontMetrics& Metrics() const { return m_metrics; }
  int Advance(unsigned char c) const { return m_advance[c]; }
  int AdvanceOf(const char* text, int count) const {
    long long w = 0;
    for (int i = 0; i < count; ++i) w += m_advance[static_cast<unsigned char>(text[i])];
    return w > INT_MAX ? INT_MAX : static_cast<int>(w);
  }
  // The rendered glyph of a cp1252 character (rendered on first use).
  const GlyphImage& Glyph(unsigned char c) const;
  // The family actually used ("Liberation Sans"), empty when no font file could be loaded (text is
  // then measured with synthetic metrics and not drawn).
  const std::string& Family() const { return m_family; }
  bool HasFace() const;

 private:
  // The face for the request: as asked, else the desktop's sans. False when neither can be used.
  bool OpenFace(const FontRequest& request, FontMatch* match);
  // Metrics of the opened face for the request's height (INT_MIN already bounded).
  void Measure(int height);
  void MeasureAdvances(int ppem);
  // Metrics without a face, in the proportions of the font the program is made for.
  void UseStandIn(int height);

  std::unique_ptr<Impl> m_impl;
  FontMetrics m_metrics;
  std::array<int, kCharacters> m_advance{};
  mutable std::array<GlyphImage, kCharacters> m_glyphs;
  mutable std::array<bool, kCharacters> m_rendered{};
  std::string m_family;
};

// The shared font for a request; the default height is resolved with the screen's pixels per
// inch. Never null.
std::shared_ptr<FontInstance> GetFontInstance(const FontRequest& request);

}  // namespace gfx
