// SPDX-License-Identifier: GPL-3.0-or-later
// A memory DC drawing into a bitmap of its own, for drawing tests that read the pixels back.
// Pixels are read through a second DC on the same bitmap, so the clip, origins and objects of
// the DC under test never change what is read.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/window.h"

namespace testgdi {

class Canvas {
 public:
  // A bitmap of width x height filled with `fill`.
  Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255)) : m_width(width), m_height(height) {
    m_dc = CreateCompatibleDC(nullptr);
    m_bitmap = CreateCompatibleBitmap(m_dc, width, height);
    m_oldBitmap = SelectObject(m_dc, m_bitmap);
    Fill(RECT{0, 0, width, height}, fill);
  }
  ~Canvas() {
    if (m_font != nullptr) {
      SelectObject(m_dc, m_oldFont);
      DeleteObject(m_font);
    }
    SelectObject(m_dc, m_oldBitmap);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return m_dc; }
  HBITMAP bitmap() const { return m_bitmap; }

  // Selects a font of the face and height for the canvas's life (the dialog font by default).
  void UseFont(int height, const char* face = "MS Sans Serif") {
    LOGFONT lf;
    lf.lfHeight = height;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    HFONT font = CreateFontIndirect(&lf);
    HGDIOBJ old = SelectObject(m_dc, font);
    if (m_font != nullptr) {
      DeleteObject(m_font);
    } else {
      m_oldFont = old;
    }
    m_font = font;
  }
  // The width the selected font gives `s`.
  int TextWidth(const std::string& s) const {
    SIZE size{};
    GetTextExtentPoint32(m_dc, s.data(), static_cast<int>(s.size()), &size);
    return size.cx;
  }

  // Fills through the DC under test: its clip and origins apply.
  void Fill(RECT r, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(m_dc, &r, brush);
    DeleteObject(brush);
  }
  // Fills the whole bitmap through the DC under test.
  void Clear(COLORREF color) { Fill(RECT{0, 0, m_width, m_height}, color); }
  // Fills far beyond the bitmap through the DC under test: what lands is what the clip lets in.
  void FillAll(COLORREF color) { Fill(RECT{-1000, -1000, 1000, 1000}, color); }

  COLORREF At(int x, int y) const {
    HDC reader = CreateCompatibleDC(nullptr);
    SelectObject(m_dc, m_oldBitmap);
    HGDIOBJ old = SelectObject(reader, m_bitmap);
    const COLORREF c = GetPixel(reader, x, y);
    SelectObject(reader, old);
    DeleteDC(reader);
    SelectObject(m_dc, m_bitmap);
    return c;
  }
  // Every pixel, row by row.
  std::vector<COLORREF> Snapshot() const {
    std::vector<COLORREF> v;
    v.reserve(static_cast<std::size_t>(m_width) * m_height);
    for (int y = 0; y < m_height; ++y)
      for (int x = 0; x < m_width; ++x) v.push_back(At(x, y));
    return v;
  }
  int Count(COLORREF color) const {
    const std::vector<COLORREF> all = Snapshot();
    return static_cast<int>(std::count(all.begin(), all.end(), color));
  }
  // Bounding box of the pixels of one colour; an inverted box when there are none.
  RECT Bounds(COLORREF color) const {
    return BoundsWhere([color](COLORREF c) { return c == color; });
  }
  // Bounding box of the pixels that differ from `background`.
  RECT Ink(COLORREF background) const {
    return BoundsWhere([background](COLORREF c) { return c != background; });
  }

 private:
  RECT BoundsWhere(const std::function<bool(COLORREF)>& pick) const {
    const std::vector<COLORREF> all = Snapshot();
    RECT box{m_width, m_height, 0, 0};
    for (int y = 0; y < m_height; ++y)
      for (int x = 0; x < m_width; ++x)
        if (pick(all[static_cast<std::size_t>(y) * m_width + x])) {
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x + 1);
          box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    return box;
  }

  int m_width, m_height;
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_oldBitmap = nullptr;
  HFONT m_font = nullptr;
  HGDIOBJ m_oldFont = nullptr;
};

}  // namespace testgdi
