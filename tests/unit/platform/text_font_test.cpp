// SPDX-License-Identifier: GPL-3.0-or-later
// Font lookup and metrics: integer metrics from the face's units, shared fonts, hostile requests.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "platform/gdi.h"
#include "platform/gfx/font_cache.h"

// Counts heap allocations so a test can prove that measuring text allocates nothing.
namespace {
std::atomic<long> g_allocations{0};
}
void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

LOGFONT DialogFont(int height, const char* face = "MS Sans Serif") {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return lf;
}

// A memory DC with a font selected for the life of the object.
class FontDc {
 public:
  explicit FontDc(const LOGFONT& lf) {
    m_dc = CreateCompatibleDC(nullptr);
    m_font = CreateFontIndirect(&lf);
    m_old = SelectObject(m_dc, m_font);
  }
  ~FontDc() {
    SelectObject(m_dc, m_old);
    DeleteObject(m_font);
    DeleteDC(m_dc);
  }
  HDC dc() const { return m_dc; }
  TEXTMETRIC Metrics() const {
    TEXTMETRIC tm;
    GetTextMetrics(m_dc, &tm);
    return tm;
  }
  SIZE Extent(const std::string& s) const {
    SIZE size{};
    GetTextExtentPoint32(m_dc, s.data(), static_cast<int>(s.size()), &size);
    return size;
  }

 private:
  HDC m_dc;
  HFONT m_font;
  HGDIOBJ m_old;
};

TEST(TextFont, DialogFontResolvesToLiberationSans) {
  gfx::FontRequest request;
  request.face = "MS Sans Serif";
  request.height = -11;
  auto font = gfx::GetFontInstance(request);
  ASSERT_TRUE(font->HasFace()) << "fonts-liberation2 must be installed";
  EXPECT_EQ(font->Family(), "Liberation Sans");
  // The same request shares one font.
  EXPECT_EQ(gfx::GetFontInstance(request).get(), font.get());
  FontDc dc(DialogFont(-11));
  char face[LF_FACESIZE];
  EXPECT_EQ(GetTextFace(dc.dc(), sizeof face, face), 13);
  EXPECT_STREQ(face, "MS Sans Serif");
  EXPECT_EQ(GetTextFace(dc.dc(), 0, nullptr), 14);
  char small[4];
  EXPECT_EQ(GetTextFace(dc.dc(), sizeof small, small), 3);
  EXPECT_STREQ(small, "MS ");
}

TEST(TextFont, CharacterHeightElevenGivesTextHeightThirteen) {
  const TEXTMETRIC tm = FontDc(DialogFont(-11)).Metrics();
  EXPECT_EQ(tm.tmAscent, 10);
  EXPECT_EQ(tm.tmDescent, 3);
  EXPECT_EQ(tm.tmHeight, 13);
  EXPECT_EQ(tm.tmInternalLeading, 2);
  EXPECT_GT(tm.tmAveCharWidth, 0);
  EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
}

TEST(TextFont, LargerCharacterHeights) {
  const TEXTMETRIC at14 = FontDc(DialogFont(-14)).Metrics();
  EXPECT_EQ(at14.tmAscent, 13);
  EXPECT_EQ(at14.tmDescent, 3);
  EXPECT_EQ(at14.tmHeight, 16);
  const TEXTMETRIC at19 = FontDc(DialogFont(-19)).Metrics();
  EXPECT_EQ(at19.tmAscent, 18);
  EXPECT_EQ(at19.tmDescent, 5);
  EXPECT_EQ(at19.tmHeight, 23);
}

TEST(TextFont, PositiveHeightIsTheCellHeight) {
  EXPECT_EQ(FontDc(DialogFont(13)).Metrics().tmHeight, 13);
  EXPECT_EQ(FontDc(DialogFont(13)).Metrics().tmAscent, 10);
  EXPECT_EQ(FontDc(DialogFont(16)).Metrics().tmHeight, 16);
  // A cell no size fits exactly gets the largest font that fits inside it.
  // (Cells of 13 to 16 pixels fit exactly; the next size up needs 18.)
  EXPECT_EQ(FontDc(DialogFont(15)).Metrics().tmHeight, 15);
  EXPECT_EQ(FontDc(DialogFont(17)).Metrics().tmHeight, 16);
}

TEST(TextFont, DefaultHeightIsEightPoints) {
  EXPECT_EQ(FontDc(DialogFont(0)).Metrics().tmHeight, 13);
  // A fresh DC carries the dialog font.
  HDC dc = CreateCompatibleDC(nullptr);
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(dc, &tm));
  EXPECT_EQ(tm.tmHeight, 13);
  DeleteDC(dc);
}

