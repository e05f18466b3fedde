// SPDX-License-Identifier: GPL-3.0-or-later
// Measuring a font outside painting, for the combo box and its field (internal to the platform
// layer): both size themselves from the same text height.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include "base/types.h"

namespace combo {

// A memory device context with the font selected for as long as it lives.
class FontMeasure {
 public:
  // nullptr measures the default GUI font, which a window without a font of its own shows.
  explicit FontMeasure(HFONT font);
  ~FontMeasure();
  FontMeasure(const FontMeasure&) = delete;
  FontMeasure& operator=(const FontMeasure&) = delete;

  // The height of a line of text: a field's text and a list's rows are this high.
  int TextHeight() const;
  // The pen's advance over one cp1252 character.
  int Advance(unsigned char c) const;

 private:
  HDC m_dc;
  HGDIOBJ m_oldFont;
};

}  // namespace combo
