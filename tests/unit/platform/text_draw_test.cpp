// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing text: ExtTextOut options, background modes, DrawText layout and the "&" prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/window.h"
#include "support/canvas.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kFace = RGB(212, 208, 200);

// A canvas with the dialog font selected and text drawn without a background.
class TextCanvas : public testgdi::Canvas {
 public:
  TextCanvas(int width, int height, int fontHeight = -11, COLORREF fill = kWhite)
      : testgdi::Canvas(width, height, fill) {
    UseFont(fontHeight);
    SetBkMode(dc(), TRANSPARENT);
  }
};

RECT Calc(HDC dc, const std::string& text, UINT format, int width = 0) {
  RECT r{5, 7, 5 + width, 7};
  DrawText(dc, text.data(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
  return r;
}

TEST(TextOut, GlyphsAreAntiAliasedAndStayInTheirCell) {
  TextCanvas c(120, 30);
  SetTextColor(c.dc(), kBlack);
  const std::string s = "Harmonia Il";
  ASSERT_TRUE(TextOut(c.dc(), 10, 5, s.data(), static_cast<int>(s.size())));
  const RECT ink = c.Ink(kWhite);
  EXPECT_GE(ink.left, 10);
  EXPECT_GE(ink.top, 5);
  EXPECT_LE(ink.right, 10 + c.TextWidth(s));
  EXPECT_LE(ink.bottom, 5 + 10);  // no descenders: nothing below the baseline
  bool solid = false, partial = false;
  for (int y = ink.top; y < ink.bottom; ++y)
    for (int x = ink.left; x < ink.right; ++x) {
      const COLORREF p = c.At(x, y);
      solid = solid || p == kBlack;
      partial = partial || (p != kBlack && p != kWhite);
    }
  EXPECT_TRUE(solid) << "hinted stems reach the full text colour";
  EXPECT_TRUE(partial) << "edges are anti-aliased";
}

TEST(TextOut, OpaqueModeFillsExactlyTheTextCell) {
  TextCanvas c(100, 30);
  SetBkMode(c.dc(), OPAQUE);
  SetBkColor(c.dc(), RGB(0, 0, 255));
  TextOut(c.dc(), 4, 6, "Sol", 3);
  const int w = c.TextWidth("Sol");
  EXPECT_EQ(c.Ink(kWhite), (RECT{4, 6, 4 + w, 6 + 13}));
  EXPECT_EQ(c.At(4, 6), RGB(0, 0, 255));
  EXPECT_EQ(c.At(4 + w - 1, 18), RGB(0, 0, 255));
  EXPECT_FALSE(TextOut(c.dc(), 0, 0, "x", -1));
}

TEST(ExtTextOut, OpaqueClippedCellNeverTouchesPixelsOutside) {
  // A grid cell: text at left + 2, top + 2, filled with the background and cut at the cell.
  TextCanvas c(120, 40, -11, kFace);
  const std::vector<COLORREF> before = c.Snapshot();
  SetBkColor(c.dc(), kWhite);
  SetTextColor(c.dc(), kBlack);
  const RECT cell{10, 10, 40, 30};
  const std::string s = "Fá sustenido menor com sétima";
  ASSERT_TRUE(ExtTextOut(c.dc(), cell.left + 2, cell.top + 2, ETO_OPAQUE | ETO_CLIPPED, &cell, s.data(),
                         static_cast<UINT>(s.size()), nullptr));
  const std::vector<COLORREF> after = c.Snapshot();
  bool inkAtRightEdge = false;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      const bool inside = x >= cell.left && x < cell.right && y >= cell.top && y < cell.bottom;
      if (!inside) {
        ASSERT_EQ(after[y * 120 + x], before[y * 120 + x]) << x << "," << y;
      }
      if (x == cell.right - 1 && inside && after[y * 120 + x] != kWhite) inkAtRightEdge = true;
    }
  EXPECT_TRUE(inkAtRightEdge) << "the long text is cut at the cell's edge, not before it";
  // The opaque fill covers the cell; the text starts two pixels in.
  EXPECT_EQ(c.At(10, 10), kWhite);
  EXPECT_EQ(c.At(11, 29), kWhite);
  for (int y = cell.top; y < cell.bottom; ++y) {
    EXPECT_EQ(c.At(10, y), kWhite);
    EXPECT_EQ(c.At(11, y), kWhite);
  }
}

TEST(ExtTextOut, ClippedWithoutOpaqueKeepsTheBackground) {
  TextCanvas c(60, 20, -11, kFace);
  const RECT cell{0, 0, 8, 20};
  SetTextColor(c.dc(), kBlack);
  ExtTextOut(c.dc(), 2, 2, ETO_CLIPPED, &cell, "MMMM", 4, nullptr);
  EXPECT_EQ(c.At(0, 0), kFace);
  const RECT ink = c.Ink(kFace);
  EXPECT_LE(ink.right, 8);
  EXPECT_GE(ink.left, 2);
  // Per-character advances from the caller are honoured.
  TextCanvas d(60, 20);
  const int dx[2] = {20, 20};
  ExtTextOut(d.dc(), 0, 0, 0, nullptr, "ll", 2, dx);
  EXPECT_GE(d.Ink(kWhite).right, 20);
  EXPECT_FALSE(ExtTextOut(d.dc(), 0, 0, 0, nullptr, nullptr, 3, nullptr));
}

TEST(DrawText, MeasuresLabelsLikeTheExtent) {
  TextCanvas c(10, 10);
  const std::string label = "Desenvolvido por Orvandel - Fevereiro 2010";
  const RECT r = Calc(c.dc(), label, DT_EXPANDTABS);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.top, 7);
  EXPECT_EQ(r.right - r.left, c.TextWidth(label));
  EXPECT_EQ(r.bottom - r.top, 13);
  // Empty text is one line high and no width.
  EXPECT_EQ(Calc(c.dc(), "", DT_EXPANDTABS), (RECT{5, 7, 5, 20}));
  RECT r2{0, 0, 0, 0};
  EXPECT_EQ(DrawText(c.dc(), "abc", -1, &r2, DT_CALCRECT), 13);
  EXPECT_EQ(r2.right, c.TextWidth("abc"));
}

