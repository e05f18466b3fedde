// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/graphics.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/mul_div.h"
#include "platform/gdi.h"
#include "platform/module.h"

COLORREF ColorToRGB(TColor color) {
  if (color & kSystemColorBit) return GetSysColor(color & 0xFF);
  return static_cast<COLORREF>(color) & 0xFFFFFF;
}

// ---- TGraphicsObject -------------------------------------------------------------------------
TGraphicsObject::~TGraphicsObject() { DropHandle(); }

void TGraphicsObject::DropHandle() {
  if (m_handle) DeleteObject(m_handle);
  m_handle = nullptr;
}

void TGraphicsObject::Changed() {
  // The old handle is taken out before the owner hears and deleted after: a canvas can still take
  // it out of its context, and an owner that passes the object on (a control telling its window
  // of a new font) is given a handle made from the new values, never one about to be deleted.
  HGDIOBJ old = std::exchange(m_handle, nullptr);
  if (OnChange) OnChange(this);
  if (old) DeleteObject(old);
}

// ---- TFont -----------------------------------------------------------------------------------
namespace {
int DisplayPixelsPerInch() {
  HDC dc = CreateCompatibleDC(nullptr);
  int ppi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) DeleteDC(dc);
  return ppi > 0 ? ppi : 96;
}
}  // namespace

TFont::TFont() : m_name("MS Sans Serif"), m_pixelsPerInch(DisplayPixelsPerInch()) {
  m_height = -MulDiv(8, m_pixelsPerInch, 72);
}

void TFont::SetName(const std::string& name) {
  if (name.empty() || name == m_name) return;
  m_name = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == m_height) return;
  m_height = height;
  Changed();
}

int TFont::Size() const { return -MulDiv(m_height, 72, m_pixelsPerInch); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, m_pixelsPerInch, 72)); }

void TFont::SetColor(TColor color) {
  if (color == m_color) return;
  m_color = color;
  Changed();
}

void TFont::SetStyle(TFontStyles style) {
  if (style == m_style) return;
  m_style = style;
  Changed();
}

void TFont::SetCharset(BYTE charset) {
  if (charset == m_charset) return;
  m_charset = charset;
  Changed();
}

bool TFont::SameAs(const TFont& other) const {
  return m_name == other.m_name && m_height == other.m_height && m_color == other.m_color &&
         m_style == other.m_style && m_charset == other.m_charset;
}

void TFont::Assign(const TFont& other) {
  if (SameAs(other) && m_pixelsPerInch == other.m_pixelsPerInch) return;
  m_name = other.m_name;
  m_pixelsPerInch = other.m_pixelsPerInch;
  m_height = other.m_height;
  m_color = other.m_color;
  m_style = other.m_style;
  m_charset = other.m_charset;
  Changed();
}

HFONT TFont::Handle() {
  if (!m_handle) {
    LOGFONT lf{};
    lf.lfHeight = m_height;
    lf.lfWeight = (m_style & static_cast<unsigned>(TFontStyle::fsBold)) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (m_style & static_cast<unsigned>(TFontStyle::fsItalic)) ? 1 : 0;
    lf.lfUnderline = (m_style & static_cast<unsigned>(TFontStyle::fsUnderline)) ? 1 : 0;
    lf.lfStrikeOut = (m_style & static_cast<unsigned>(TFontStyle::fsStrikeOut)) ? 1 : 0;
    lf.lfCharSet = m_charset;
    std::size_t n = std::min<std::size_t>(m_name.size(), LF_FACESIZE - 1);
    std::memcpy(lf.lfFaceName, m_name.data(), n);
    m_handle = CreateFontIndirect(&lf);
  }
  return m_handle;
}

// ---- TPen, TBrush ----------------------------------------------------------------------------
void TPen::SetColor(TColor color) {
  if (color == m_color) return;
  m_color = color;
  Changed();
}

void TPen::SetWidth(int width) {
  if (width == m_width) return;
  m_width = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == m_style) return;
  m_style = style;
  Changed();
}

HPEN TPen::Handle() {
  if (!m_handle) {
    if (m_style == TPenStyle::psClear) {
      m_handle = CreatePen(PS_NULL, 0, 0);
    } else if (m_width > 1 && m_style == TPenStyle::psSolid) {
      LOGBRUSH lb{BS_SOLID, ColorToRGB(m_color), 0};
      m_handle = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER,
                              static_cast<DWORD>(m_width), &lb, 0, nullptr);
    } else {
      const UINT style = m_style == TPenStyle::psDash          ? PS_DASH
                         : m_style == TPenStyle::psDot         ? PS_DOT
                         : m_style == TPenStyle::psInsideFrame ? PS_INSIDEFRAME
                                                               : PS_SOLID;
      m_handle = CreatePen(static_cast<int>(style), m_width, ColorToRGB(m_color));
    }
  }
  return m_handle;
}

void TBrush::SetColor(TColor color) {
  if (color == m_color && m_style == TBrushStyle::bsSolid) return;
  m_color = color;
  // Choosing a colour makes a clear brush solid again.
  m_style = TBrushStyle::bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == m_style) return;
  m_style = style;
  Changed();
}

HBRUSH TBrush::Handle() {
  if (!m_handle) {
    LOGBRUSH lb{m_style == TBrushStyle::bsClear ? BS_NULL : BS_SOLID, ColorToRGB(m_color), 0};
    m_handle = CreateBrushIndirect(&lb);
  }
  return m_handle;
}

