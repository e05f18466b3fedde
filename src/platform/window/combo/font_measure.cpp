// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window/combo/font_measure.h"

#include "platform/gdi.h"

namespace combo {

FontMeasure::FontMeasure(HFONT font)
    : m_dc(CreateCompatibleDC(nullptr)),
      m_oldFont(SelectObject(m_dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT))) {}

FontMeasure::~FontMeasure() {
  SelectObject(m_dc, m_oldFont);
  DeleteDC(m_dc);
}

int FontMeasure::TextHeight() const {
  TEXTMETRIC tm{};
  GetTextMetrics(m_dc, &tm);
  return tm.tmHeight;
}

int FontMeasure::Advance(unsigned char c) const {
  const char ch = static_cast<char>(c);
  SIZE size{};
  GetTextExtentPoint32(m_dc, &ch, 1, &size);
  return size.cx;
}

}  // namespace combo