TEST(DrawText, LineBreaksStartNewLinesUnlessSingleLine) {
  TextCanvas c(10, 10);
  const RECT r = Calc(c.dc(), "Sol\r\nMi maior\nD\rE", 0);
  EXPECT_EQ(r.bottom - r.top, 4 * 13);
  EXPECT_EQ(r.right - r.left, c.TextWidth("Mi maior"));
  EXPECT_EQ(Calc(c.dc(), "a\n", 0).bottom - 7, 2 * 13);
  const RECT single = Calc(c.dc(), "Sol\r\nMi", DT_SINGLELINE);
  EXPECT_EQ(single.bottom - single.top, 13);
}

TEST(DrawText, TabsExpandToEightAverageCharacters) {
  TextCanvas c(10, 10);
  TEXTMETRIC tm;
  GetTextMetrics(c.dc(), &tm);
  const int stop = 8 * tm.tmAveCharWidth;
  EXPECT_EQ(Calc(c.dc(), "a\tb", DT_EXPANDTABS).right - 5, stop + c.TextWidth("b"));
  EXPECT_EQ(Calc(c.dc(), "\t\tb", DT_EXPANDTABS).right - 5, 2 * stop + c.TextWidth("b"));
  EXPECT_EQ(Calc(c.dc(), "a\tb", 0).right - 5, c.TextWidth("a\tb"));
  // DT_TABSTOP: the second byte is the stop in characters, not flags (4 << 8 is DT_CALCRECT's
  // bit, yet the text is drawn, with "b" at four average widths).
  TextCanvas drawn(100, 20), expected(100, 20);
  RECT r{0, 0, 100, 20};
  DrawText(drawn.dc(), "a\tb", -1, &r, DT_EXPANDTABS | DT_TABSTOP | (4 << 8));
  EXPECT_EQ(r, (RECT{0, 0, 100, 20}));
  TextOut(expected.dc(), 0, 0, "a", 1);
  TextOut(expected.dc(), 4 * tm.tmAveCharWidth, 0, "b", 1);
  EXPECT_EQ(drawn.Snapshot(), expected.Snapshot());
}

TEST(DrawText, PrefixMarksAreRemovedFromTheMeasure) {
  TextCanvas c(10, 10);
  EXPECT_EQ(Calc(c.dc(), "&Tocar", 0).right - 5, c.TextWidth("Tocar"));
  EXPECT_EQ(Calc(c.dc(), "Sol && Mi", 0).right - 5, c.TextWidth("Sol & Mi"));
  EXPECT_EQ(Calc(c.dc(), "&Tocar", DT_NOPREFIX).right - 5, c.TextWidth("&Tocar"));
  EXPECT_EQ(Calc(c.dc(), "fim&", 0).right - 5, c.TextWidth("fim"));
}