// ---- TBitmap ---------------------------------------------------------------------------------
TBitmap::~TBitmap() { Release(); }

void TBitmap::Release() {
  if (m_handle) DeleteObject(m_handle);
  m_handle = nullptr;
  m_width = m_height = 0;
}

bool TBitmap::LoadFromResourceName(const std::string& name) {
  Release();
  m_handle = LoadBitmap(GetModuleHandle(nullptr), name.c_str());
  if (!m_handle) return false;
  BITMAP bm{};
  GetObject(m_handle, sizeof(bm), &bm);
  m_width = bm.bmWidth;
  m_height = bm.bmHeight;
  return true;
}

// ---- TCanvas ---------------------------------------------------------------------------------
TCanvas::TCanvas() {
  m_pen.OnChange = [this](TGraphicsObject*) { Unselect(m_oldPen, m_penValid); };
  m_brush.OnChange = [this](TGraphicsObject*) { Unselect(m_oldBrush, m_brushValid); };
  m_font.OnChange = [this](TGraphicsObject*) { Unselect(m_oldFont, m_fontValid); };
}

void TCanvas::Unselect(HGDIOBJ& old, bool& valid) {
  if (m_dc && old) SelectObject(m_dc, old);
  old = nullptr;
  valid = false;
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

void TCanvas::Deselect() {
  if (!m_dc) return;
  if (m_oldPen) SelectObject(m_dc, m_oldPen);
  if (m_oldBrush) SelectObject(m_dc, m_oldBrush);
  if (m_oldFont) SelectObject(m_dc, m_oldFont);
  m_oldPen = m_oldBrush = m_oldFont = nullptr;
  m_penValid = m_brushValid = m_fontValid = false;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == m_dc) return;
  Deselect();
  m_dc = dc;
}

void TCanvas::RequirePen() {
  if (m_penValid || !m_dc) return;
  HGDIOBJ old = SelectObject(m_dc, m_pen.Handle());
  if (!m_oldPen) m_oldPen = old;
  m_penValid = true;
}

void TCanvas::RequireBrush() {
  if (m_brushValid || !m_dc) return;
  HGDIOBJ old = SelectObject(m_dc, m_brush.Handle());
  if (!m_oldBrush) m_oldBrush = old;
  // Text drawn through the canvas sits on the brush: opaque on a solid one, see-through on a clear.
  SetBkColor(m_dc, ColorToRGB(m_brush.Color()));
  SetBkMode(m_dc, m_brush.Style() == TBrushStyle::bsClear ? TRANSPARENT : OPAQUE);
  m_brushValid = true;
}

void TCanvas::RequireFont() {
  if (m_fontValid || !m_dc) return;
  HGDIOBJ old = SelectObject(m_dc, m_font.Handle());
  if (!m_oldFont) m_oldFont = old;
  SetTextColor(m_dc, ColorToRGB(m_font.Color()));
  m_fontValid = true;
}

void TCanvas::FillRect(const RECT& rect) {
  RequireBrush();
  ::FillRect(m_dc, &rect, m_brush.Handle());
}

void TCanvas::FrameRect(const RECT& rect) {
  RequireBrush();
  ::FrameRect(m_dc, &rect, m_brush.Handle());
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  RequirePen();
  RequireBrush();
  ::Rectangle(m_dc, left, top, right, bottom);
}

void TCanvas::MoveTo(int x, int y) { MoveToEx(m_dc, x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
  RequirePen();
  ::LineTo(m_dc, x, y);
}

void TCanvas::Polyline(const POINT* points, int count) {
  RequirePen();
  ::Polyline(m_dc, points, count);
}

void TCanvas::PolyPolyline(const POINT* points, const DWORD* counts, int lineCount) {
  if (lineCount <= 0) return;
  RequirePen();
  ::PolyPolyline(m_dc, points, counts, static_cast<DWORD>(lineCount));
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  RequireFont();
  RequireBrush();
  ::ExtTextOut(m_dc, x, y, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
  MoveToEx(m_dc, x + TextWidth(text), y, nullptr);
}

void TCanvas::TextRect(const RECT& rect, int x, int y, const std::string& text) {
  RequireFont();
  RequireBrush();
  UINT options = ETO_CLIPPED;
  if (m_brush.Style() != TBrushStyle::bsClear) options |= ETO_OPAQUE;
  ::ExtTextOut(m_dc, x, y, options, &rect, text.data(), static_cast<UINT>(text.size()), nullptr);
}

SIZE TCanvas::TextExtent(const std::string& text) {
  RequireFont();
  SIZE size{};
  GetTextExtentPoint32(m_dc, text.data(), static_cast<int>(text.size()), &size);
  return size;
}

int TCanvas::DrawText(const std::string& text, RECT& rect, UINT format) {
  RequireFont();
  RequireBrush();
  return ::DrawText(m_dc, text.data(), static_cast<int>(text.size()), &rect, format);
}

void TCanvas::DrawFocusRect(const RECT& rect) {
  RequireBrush();
  ::DrawFocusRect(m_dc, &rect);
}

void TCanvas::BrushCopyKeyed(int x, int y, const TBitmap& bitmap, TColor transparent) {
  if (bitmap.Empty()) return;
  RequireBrush();
  DrawBitmapKeyed(m_dc, x, y, bitmap.Handle(), ColorToRGB(transparent));
}
