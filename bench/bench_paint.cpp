// SPDX-License-Identifier: GPL-3.0-or-later
// Painting and text measuring figures: a whole main-window paint of the 981 x 277 client area
// (background, labels, grid lines, cells with edges and text, the key field and the play button)
// and the text measuring calls that label sizing and the key list make.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/cp1252.h"
#include "platform/gdi.h"
#include "platform/gfx/dc_internal.h"
#include "platform/surface.h"
#include "platform/window.h"

namespace {

constexpr int kWidth = 981;
constexpr int kHeight = 277;

HFONT MakeFont(int height) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::strcpy(lf.lfFaceName, "MS Sans Serif");
  return CreateFontIndirect(&lf);
}

struct Scene {
  HFONT small = MakeFont(-11);
  HFONT large = MakeFont(-19);
  HBITMAP glyph = nullptr;
  HPEN frame = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWFRAME));
  HPEN highlight = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HPEN silver = CreatePen(PS_SOLID, 1, RGB(192, 192, 192));
  Scene() {
    std::vector<std::uint32_t> pixels(15 * 15, 0x808000);
    for (int i = 0; i < 15; ++i) pixels[i * 15 + i] = 0x000000;
    glyph = CreateBitmapFromPixels(15, 15, pixels.data());
  }
  ~Scene() {
    for (HGDIOBJ o : {small, large, glyph, frame, highlight, shadow, silver}) DeleteObject(o);
  }
};

void Label(HDC dc, HFONT font, int x, int y, std::string_view text) {
  SelectObject(dc, font);
  RECT r{x, y, x, y};
  DrawText(dc, text.data(), static_cast<int>(text.size()), &r, DT_EXPANDTABS | DT_CALCRECT);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  DrawText(dc, text.data(), static_cast<int>(text.size()), &r, DT_EXPANDTABS | DT_LEFT);
}