TEST(DrawText, PrefixUnderlinesTheMarkedCharacterOnly) {
  TextCanvas c(80, 20);
  SetTextColor(c.dc(), kBlack);
  RECT r{0, 0, 80, 20};
  DrawText(c.dc(), "ca&bac", -1, &r, DT_LEFT);
  const int start = c.TextWidth("ca"), end = start + c.TextWidth("b");
  // Row 11: one row of gap under the baseline (ascent 10), below every glyph of "cabac".
  const int row = 11;
  for (int x = 0; x < 80; ++x) EXPECT_EQ(c.At(x, row), (x >= start && x < end) ? kBlack : kWhite) << x;
  for (int x = 0; x < 80; ++x) EXPECT_EQ(c.At(x, row + 1), kWhite);

  TextCanvas hidden(80, 20);
  DrawText(hidden.dc(), "ca&bac", -1, &r, DT_LEFT | DT_HIDEPREFIX);
  for (int x = 0; x < 80; ++x) EXPECT_EQ(hidden.At(x, row), kWhite);
  EXPECT_EQ(hidden.Ink(kWhite).right, c.Ink(kWhite).right);

  TextCanvas only(80, 20);
  DrawText(only.dc(), "ca&bac", -1, &r, DT_LEFT | DT_PREFIXONLY);
  EXPECT_EQ(only.Ink(kWhite), (RECT{start, row, end, row + 1}));
}

TEST(DrawText, DoubleAmpersandDrawsOneAmpersand) {
  TextCanvas viaDrawText(60, 20), viaTextOut(60, 20);
  RECT r{3, 2, 60, 20};
  DrawText(viaDrawText.dc(), "A&&B", -1, &r, DT_LEFT);
  TextOut(viaTextOut.dc(), 3, 2, "A&B", 3);
  EXPECT_EQ(viaDrawText.Snapshot(), viaTextOut.Snapshot());
}

TEST(DrawText, AlignmentMatchesTextOutAtTheComputedPosition) {
  const std::string s = "Lumarest";
  TextCanvas probe(10, 10);
  const int w = probe.TextWidth(s);
  struct Case {
    UINT format;
    int x;
    int y;
  } cases[] = {{DT_LEFT, 0, 0},
               {DT_CENTER, (100 - w) / 2, 0},
               {DT_RIGHT, 100 - w, 0},
               {DT_SINGLELINE | DT_VCENTER, 0, (40 - 13) / 2},
               {DT_SINGLELINE | DT_BOTTOM | DT_RIGHT, 100 - w, 40 - 13}};
  for (const Case& k : cases) {
    TextCanvas a(100, 40), b(100, 40);
    RECT r{0, 0, 100, 40};
    DrawText(a.dc(), s.data(), static_cast<int>(s.size()), &r, k.format);
    TextOut(b.dc(), k.x, k.y, s.data(), static_cast<int>(s.size()));
    EXPECT_EQ(a.Snapshot(), b.Snapshot()) << "format " << k.format;
  }
}

TEST(DrawText, ClipsToTheRectangleUnlessNoClip) {
  TextCanvas clipped(100, 30), free(100, 30);
  RECT r{0, 0, 12, 30};
  DrawText(clipped.dc(), "Armadura", -1, &r, DT_LEFT);
  EXPECT_LE(clipped.Ink(kWhite).right, 12);
  DrawText(free.dc(), "Armadura", -1, &r, DT_LEFT | DT_NOCLIP);
  EXPECT_GT(free.Ink(kWhite).right, 12);
}

TEST(DrawText, WordBreakWrapsAtSpacesAndKeepsLongWordsWhole) {
  TextCanvas c(10, 10);
  const int width = c.TextWidth("Clique em um");
  const RECT r = Calc(c.dc(), "Clique em um retangulo", DT_WORDBREAK, width);
  EXPECT_EQ(r.bottom - r.top, 2 * 13);
  EXPECT_EQ(r.right - r.left, width);  // "retangulo" is narrower than the first line
  // One pixel less and "um" moves down.
  const RECT tighter = Calc(c.dc(), "Clique em um retangulo", DT_WORDBREAK, width - 1);
  EXPECT_EQ(tighter.bottom - tighter.top, 2 * 13);
  EXPECT_EQ(tighter.right - tighter.left, std::max(c.TextWidth("Clique em"), c.TextWidth("um retangulo")));
  const RECT narrow = Calc(c.dc(), "Harmonia funcional", DT_WORDBREAK, 5);
  EXPECT_EQ(narrow.bottom - narrow.top, 2 * 13);
  EXPECT_EQ(narrow.right - narrow.left, c.TextWidth("Harmonia"));
  // Without DT_WORDBREAK the same text stays on one line.
  EXPECT_EQ(Calc(c.dc(), "Harmonia funcional", 0, 5).bottom - 7, 13);
}

