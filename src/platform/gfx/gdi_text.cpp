// SPDX-License-Identifier: GPL-3.0-or-later
// Text output and measuring: ExtTextOut, TextOut, DrawText, extents, metrics.
//
// Text is a cell: its top-left corner is the position given, its height the font's text height,
// its baseline `ascent` rows down. Glyphs are placed at whole pixels (advances are integers), so
// text measured with GetTextExtentPoint32 covers exactly the columns it is drawn in. Underlines
// (the font's, and the "&" prefix marks of DrawText) are rows of the text colour starting
// `underlineOffset` rows below the baseline (one row for small fonts: a one-pixel gap under the
// baseline), spanning the advance of the characters they mark.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/gfx/font_cache.h"
#include "platform/gfx/gdi_internal.h"

using namespace gfx;

namespace {

// Longest texts accepted; with the largest font no width computed from them can overflow.
constexpr int kMaxTextLength = 1 << 20;
constexpr int kMaxDrawTextLength = 1 << 16;  // DrawText also expands tabs
constexpr long long kFarAway = 1LL << 28;    // positions beyond this are off every surface
constexpr int kTabChars = 8;                 // DT_EXPANDTABS stops, in average character widths

// The target cut to a rectangle (surface coordinates). The rectangles live in `storage`.
raster::Target ClippedTo(const raster::Target& t, const RECT& rect, std::vector<RECT>& storage) {
  storage.clear();
  for (const RECT& c : t.clip) {
    const RECT r = rect::Intersect(c, rect);
    if (!rect::IsEmpty(r)) storage.push_back(r);
  }
  return raster::Target{t.surface, storage, t.dirty};
}

void DrawUnderline(const raster::Target& t, const FontInstance& font, int x, int top, int width,
                   std::uint32_t pixel) {
  const FontMetrics& m = font.Metrics();
  const int y = top + m.ascent + m.underlineOffset;
  raster::FillPixels(t, RECT{x, y, x + width, y + m.underlineThickness}, pixel);
}

// Draws characters with their glyphs at (x, top); returns the width advanced.
int DrawRun(const raster::Target& t, const FontInstance& font, const LOGFONT& lf, int x, int top,
            const char* text, int count, const int* dx, std::uint32_t pixel) {
  const int baseline = top + font.Metrics().ascent;
  long long pen = x;
  for (int i = 0; i < count && pen > -kFarAway && pen < kFarAway; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const GlyphImage& g = font.Glyph(c);
    if (!g.coverage.empty())
      raster::BlendMask(t, static_cast<int>(pen) + g.left, baseline - g.top, g.width, g.rows,
                        g.coverage.data(), g.width, pixel);
    pen += dx ? dx[i] : font.Advance(c);
  }
  const int width = static_cast<int>(std::clamp(pen - x, -kFarAway, kFarAway));
  if (lf.lfUnderline) DrawUnderline(t, font, x, top, width, pixel);
  if (lf.lfStrikeOut) {
    const int y = baseline - std::max(1, font.Metrics().ascent * 3 / 10);
    raster::FillPixels(t, RECT{x, y, x + width, y + font.Metrics().underlineThickness}, pixel);
  }
  return width;
}

}  // namespace

BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                const int* dx) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc || (count > 0 && !text) || count > static_cast<UINT>(kMaxTextLength)) return FALSE;
  const raster::Target target = dc->Target();
  const FontInstance& font = gfx::CurrentFont(*dc);
  const LOGFONT& lf = gfx::CurrentLogFont(*dc);
  const std::uint32_t bk = PixelFromColor(dc->state.bkColor);
  if (rect && (options & ETO_OPAQUE)) raster::FillPixels(target, dc->SurfaceRect(*rect), bk);
  thread_local std::vector<RECT> clipStorage;
  const raster::Target textTarget =
      rect && (options & ETO_CLIPPED) ? ClippedTo(target, dc->SurfaceRect(*rect), clipStorage) : target;
  const int n = static_cast<int>(count);
  long long sum = 0;
  if (dx) {
    for (int i = 0; i < n; ++i) sum += dx[i];
  } else {
    sum = font.AdvanceOf(text, n);
  }
  const int width = static_cast<int>(std::clamp(sum, -kFarAway, kFarAway));
  const int sx = dc->SurfaceX(x), sy = dc->SurfaceY(y);
  if (dc->state.bkMode == OPAQUE && n > 0)
    raster::FillPixels(textTarget, RECT{sx, sy, sx + width, sy + font.Metrics().height}, bk);
  if (n > 0) DrawRun(textTarget, font, lf, sx, sy, text, n, dx, PixelFromColor(dc->state.textColor));
  return TRUE;
}