TEST(TextFont, ExtentsAreSumsOfIntegerAdvances) {
  FontDc dc(DialogFont(-11));
  const std::string label = "Desenvolvido por Orvandel - Fevereiro 2010";
  int sum = 0;
  for (char ch : label) sum += dc.Extent(std::string(1, ch)).cx;
  const SIZE whole = dc.Extent(label);
  EXPECT_EQ(whole.cx, sum);
  EXPECT_EQ(whole.cy, 13);
  EXPECT_EQ(dc.Extent("").cx, 0);
  EXPECT_EQ(dc.Extent("").cy, 13);
  EXPECT_EQ(dc.Extent("0").cy, 13);
  // Liberation Sans matches the widths of the face it stands in for: digits share one advance.
  EXPECT_EQ(dc.Extent("0").cx, dc.Extent("8").cx);
  EXPECT_GT(dc.Extent("W").cx, dc.Extent("i").cx);
  SIZE s;
  EXPECT_FALSE(GetTextExtentPoint32(dc.dc(), "abc", -1, &s));
  EXPECT_FALSE(GetTextExtentPoint32(dc.dc(), nullptr, 3, &s));
  EXPECT_TRUE(GetTextExtentPoint32(dc.dc(), nullptr, 0, &s));
}

TEST(TextFont, MeasuringDoesNotAllocate) {
  FontDc dc(DialogFont(-11));
  const char* labels[] = {"Escolha o campo harmônico", "Aperte o play", "Armadura", "Sol maior"};
  SIZE size;
  GetTextExtentPoint32(dc.dc(), labels[0], 5, &size);  // warm up
  const long before = g_allocations.load();
  long total = 0;
  for (int i = 0; i < 1000; ++i)
    for (const char* s : labels) {
      GetTextExtentPoint32(dc.dc(), s, static_cast<int>(std::strlen(s)), &size);
      total += size.cx;
    }
  EXPECT_EQ(g_allocations.load() - before, 0);
  EXPECT_GT(total, 0);

  // Sizing a caption with DrawText reuses its buffers too.
  RECT r{};
  DrawText(dc.dc(), labels[0], -1, &r, DT_CALCRECT | DT_EXPANDTABS);
  const long beforeCalc = g_allocations.load();
  for (int i = 0; i < 100; ++i)
    for (const char* s : labels) {
      r = RECT{};
      DrawText(dc.dc(), s, -1, &r, DT_CALCRECT | DT_EXPANDTABS);
      total += r.right;
    }
  EXPECT_EQ(g_allocations.load() - beforeCalc, 0);
}

TEST(TextFont, BoldIsWiderAndReportsItsWeight) {
  LOGFONT bold = DialogFont(-11);
  bold.lfWeight = FW_BOLD;
  FontDc regular(DialogFont(-11)), heavy(bold);
  EXPECT_GT(heavy.Extent("Lumarest").cx, regular.Extent("Lumarest").cx);
  EXPECT_EQ(heavy.Metrics().tmWeight, FW_BOLD);
  EXPECT_EQ(heavy.Metrics().tmHeight, 13);
  LOGFONT italic = DialogFont(-11);
  italic.lfItalic = 1;
  italic.lfUnderline = 1;
  const TEXTMETRIC tm = FontDc(italic).Metrics();
  EXPECT_EQ(tm.tmItalic, 1);
  EXPECT_EQ(tm.tmUnderlined, 1);
}

// Weights are matched to the nearest hundred, thin to black; nothing asked is out of range.
TEST(TextFont, WeightsAreMatchedInStepsOfAHundred) {
  const std::pair<LONG, LONG> asked[] = {{FW_DONTCARE, FW_NORMAL}, {-5, FW_NORMAL}, {1, 100},      {649, 600},
                                         {650, FW_BOLD},           {1000, 900},     {INT_MAX, 900}};
  for (const auto& [weight, matched] : asked) {
    LOGFONT lf = DialogFont(-11);
    lf.lfWeight = weight;
    EXPECT_EQ(FontDc(lf).Metrics().tmWeight, matched) << weight;
  }
}

TEST(TextFont, HostileRequestsStillGiveAUsableFont) {
  LOGFONT unterminated = DialogFont(INT_MIN);
  std::memset(unterminated.lfFaceName, 'A', LF_FACESIZE);
  FontDc a(unterminated);
  const TEXTMETRIC tm = a.Metrics();
  EXPECT_GT(tm.tmHeight, 0);
  EXPECT_LT(tm.tmHeight, 2000);  // clamped
  FontDc b(DialogFont(-11, "No Such Face At All"));
  EXPECT_GT(b.Metrics().tmHeight, 0);
  EXPECT_GT(b.Extent("abc").cx, 0);
  FontDc c(DialogFont(INT_MAX));
  EXPECT_GT(c.Metrics().tmHeight, 0);
  EXPECT_EQ(CreateFontIndirect(nullptr), nullptr);
}

}  // namespace
