// SPDX-License-Identifier: GPL-3.0-or-later
// Device contexts, drawing objects and primitives.
//
// Drawing is pixel-exact and deterministic: every primitive is rasterised by our own code onto a
// 32-bit surface, so the same calls give the same pixels on every machine and tests can assert
// pixels at exact coordinates. Only glyph shapes come from FreeType; glyph positions and text
// metrics are integers computed here. Rules callers rely on:
// - Rectangles exclude their right and bottom edges; LineTo does not draw its end point.
// - Pens of width 1 (or 0) are cosmetic one-pixel lines; wider pens are geometric. A geometric pen
//   made with PS_ENDCAP_FLAT | PS_JOIN_MITER covers exactly the stroke's rectangle of width w
//   centred on the line (for odd w, w/2 pixels on each side of the centre pixel).
// - DrawFocusRect inverts a dotted rectangle (every other pixel), so drawing it twice restores it.
// - Text is cp1252 bytes; ExtTextOut with ETO_CLIPPED never draws outside its rectangle.
// - An invalid handle makes a call fail (FALSE, 0 or nullptr); it never crashes.
#pragma once

#include "base/types.h"

// ---- Device contexts -----------------------------------------------------------------------
HDC CreateCompatibleDC(HDC hdc);  // memory DC with a 1x1 bitmap selected
BOOL DeleteDC(HDC hdc);
int SaveDC(HDC hdc);
BOOL RestoreDC(HDC hdc, int savedDc);  // negative: relative to the latest save
int GetDeviceCaps(HDC hdc, int index);

// ---- Objects -------------------------------------------------------------------------------
HPEN CreatePen(int style, int width, COLORREF color);
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount,
                  const DWORD* styleEntries);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateBrushIndirect(const LOGBRUSH* lb);
HFONT CreateFontIndirect(const LOGFONT* lf);
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
// 32-bit top-down bitmap initialised from 0x00RRGGBB pixels (row-major); nullptr pixels = black.
HBITMAP CreateBitmapFromPixels(int width, int height, const std::uint32_t* pixels);
HGDIOBJ GetStockObject(int index);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj);
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
BOOL DeleteObject(HGDIOBJ obj);
int GetObject(HGDIOBJ obj, int size, void* out);  // LOGPEN, LOGBRUSH, LOGFONT or BITMAP

inline constexpr UINT OBJ_PEN = 1;
inline constexpr UINT OBJ_BRUSH = 2;
inline constexpr UINT OBJ_FONT = 6;
inline constexpr UINT OBJ_BITMAP = 7;
inline constexpr UINT OBJ_REGION = 8;

// ---- Attributes ----------------------------------------------------------------------------
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
int SetBkMode(HDC hdc, int mode);
BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* old);
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* old);
BOOL GetViewportOrgEx(HDC hdc, POINT* pt);
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, POINT* old);
BOOL MoveToEx(HDC hdc, int x, int y, POINT* old);
BOOL GetCurrentPositionEx(HDC hdc, POINT* pt);

// ---- Regions and clipping ------------------------------------------------------------------
HRGN CreateRectRgn(int left, int top, int right, int bottom);
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
int GetRgnBox(HRGN rgn, RECT* rect);
BOOL PtInRegion(HRGN rgn, int x, int y);
BOOL RectInRegion(HRGN rgn, const RECT* rect);
int OffsetRgn(HRGN rgn, int dx, int dy);
// Clipping works in logical coordinates (the DC's origin applies).
int SelectClipRgn(HDC hdc, HRGN rgn);  // nullptr: no clip beyond the window's visible region
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
int GetClipBox(HDC hdc, RECT* rect);
BOOL RectVisible(HDC hdc, const RECT* rect);

// ---- System colours ------------------------------------------------------------------------
DWORD GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

// ---- Primitives ----------------------------------------------------------------------------
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC hdc, const RECT* rect);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL LineTo(HDC hdc, int x, int y);
BOOL Polyline(HDC hdc, const POINT* points, int count);
BOOL PolyPolyline(HDC hdc, const POINT* points, const DWORD* counts, DWORD polylineCount);
BOOL Polygon(HDC hdc, const POINT* points, int count);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC hdc, int x, int y);
BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop);
// Copies the bitmap at its own size to (x, y); source pixels of colour `transparent` are replaced
// by the colour of the DC's current brush, every other pixel is copied unchanged.
BOOL DrawBitmapKeyed(HDC dest, int x, int y, HBITMAP bitmap, COLORREF transparent);
BOOL DrawEdge(HDC hdc, RECT* rect, UINT edge, UINT flags);
BOOL DrawFocusRect(HDC hdc, const RECT* rect);
BOOL DrawIconAt(HDC hdc, int x, int y, HICON icon);

// ---- Text ----------------------------------------------------------------------------------
BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                const int* dx);
BOOL TextOut(HDC hdc, int x, int y, const char* text, int count);
int DrawText(HDC hdc, const char* text, int count, RECT* rect, UINT format);
BOOL GetTextExtentPoint32(HDC hdc, const char* text, int count, SIZE* size);
BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm);
int GetTextFace(HDC hdc, int size, char* face);