BOOL TextOut(HDC hdc, int x, int y, const char* text, int count) {
  if (count < 0) return FALSE;
  return ExtTextOut(hdc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

BOOL GetTextExtentPoint32(HDC hdc, const char* text, int count, SIZE* size) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc || !size || count < 0 || count > kMaxTextLength || (count > 0 && !text)) return FALSE;
  const FontInstance& font = gfx::CurrentFont(*dc);
  size->cx = font.AdvanceOf(text, count);
  size->cy = font.Metrics().height;
  return TRUE;
}

BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc || !tm) return FALSE;
  const FontInstance& font = gfx::CurrentFont(*dc);
  const LOGFONT& lf = gfx::CurrentLogFont(*dc);
  const FontMetrics& m = font.Metrics();
  *tm = TEXTMETRIC{};
  tm->tmHeight = m.height;
  tm->tmAscent = m.ascent;
  tm->tmDescent = m.descent;
  tm->tmInternalLeading = m.internalLeading;
  tm->tmExternalLeading = m.externalLeading;
  tm->tmAveCharWidth = m.aveCharWidth;
  tm->tmMaxCharWidth = m.maxCharWidth;
  tm->tmWeight = m.weight;
  tm->tmDigitizedAspectX = gfx::ScreenPixelsPerInch();
  tm->tmDigitizedAspectY = gfx::ScreenPixelsPerInch();
  tm->tmItalic = lf.lfItalic ? 1 : 0;
  tm->tmUnderlined = lf.lfUnderline ? 1 : 0;
  tm->tmStruckOut = lf.lfStrikeOut ? 1 : 0;
  // Variable pitch (the bit's historical name says the opposite), outline font, sans serif.
  tm->tmPitchAndFamily = 0x01 | 0x02 | 0x04 | FF_SWISS;
  tm->tmCharSet = lf.lfCharSet;
  return TRUE;
}

int GetTextFace(HDC hdc, int size, char* face) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return 0;
  const LOGFONT& lf = gfx::CurrentLogFont(*dc);
  // The name the font was asked for; the family really used when none was named.
  std::string name(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
  if (name.empty()) name = gfx::CurrentFont(*dc).Family();
  if (!face) return static_cast<int>(name.size()) + 1;
  if (size <= 0) return 0;
  const int n = std::min<int>(static_cast<int>(name.size()), size - 1);
  std::memcpy(face, name.data(), static_cast<std::size_t>(n));
  face[n] = '\0';
  return n;
}

// ---- DrawText ------------------------------------------------------------------------------

namespace {

struct LaidLine {
  int start = 0;  // in the display text
  int end = 0;
  int width = 0;
  int cut = -1;  // DT_END_ELLIPSIS: characters kept before "..." (-1: whole line)
};

// Buffers of the layout, kept between calls so that sizing a caption allocates nothing once they
// have grown to the longest text seen. DrawText never calls back into user code, so one set per
// thread is enough.
struct LayoutBuffers {
  std::string display;
  std::vector<unsigned char> marked;
  std::vector<LaidLine> lines;
};

class TextLayout {
 public:
  TextLayout(const FontInstance& font, UINT format, int tabChars, LayoutBuffers& buffers)
      : m_font(font),
        m_format(format),
        m_display(buffers.display),
        m_marked(buffers.marked),
        m_lines(buffers.lines) {
    m_tabWidth = tabChars * std::max(1, font.Metrics().aveCharWidth);
  }

