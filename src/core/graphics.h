// SPDX-License-Identifier: GPL-3.0-or-later
// Colours, drawing objects and the canvas the controls paint with.
//
// A canvas wraps a device context for the length of one paint (or one GetDC) and keeps its pen,
// brush and font as objects that create their platform handles lazily and are selected into the
// context just before a drawing call needs them, so a control can set Brush.Color five times and pay
// for one brush.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/types.h"

// ---- Colours -------------------------------------------------------------------------------
// A colour is an RGB value (0x00BBGGRR) or, with the top bit set, a system colour by index.
using TColor = std::int32_t;
inline constexpr TColor kSystemColorBit = static_cast<TColor>(0x80000000u);
constexpr TColor SystemColor(int index) { return kSystemColorBit | index; }

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;
inline constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
inline constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
inline constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
inline constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
inline constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
inline constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
inline constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
inline constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
inline constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
inline constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
inline constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);

// The RGB value a colour shows as now.
COLORREF ColorToRGB(TColor color);

// ---- Drawing objects -----------------------------------------------------------------------
// Base of pen, brush and font: a change notifies the owner (a control re-lays itself out when its
// font changes) and drops the platform handle, which is made again when next needed.
class TGraphicsObject {
 public:
  virtual ~TGraphicsObject();
  std::function<void(TGraphicsObject*)> OnChange;

 protected:
  void Changed();
  void DropHandle();
  HGDIOBJ m_handle = nullptr;
};

enum class TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;  // bit set of TFontStyle

class TFont : public TGraphicsObject {
 public:
  TFont();  // "MS Sans Serif", 8 points at the screen's resolution, clWindowText, no style
  const std::string& Name() const { return m_name; }
  void SetName(const std::string& name);
  int Height() const { return m_height; }  // negative: character height in pixels
  void SetHeight(int height);
  int Size() const;  // points, from the height and PixelsPerInch
  void SetSize(int points);
  TColor Color() const { return m_color; }
  void SetColor(TColor color);
  TFontStyles Style() const { return m_style; }
  void SetStyle(TFontStyles style);
  BYTE Charset() const { return m_charset; }
  void SetCharset(BYTE charset);
  int PixelsPerInch() const { return m_pixelsPerInch; }
  void SetPixelsPerInch(int ppi) { m_pixelsPerInch = ppi; }
  void Assign(const TFont& other);
  bool SameAs(const TFont& other) const;
  HFONT Handle();

 private:
  std::string m_name;
  int m_height = -11;
  int m_pixelsPerInch = 96;
  TColor m_color = clWindowText;
  TFontStyles m_style = 0;
  BYTE m_charset = DEFAULT_CHARSET;
};

enum class TPenStyle { psSolid, psDash, psDot, psClear, psInsideFrame };

class TPen : public TGraphicsObject {
 public:
  TColor Color() const { return m_color; }
  void SetColor(TColor color);
  int Width() const { return m_width; }
  void SetWidth(int width);
  TPenStyle Style() const { return m_style; }
  void SetStyle(TPenStyle style);
  // Wide pens are geometric with flat ends and mitred joins, as the grid's lines need.
  HPEN Handle();

 private:
  TColor m_color = clBlack;
  int m_width = 1;
  TPenStyle m_style = TPenStyle::psSolid;
};

enum class TBrushStyle { bsSolid, bsClear };

class TBrush : public TGraphicsObject {
 public:
  TColor Color() const { return m_color; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return m_style; }
  void SetStyle(TBrushStyle style);
  HBRUSH Handle();

 private:
  TColor m_color = clWhite;
  TBrushStyle m_style = TBrushStyle::bsSolid;
};

// ---- Bitmaps and icons ---------------------------------------------------------------------
class TBitmap {
 public:
  TBitmap() = default;
  ~TBitmap();
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;
  // Loads a bitmap resource of the program by name; false (and an empty bitmap) when missing.
  bool LoadFromResourceName(const std::string& name);
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  bool Empty() const { return m_handle == nullptr; }
  HBITMAP Handle() const { return m_handle; }

 private:
  void Release();
  HBITMAP m_handle = nullptr;
  int m_width = 0;
  int m_height = 0;
};

// ---- Canvas --------------------------------------------------------------------------------
class TCanvas {
 public:
  TCanvas();
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The context drawn into; set by the control for the length of a paint. Setting another one
  // deselects the objects from the old one.
  HDC Handle() const { return m_dc; }
  void SetHandle(HDC dc);

  TPen& Pen() { return m_pen; }
  TBrush& Brush() { return m_brush; }
  TFont& Font() { return m_font; }

  void FillRect(const RECT& rect);
  void FrameRect(const RECT& rect);
  void Rectangle(int left, int top, int right, int bottom);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(const POINT* points, int count);
  // Several polylines in one call with the canvas's pen: counts[i] points for line i.
  void PolyPolyline(const POINT* points, const DWORD* counts, int lineCount);
  void TextOut(int x, int y, const std::string& text);
  // Text at (x, y) clipped to `rect`; with a solid brush the rectangle is first filled with it.
  void TextRect(const RECT& rect, int x, int y, const std::string& text);
  SIZE TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }
  // DrawText in the canvas's font and font colour; the brush decides whether the text cell is
  // filled (solid) or not (clear). Returns the text's height.
  int DrawText(const std::string& text, RECT& rect, UINT format);
  void DrawFocusRect(const RECT& rect);
  // Copies the bitmap at (x, y) with every pixel of colour `transparent` shown in the brush colour.
  void BrushCopyKeyed(int x, int y, const TBitmap& bitmap, TColor transparent);

 private:
  // Selects the current pen, brush and font into the context when they changed since the last call.
  void RequirePen();
  void RequireBrush();
  void RequireFont();
  void Deselect();
  // Puts the context's original object back in place of one of ours that is about to change.
  void Unselect(HGDIOBJ& old, bool& valid);

  HDC m_dc = nullptr;
  TPen m_pen;
  TBrush m_brush;
  TFont m_font;
  bool m_penValid = false;
  bool m_brushValid = false;
  bool m_fontValid = false;
  HGDIOBJ m_oldPen = nullptr;
  HGDIOBJ m_oldBrush = nullptr;
  HGDIOBJ m_oldFont = nullptr;
};