TEST(DrawText, OpaqueBackgroundFillsEachLineCell) {
  TextCanvas c(100, 40);
  SetBkMode(c.dc(), OPAQUE);
  SetBkColor(c.dc(), RGB(0, 255, 0));
  RECT r{0, 0, 100, 40};
  DrawText(c.dc(), "ab\nabcd", -1, &r, DT_LEFT);
  EXPECT_EQ(c.At(0, 0), RGB(0, 255, 0));
  EXPECT_EQ(c.At(c.TextWidth("ab"), 5), kWhite);
  EXPECT_EQ(c.At(c.TextWidth("ab"), 13 + 5) != kWhite, true);
  EXPECT_EQ(c.Ink(kWhite), (RECT{0, 0, c.TextWidth("abcd"), 26}));
}

TEST(DrawText, EllipsisShortensLinesThatDoNotFit) {
  TextCanvas c(200, 20);
  RECT r{0, 0, 40, 20};
  SetTextColor(c.dc(), kBlack);
  DrawText(c.dc(), "Escolha o campo harmonico", -1, &r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
  EXPECT_LE(c.Ink(kWhite).right, 40);
}

TEST(TextOut, FontUnderlineRunsUnderTheWholeText) {
  LOGFONT lf;
  lf.lfHeight = -11;
  lf.lfUnderline = 1;
  std::strcpy(lf.lfFaceName, "MS Sans Serif");
  TextCanvas c(80, 20);
  HFONT underlined = CreateFontIndirect(&lf);
  HGDIOBJ old = SelectObject(c.dc(), underlined);
  SetTextColor(c.dc(), kBlack);
  TextOut(c.dc(), 3, 2, "Tocar", 5);
  const int w = c.TextWidth("Tocar");
  for (int x = 0; x < 80; ++x) EXPECT_EQ(c.At(x, 2 + 11), (x >= 3 && x < 3 + w) ? kBlack : kWhite) << x;
  SelectObject(c.dc(), old);
  DeleteObject(underlined);
}

TEST(TextOut, ExtremePositionsAndAdvancesAreHarmless) {
  TextCanvas c(40, 20);
  const int dx[3] = {INT_MAX, INT_MAX, INT_MAX};
  EXPECT_TRUE(ExtTextOut(c.dc(), 0, 0, 0, nullptr, "abc", 3, dx));
  EXPECT_TRUE(ExtTextOut(c.dc(), INT_MAX, INT_MIN, 0, nullptr, "abc", 3, nullptr));
  SetBkMode(c.dc(), OPAQUE);
  RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  EXPECT_TRUE(ExtTextOut(c.dc(), INT_MIN, 0, ETO_OPAQUE | ETO_CLIPPED, &huge, "abc", 3, dx));
  EXPECT_GT(DrawText(c.dc(), "abc\tdef", -1, &huge, DT_CENTER | DT_EXPANDTABS | DT_WORDBREAK), 0);
  EXPECT_GT(DrawText(c.dc(), "abc", -1, &huge, DT_SINGLELINE | DT_VCENTER | DT_RIGHT), 0);
  RECT edge{INT_MAX - 5, INT_MAX - 5, INT_MAX, INT_MAX};
  EXPECT_EQ(DrawText(c.dc(), "abc", -1, &edge, DT_CALCRECT), 13);
  EXPECT_EQ(edge.right, INT_MAX);
  const std::string tooLong(1 << 17, 'a');
  RECT r{0, 0, 10, 10};
  EXPECT_EQ(DrawText(c.dc(), tooLong.c_str(), -1, &r, DT_CALCRECT), 0);
}

TEST(DrawText, BadArguments) {
  TextCanvas c(10, 10);
  EXPECT_EQ(DrawText(c.dc(), "x", 1, nullptr, 0), 0);
  RECT r{0, 0, 10, 10};
  EXPECT_EQ(DrawText(c.dc(), nullptr, 4, &r, 0), 0);
  EXPECT_EQ(DrawText(c.dc(), nullptr, 0, &r, DT_CALCRECT), 13);
  RECT inverted{10, 10, 0, 0};
  EXPECT_EQ(DrawText(c.dc(), "texto", -1, &inverted, DT_WORDBREAK), 13 * 1);
}

}  // namespace
