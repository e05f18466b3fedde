// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed colour scheme and the stock drawing objects.
#include <array>
#include <cstring>

#include "platform/gdi.h"
#include "platform/gfx/gdi_internal.h"
#include "platform/gfx/gdi_objects.h"
#include "platform/gfx/graphics_state.h"

using namespace gfx;

namespace {

// The classic grey scheme; every index up to COLOR_MAX has a value.
constexpr std::array<COLORREF, COLOR_MAX + 1> kSysColors = {
    RGB(212, 208, 200),  // COLOR_SCROLLBAR
    RGB(58, 110, 165),   // COLOR_BACKGROUND
    RGB(10, 36, 106),    // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(212, 208, 200),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(212, 208, 200),  // COLOR_ACTIVEBORDER
    RGB(212, 208, 200),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(10, 36, 106),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(212, 208, 200),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(64, 64, 64),     // COLOR_3DDKSHADOW
    RGB(212, 208, 200),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(192, 192, 192),  // 25: unused
    RGB(0, 0, 128),      // COLOR_HOTLIGHT
    RGB(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(10, 36, 106),    // COLOR_MENUHILIGHT
    RGB(212, 208, 200),  // COLOR_MENUBAR
};

HGDIOBJ MakeStock(GdiObject object) {
  object.stock = true;
  return gfx::AddObject(std::move(object));
}

HGDIOBJ CreateStock(int index) {
  switch (index) {
    case WHITE_BRUSH:
      return MakeStock(GdiObject{BrushData{false, RGB(255, 255, 255)}});
    case LTGRAY_BRUSH:
      return MakeStock(GdiObject{BrushData{false, RGB(192, 192, 192)}});
    case GRAY_BRUSH:
      return MakeStock(GdiObject{BrushData{false, RGB(128, 128, 128)}});
    case DKGRAY_BRUSH:
      return MakeStock(GdiObject{BrushData{false, RGB(64, 64, 64)}});
    case BLACK_BRUSH:
      return MakeStock(GdiObject{BrushData{false, RGB(0, 0, 0)}});
    case NULL_BRUSH:
      return MakeStock(GdiObject{BrushData{true, 0}});
    case WHITE_PEN:
      return MakeStock(GdiObject{PenData{PS_SOLID, 1, RGB(255, 255, 255)}});
    case BLACK_PEN:
      return MakeStock(GdiObject{PenData{PS_SOLID, 1, RGB(0, 0, 0)}});
    case NULL_PEN:
      return MakeStock(GdiObject{PenData{PS_NULL, 1, 0}});
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT: {
      // The dialog font at 8 points; its height follows the screen's pixels per inch when used.
      FontData font;
      font.logFont.lfHeight = 0;
      font.logFont.lfWeight = FW_NORMAL;
      font.logFont.lfCharSet = DEFAULT_CHARSET;
      std::strcpy(font.logFont.lfFaceName, "MS Sans Serif");
      return MakeStock(GdiObject{std::move(font)});
    }
    case gfx::kStockDefaultBitmap:
      return MakeStock(GdiObject{BitmapData{Surface(1, 1, 0)}});
    default:
      return nullptr;
  }
}

}  // namespace

namespace gfx {

HGDIOBJ StockObject(int index) {
  auto& stock = Graphics().stockObjects;
  if (index < 0 || index >= GraphicsState::kStockCount) return nullptr;
  if (!stock[index]) stock[index] = CreateStock(index);
  return stock[index];
}

}  // namespace gfx

HGDIOBJ GetStockObject(int index) {
  if (index < 0 || index > DEFAULT_GUI_FONT) return nullptr;
  return gfx::StockObject(index);
}

DWORD GetSysColor(int index) {
  if (index < 0 || index > COLOR_MAX) return 0;
  return kSysColors[index];
}

HBRUSH GetSysColorBrush(int index) {
  auto& brushes = gfx::Graphics().sysColorBrushes;
  if (index < 0 || index > COLOR_MAX) return nullptr;
  if (!brushes[index]) brushes[index] = MakeStock(GdiObject{BrushData{false, kSysColors[index]}});
  return brushes[index];
}