  void Build(const char* text, int count, int wrapWidth) {
    m_display.clear();
    m_marked.clear();
    m_lines.clear();
    const bool single = (m_format & DT_SINGLELINE) != 0;
    const bool prefix = (m_format & DT_NOPREFIX) == 0;
    int lineStart = 0;
    for (int i = 0; i < count; ++i) {
      const char c = text[i];
      if (!single && (c == '\r' || c == '\n')) {
        if (c == '\r' && i + 1 < count && text[i + 1] == '\n') ++i;
        AddHardLine(lineStart, static_cast<int>(m_display.size()), wrapWidth);
        lineStart = static_cast<int>(m_display.size());
        continue;
      }
      if (prefix && c == '&') {
        if (i + 1 >= count) break;  // a lone marker at the end shows nothing
        const char next = text[i + 1];
        if (next == '&') {
          Push('&', false);
          ++i;
          continue;
        }
        if (!single && (next == '\r' || next == '\n')) continue;
        Push(next, true);
        ++i;
        continue;
      }
      Push(c, false);
    }
    AddHardLine(lineStart, static_cast<int>(m_display.size()), wrapWidth);
  }

  // The width of display characters [start, end) starting at column 0 of a line.
  int Width(int start, int end) const {
    int x = 0;
    for (int i = start; i < end; ++i) x += CharWidth(i, x);
    return x;
  }

  int CharWidth(int i, int x) const {
    const unsigned char c = static_cast<unsigned char>(m_display[static_cast<std::size_t>(i)]);
    if (c == '\t' && (m_format & DT_EXPANDTABS)) return (x / m_tabWidth + 1) * m_tabWidth - x;
    return m_font.Advance(c);
  }

  void ApplyEllipsis(int width) {
    const int dots = 3 * m_font.Advance('.');
    for (LaidLine& line : m_lines) {
      if (line.width <= width) continue;
      int keep = line.end - line.start;
      while (keep > 0 && Width(line.start, line.start + keep) + dots > width) --keep;
      line.cut = keep;
      line.width = Width(line.start, line.start + keep) + dots;
    }
  }

  const std::string& ShownText() const { return m_display; }
  bool Marked(int i) const { return m_marked[static_cast<std::size_t>(i)] != 0; }
  const std::vector<LaidLine>& Lines() const { return m_lines; }
  int MaxWidth() const {
    int w = 0;
    for (const LaidLine& l : m_lines) w = std::max(w, l.width);
    return w;
  }

 private:
  void Push(char c, bool marked) {
    m_display.push_back(c);
    m_marked.push_back(marked ? 1 : 0);
  }

  bool IsSpace(int i) const { return m_display[static_cast<std::size_t>(i)] == ' '; }

  void AddHardLine(int start, int end, int wrapWidth) {
    const bool wrap = (m_format & DT_WORDBREAK) && !(m_format & DT_SINGLELINE);
    if (!wrap) {
      m_lines.push_back(LaidLine{start, end, Width(start, end)});
      return;
    }
    // Greedy word wrapping: a line breaks at the last space that keeps it within the width; the
    // spaces at the break are dropped; a word longer than the width stands alone, uncut.
    int pos = start;
    bool first = true;
    while (true) {
      if (!first)
        while (pos < end && IsSpace(pos)) ++pos;
      first = false;
      int x = 0;
      int lastSpace = -1;
      int i = pos;
      int breakAt = -1, resume = -1;
      for (; i < end; ++i) {
        const int w = CharWidth(i, x);
        if (!IsSpace(i) && x + w > wrapWidth && i > pos) {
          if (lastSpace > pos) {
            breakAt = lastSpace;
          } else {
            int j = i;
            while (j < end && !IsSpace(j)) ++j;
            breakAt = j;
          }
          resume = breakAt;
          break;
        }
        if (IsSpace(i)) lastSpace = i;
        x += w;
      }
      if (breakAt < 0) {
        m_lines.push_back(LaidLine{pos, end, Width(pos, end)});
        return;
      }
      int lineEnd = breakAt;
      while (lineEnd > pos && IsSpace(lineEnd - 1)) --lineEnd;
      m_lines.push_back(LaidLine{pos, lineEnd, Width(pos, lineEnd)});
      pos = resume;
      if (pos >= end) return;
    }
  }

  const FontInstance& m_font;
  UINT m_format;
  int m_tabWidth = 1;
  std::string& m_display;
  std::vector<unsigned char>& m_marked;
  std::vector<LaidLine>& m_lines;
};

}  // namespace