void PaintGrid(HDC dc, const Scene& s) {
  // The grid window at (8, 160): sunken client edge, header row and chord row of 13 cells.
  SaveDC(dc);
  SetViewportOrgEx(dc, 8, 160, nullptr);
  RECT frame{0, 0, 965, 53};
  DrawEdge(dc, &frame, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  SetViewportOrgEx(dc, 10, 162, nullptr);
  IntersectClipRect(dc, 0, 0, 961, 49);
  static const char* const kHeader[] = {"T", "Sr", "D", "S", "T", "Sr", "D", "S", "T", "Sr", "D", "S", "T"};
  static const char* const kChords[] = {"Dó", "Rém", "Mim", "Fá", "Sol", "Lám", "Si°",
                                        "Dó", "",    "",    "",   "",    ""};
  std::vector<POINT> points;
  std::vector<DWORD> counts;
  for (int k = 0; k < 13; ++k) {
    points.push_back({73 + 74 * k, 0});
    points.push_back({73 + 74 * k, 24});
    counts.push_back(2);
  }
  SelectObject(dc, GetStockObject(BLACK_PEN));
  PolyPolyline(dc, points.data(), counts.data(), static_cast<DWORD>(counts.size()));
  POINT across[2] = {{0, 24}, {961, 24}};
  Polyline(dc, across, 2);
  for (auto& p : points) p.y = p.y == 0 ? 25 : 48;
  SelectObject(dc, s.silver);
  PolyPolyline(dc, points.data(), counts.data(), static_cast<DWORD>(counts.size()));
  SelectObject(dc, s.small);
  for (int k = 0; k < 13; ++k) {
    RECT header{74 * k, 0, 74 * k + 73, 24};
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    ExtTextOut(dc, header.left + 2, header.top + 2, ETO_OPAQUE | ETO_CLIPPED, &header, kHeader[k],
               static_cast<UINT>(std::strlen(kHeader[k])), nullptr);
    RECT a = header;
    DrawEdge(dc, &a, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
    RECT b = header;
    DrawEdge(dc, &b, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
    RECT cell{74 * k, 25, 74 * k + 73, 48};
    const std::string chord = text::Utf8ToCp1252(kChords[k]);
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    ExtTextOut(dc, cell.left + 2, cell.top + 2, ETO_OPAQUE | ETO_CLIPPED, &cell, chord.data(),
               static_cast<UINT>(chord.size()), nullptr);
    if (k == 0) DrawFocusRect(dc, &cell);
  }
  RestoreDC(dc, -1);
}

void PaintKeyField(HDC dc) {
  SaveDC(dc);
  SetViewportOrgEx(dc, 72, 16, nullptr);
  RECT r{0, 0, 185, 21};
  DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
  RECT button{r.right - 16, r.top, r.right, r.bottom};
  DrawEdge(dc, &button, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  SetBkMode(dc, TRANSPARENT);
  RECT textRect{r.left + 1, r.top, r.right - 17, r.bottom};
  DrawText(dc, "Armadura", -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  RestoreDC(dc, -1);
}

void PaintPlayButton(HDC dc, const Scene& s) {
  SaveDC(dc);
  SetViewportOrgEx(dc, 280, 8, nullptr);
  SelectObject(dc, GetStockObject(NULL_BRUSH));
  SelectObject(dc, s.frame);
  Rectangle(dc, 0, 0, 29, 30);
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  SelectObject(dc, face);
  Rectangle(dc, 0, 0, 29, 30);
  SelectObject(dc, s.highlight);
  MoveToEx(dc, 1, 28, nullptr);
  LineTo(dc, 1, 1);
  LineTo(dc, 28, 1);
  SelectObject(dc, s.shadow);
  MoveToEx(dc, 2, 28, nullptr);
  LineTo(dc, 27, 28);
  LineTo(dc, 27, 1);
  DrawBitmapKeyed(dc, 6, 7, s.glyph, RGB(128, 128, 0));
  RECT focus{3, 3, 26, 27};
  DrawFocusRect(dc, &focus);
  RestoreDC(dc, -1);
}

void PaintMainWindow(Surface& surface, const Scene& s) {
  HDC dc = gfx::CreateSurfaceDC(nullptr, &surface, POINT{0, 0}, {RECT{0, 0, kWidth, kHeight}});
  RECT all{0, 0, kWidth, kHeight};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  Label(dc, s.small, 712, 232, text::Utf8ToCp1252("Desenvolvido por Orvandel - Fevereiro 2010"));
  Label(dc, s.large, 88, 48, text::Utf8ToCp1252("Escolha o campo harmônico"));
  Label(dc, s.large, 88, 80, "Aperte o play");
  Label(dc, s.large, 88, 112, text::Utf8ToCp1252("Clique em um retângulo branco"));
  Label(dc, s.small, 808, 40, text::Utf8ToCp1252("Software didático e livre"));
  Label(dc, s.small, 648, 256, text::Utf8ToCp1252("Comentários e sugestões: www.example.org"));
  Label(dc, s.large, 363, 8, "Lumarest");
  PaintGrid(dc, s);
  PaintKeyField(dc);
  PaintPlayButton(dc, s);
  benchmark::DoNotOptimize(gfx::DestroySurfaceDC(dc));
}

void BM_PaintMainWindow(benchmark::State& state) {
  Scene scene;
  Surface surface(kWidth, kHeight, 0);
  PaintMainWindow(surface, scene);  // glyphs rendered once, as after the first paint
  for (auto _ : state) {
    PaintMainWindow(surface, scene);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_PaintMainWindow)->Unit(benchmark::kMicrosecond);

void BM_FillWholeSurface(benchmark::State& state) {
  Surface surface(kWidth, kHeight, 0);
  HDC dc = gfx::CreateSurfaceDC(nullptr, &surface, POINT{0, 0}, {RECT{0, 0, kWidth, kHeight}});
  RECT all{0, 0, kWidth, kHeight};
  for (auto _ : state) {
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    benchmark::ClobberMemory();
  }
  gfx::DestroySurfaceDC(dc);
}
BENCHMARK(BM_FillWholeSurface)->Unit(benchmark::kMicrosecond);

void BM_MeasureLabels(benchmark::State& state) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = MakeFont(-11);
  SelectObject(dc, font);
  const std::string labels[] = {text::Utf8ToCp1252("Desenvolvido por Orvandel - Fevereiro 2010"),
                                text::Utf8ToCp1252("Software didático e livre"),
                                "Armadura",
                                text::Utf8ToCp1252("Fá sustenido maior"),
                                "Dó maior",
                                "Sol maior"};
  SIZE size;
  for (auto _ : state) {
    for (const std::string& s : labels) {
      GetTextExtentPoint32(dc, s.data(), static_cast<int>(s.size()), &size);
      benchmark::DoNotOptimize(size);
    }
  }
  state.SetItemsProcessed(state.iterations() * 6);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  DeleteObject(font);
  DeleteDC(dc);
}
BENCHMARK(BM_MeasureLabels);

void BM_DrawTextCalcRect(benchmark::State& state) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = MakeFont(-19);
  SelectObject(dc, font);
  const std::string caption = text::Utf8ToCp1252("Clique em um retângulo branco");
  for (auto _ : state) {
    RECT r{0, 0, 0, 0};
    DrawText(dc, caption.data(), static_cast<int>(caption.size()), &r, DT_EXPANDTABS | DT_CALCRECT);
    benchmark::DoNotOptimize(r);
  }
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  DeleteObject(font);
  DeleteDC(dc);
}
BENCHMARK(BM_DrawTextCalcRect);

void BM_FirstUseOfAFont(benchmark::State& state) {
  // Creating a font of a new size: the lookup (remembered after the first), face load, advances;
  // glyphs on first draw.
  int height = -20;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 200, 40);
  SelectObject(dc, bmp);
  for (auto _ : state) {
    HFONT font = MakeFont(height--);
    if (height < -200) height = -20;
    HGDIOBJ old = SelectObject(dc, font);
    TextOut(dc, 0, 0, "Aperte o play", 13);
    SelectObject(dc, old);
    DeleteObject(font);
  }
  DeleteDC(dc);
  DeleteObject(bmp);
}
BENCHMARK(BM_FirstUseOfAFont)->Iterations(150)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