int DrawText(HDC hdc, const char* text, int count, RECT* rect, UINT format) {
  DeviceContext* dc = FindDc(hdc);
  if (!dc || !rect) return 0;
  if (!text) {
    if (count > 0) return 0;
    text = "";
    count = 0;
  }
  if (count < 0) count = static_cast<int>(strnlen(text, kMaxDrawTextLength + 1));
  if (count > kMaxDrawTextLength) return 0;
  // DT_TABSTOP carries the tab length in characters in the format's second byte, where other
  // flags would otherwise be read.
  int tabChars = kTabChars;
  if (format & DT_TABSTOP) {
    tabChars = std::max(1, static_cast<int>((format >> 8) & 0xFF));
    format &= ~0xFF00u;
  }
  const FontInstance& font = gfx::CurrentFont(*dc);
  const LOGFONT& lf = gfx::CurrentLogFont(*dc);
  const FontMetrics& m = font.Metrics();
  const int lineHeight = m.height + ((format & DT_EXTERNALLEADING) ? m.externalLeading : 0);

  thread_local LayoutBuffers buffers;
  TextLayout layout(font, format, tabChars, buffers);
  // Rectangles may be anything a caller passes; positions are worked out in 64 bits and kept
  // within reach of the surface.
  const RECT box{DeviceContext::Saturate(rect->left), DeviceContext::Saturate(rect->top),
                 DeviceContext::Saturate(rect->right), DeviceContext::Saturate(rect->bottom)};
  const int boxWidth = box.right - box.left;
  layout.Build(text, count, boxWidth);
  if ((format & DT_END_ELLIPSIS) && !(format & DT_CALCRECT)) layout.ApplyEllipsis(boxWidth);
  const auto& lines = layout.Lines();
  const int totalHeight = lineHeight * static_cast<int>(lines.size());

  if (format & DT_CALCRECT) {
    rect->right = static_cast<LONG>(
        std::min<long long>(INT_MAX, static_cast<long long>(rect->left) + layout.MaxWidth()));
    rect->bottom =
        static_cast<LONG>(std::min<long long>(INT_MAX, static_cast<long long>(rect->top) + totalHeight));
    return totalHeight;
  }

  int top = box.top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER)
      top = box.top + (box.bottom - box.top - lineHeight) / 2;
    else if (format & DT_BOTTOM)
      top = box.bottom - lineHeight;
  }

  raster::Target target = dc->Target();
  thread_local std::vector<RECT> clipStorage;
  if (!(format & DT_NOCLIP)) target = ClippedTo(target, dc->SurfaceRect(box), clipStorage);
  const std::uint32_t textPixel = PixelFromColor(dc->state.textColor);
  const std::uint32_t bkPixel = PixelFromColor(dc->state.bkColor);
  const bool glyphs = (format & DT_PREFIXONLY) == 0;
  const bool marks = (format & DT_HIDEPREFIX) == 0;
  const std::string& display = layout.ShownText();

  int y = top;
  for (const LaidLine& line : lines) {
    int x = box.left;
    if (format & DT_CENTER)
      x = box.left + (boxWidth - line.width) / 2;
    else if (format & DT_RIGHT)
      x = box.right - line.width;
    const int sx = dc->SurfaceX(x), sy = dc->SurfaceY(y);
    if (glyphs && dc->state.bkMode == OPAQUE && line.width > 0)
      raster::FillPixels(target, RECT{sx, sy, sx + line.width, sy + m.height}, bkPixel);
    const int end = line.cut >= 0 ? line.start + line.cut : line.end;
    int col = 0;  // x within the line
    int runStart = line.start;
    int runCol = 0;
    auto flush = [&](int runEnd) {
      if (glyphs && runEnd > runStart)
        DrawRun(target, font, lf, sx + runCol, sy, display.data() + runStart, runEnd - runStart, nullptr,
                textPixel);
    };
    for (int i = line.start; i < end; ++i) {
      const int w = layout.CharWidth(i, col);
      if (display[static_cast<std::size_t>(i)] == '\t' && (format & DT_EXPANDTABS)) {
        flush(i);
        runStart = i + 1;
        runCol = col + w;
      }
      if (marks && layout.Marked(i)) DrawUnderline(target, font, sx + col, sy, w, textPixel);
      col += w;
    }
    flush(end);
    if (line.cut >= 0 && glyphs) DrawRun(target, font, lf, sx + col, sy, "...", 3, nullptr, textPixel);
    y += lineHeight;
  }
  return (top - box.top) + totalHeight;
}
