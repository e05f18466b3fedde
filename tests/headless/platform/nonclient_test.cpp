// SPDX-License-Identifier: GPL-3.0-or-later
// The non-client area the platform draws for child windows: borders, the sunken client edge and
// scroll bars, which all take their room from the client area.
#include <gmock/gmock.h>

#include "platform/gdi.h"
#include "platform/window.h"
#include "support/headless_fixture.h"
#include "support/message_log.h"

using testing::ElementsAre;
using namespace testwin;

namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kShadow = 0x808080;  // COLOR_BTNSHADOW
constexpr std::uint32_t kFace = 0xD4D0C8;    // COLOR_BTNFACE / COLOR_SCROLLBAR

class NonClient : public LoggingFixture {
 protected:
  void SetUp() override {
    LoggingFixture::SetUp();
    m_top = TopLevel(0, 0, 1000, 300);
  }
  RECT Client(HWND h) const {
    RECT r;
    GetClientRect(h, &r);
    return r;
  }
  std::uint32_t Shown(int x, int y) const { return headless::PresentedPixel(m_top, x, y); }
  HWND m_top = nullptr;
};

TEST_F(NonClient, SunkenEdgeAndBorderTakeTheirWidthFromTheClientArea) {
  HWND edged = Child(m_top, 10, 10, 100, 50, WS_VISIBLE, WS_EX_CLIENTEDGE);
  HWND bordered = Child(m_top, 200, 10, 100, 50, WS_VISIBLE | WS_BORDER);
  HWND both = Child(m_top, 400, 10, 100, 50, WS_VISIBLE | WS_BORDER, WS_EX_CLIENTEDGE);
  EXPECT_EQ(Client(edged), (RECT{0, 0, 96, 46}));
  EXPECT_EQ(Client(bordered), (RECT{0, 0, 98, 48}));
  EXPECT_EQ(Client(both), (RECT{0, 0, 94, 44}));
  POINT p{0, 0};
  ClientToScreen(edged, &p);
  EXPECT_EQ(p, (POINT{12, 12}));
  RECT adjusted{0, 0, 96, 46};
  AdjustWindowRectEx(&adjusted, WS_CHILD, FALSE, WS_EX_CLIENTEDGE);
  EXPECT_EQ(adjusted, (RECT{-2, -2, 98, 48}));
  // A top-level frame belongs to the desktop: the rectangle stays as it is.
  RECT frame{0, 0, 981, 277};
  AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE,
                     WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE);
  EXPECT_EQ(frame, (RECT{0, 0, 981, 277}));

  ShowWindow(m_top, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  // The sunken edge: shadow then dark shadow at the top-left, white then light at the
  // bottom-right; inside it the client area's own (white) background.
  EXPECT_EQ(Shown(10, 30), kShadow);
  EXPECT_EQ(Shown(11, 30), 0x404040u);
  EXPECT_EQ(Shown(109, 30), kWhite);
  EXPECT_EQ(Shown(108, 30), kFace);
  EXPECT_EQ(Shown(12, 30), kWhite);
  // The border: one black pixel all round.
  EXPECT_EQ(Shown(200, 30), kBlack);
  EXPECT_EQ(Shown(299, 30), kBlack);
  EXPECT_EQ(Shown(250, 10), kBlack);
  EXPECT_EQ(Shown(250, 59), kBlack);
  EXPECT_EQ(Shown(201, 30), kWhite);
}

TEST_F(NonClient, ScrollBarsShowOnlyForANonEmptyRange) {
  HWND list = Child(m_top, 10, 10, 964, 100, WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, WS_EX_CLIENTEDGE);
  // Created with the styles but no range: no bars, the whole inside is client area.
  EXPECT_EQ(Client(list), (RECT{0, 0, 960, 96}));
  TheLog().Clear();
  SetScrollRange(list, SB_VERT, 0, 10, TRUE);
  EXPECT_EQ(Client(list), (RECT{0, 0, 944, 96}));
  auto sizes = TheLog().Of(WM_SIZE);
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(sizes[0].lParam, MAKELPARAM(944, 96));
  SetScrollRange(list, SB_HORZ, 0, 3, TRUE);
  EXPECT_EQ(Client(list), (RECT{0, 0, 944, 80}));
  // An empty range hides the bar again and gives its room back.
  SetScrollRange(list, SB_VERT, 5, 5, TRUE);
  EXPECT_EQ(Client(list), (RECT{0, 0, 960, 80}));
  int lo = -1;
  int hi = -1;
  GetScrollRange(list, SB_VERT, &lo, &hi);
  EXPECT_EQ(lo, 5);
  EXPECT_EQ(hi, 5);
  ShowScrollBar(list, SB_HORZ, FALSE);
  EXPECT_EQ(Client(list), (RECT{0, 0, 960, 96}));
  EXPECT_EQ(GetWindowLongPtr(list, GWL_STYLE) & WS_HSCROLL, 0);
}

TEST_F(NonClient, ScrollPositionsAreKeptInRange) {
  HWND list = Child(m_top, 10, 10, 200, 100, WS_VISIBLE | WS_VSCROLL);
  SetScrollRange(list, SB_VERT, 0, 20, FALSE);
  EXPECT_EQ(SetScrollPos(list, SB_VERT, 7, TRUE), 0);
  EXPECT_EQ(GetScrollPos(list, SB_VERT), 7);
  SetScrollPos(list, SB_VERT, 99, TRUE);
  EXPECT_EQ(GetScrollPos(list, SB_VERT), 20);
  SCROLLINFO si;
  si.fMask = SIF_PAGE | SIF_POS;
  si.nPage = 5;
  si.nPos = 19;
  EXPECT_EQ(SetScrollInfo(list, SB_VERT, &si, TRUE), 16);  // the last page starts at 16
  SCROLLINFO back;
  back.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(list, SB_VERT, &back));
  EXPECT_EQ(back.nMin, 0);
  EXPECT_EQ(back.nMax, 20);
  EXPECT_EQ(back.nPage, 5u);
  EXPECT_EQ(back.nPos, 16);
  SetScrollPos(list, SB_VERT, -3, TRUE);
  EXPECT_EQ(GetScrollPos(list, SB_VERT), 0);
  EXPECT_FALSE(SetScrollRange(list, SB_VERT, 5, 1, TRUE));  // backwards range refused
  EXPECT_FALSE(SetScrollRange(list, SB_CTL, 0, 1, TRUE));
}

TEST_F(NonClient, ScrollBarIsPaintedAndAnswersClicks) {
  HWND list = Child(m_top, 10, 10, 200, 100, WS_VISIBLE | WS_VSCROLL);
  SetScrollRange(list, SB_VERT, 0, 10, FALSE);
  ShowWindow(m_top, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  // The bar is the 16 pixels at the right: arrow buttons with a dark triangle, then the track.
  const int barLeft = 10 + 200 - 16;
  EXPECT_EQ(Shown(barLeft + 8, 10 + 30 + 16), kFace);  // track, below the thumb
  int dark = 0;
  for (int y = 10; y < 26; ++y) {
    for (int x = barLeft + 3; x < barLeft + 13; ++x) dark += Shown(x, y) == kBlack;
  }
  EXPECT_GT(dark, 3);  // the up arrow's triangle
  TheLog().Clear();
  headless::Click(barLeft + 8, 10 + 100 - 5);  // the down arrow
  headless::Click(barLeft + 8, 10 + 5);        // the up arrow
  headless::Click(barLeft + 8, 10 + 80);       // the track below the thumb
  headless::PumpUntilIdle();
  std::vector<int> codes;
  for (const auto& e : TheLog().Of(WM_VSCROLL)) codes.push_back(LOWORD(e.wParam));
  EXPECT_THAT(codes,
              ElementsAre(SB_LINEDOWN, SB_ENDSCROLL, SB_LINEUP, SB_ENDSCROLL, SB_PAGEDOWN, SB_ENDSCROLL));
  // The scroll bar is not client area: no button message reached the window.
  EXPECT_EQ(TheLog().Count(WM_LBUTTONDOWN), 0);
}

TEST_F(NonClient, DraggingTheThumbTracksPositions) {
  HWND list = Child(m_top, 10, 10, 100, 116, WS_VISIBLE | WS_VSCROLL);
  SetScrollRange(list, SB_VERT, 0, 100, FALSE);
  ShowWindow(m_top, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  TheLog().Clear();
  // Track from y 26 to 110 (84 px), thumb 16 px at the top: 68 px of travel for 100 positions.
  headless::MouseMove(10 + 92, 10 + 16 + 8);
  headless::MouseDown();
  headless::MouseMove(10 + 92, 10 + 16 + 8 + 34);
  headless::MouseMove(10 + 92, 10 + 16 + 8 + 500);  // far below: the end
  headless::MouseUp();
  headless::PumpUntilIdle();
  std::vector<std::pair<int, int>> seen;
  for (const auto& e : TheLog().Of(WM_VSCROLL)) seen.push_back({LOWORD(e.wParam), HIWORD(e.wParam)});
  EXPECT_THAT(seen, ElementsAre(std::pair{SB_THUMBTRACK, 50}, std::pair{SB_THUMBTRACK, 100},
                                std::pair{SB_THUMBPOSITION, 100}, std::pair{SB_ENDSCROLL, 0}));
  // Released somewhere else than the last move: the final position is where it was released.
  SetScrollPos(list, SB_VERT, 0, TRUE);
  TheLog().Clear();
  headless::MouseMove(10 + 92, 10 + 16 + 8);
  headless::MouseDown();
  headless::MouseMove(10 + 92, 10 + 16 + 8 + 17);
  headless::PumpUntilIdle();
  headless::MouseMove(10 + 92, 10 + 16 + 8 + 34);
  headless::Current().SetNow(headless::Now() + 1);
  headless::MouseUp();
  headless::PumpUntilIdle();
  seen.clear();
  for (const auto& e : TheLog().Of(WM_VSCROLL)) seen.push_back({LOWORD(e.wParam), HIWORD(e.wParam)});
  EXPECT_THAT(seen, ElementsAre(std::pair{SB_THUMBTRACK, 25}, std::pair{SB_THUMBTRACK, 50},
                                std::pair{SB_THUMBPOSITION, 50}, std::pair{SB_ENDSCROLL, 0}));
}

TEST_F(NonClient, HoldingAnArrowRepeatsUntilReleased) {
  HWND list = Child(m_top, 10, 10, 100, 116, WS_VISIBLE | WS_VSCROLL);
  SetScrollRange(list, SB_VERT, 0, 100, FALSE);
  ShowWindow(m_top, SW_SHOWNORMAL);
  headless::PumpUntilIdle();
  TheLog().Clear();
  auto lineDowns = [] {
    int n = 0;
    for (const auto& e : TheLog().Of(WM_VSCROLL)) n += LOWORD(e.wParam) == SB_LINEDOWN;
    return n;
  };
  headless::MouseMove(10 + 92, 10 + 116 - 4);  // the down arrow
  headless::MouseDown();
  headless::PumpUntilIdle();
  EXPECT_EQ(lineDowns(), 1);
  headless::AdvanceClock(399);
  EXPECT_EQ(lineDowns(), 1);  // a pause before repeating
  headless::AdvanceClock(1);
  EXPECT_EQ(lineDowns(), 2);
  headless::AdvanceClock(100);
  EXPECT_EQ(lineDowns(), 4);  // then every 50 ms
  // Off the arrow the repeat pauses; back on it, it goes on.
  headless::MouseMove(10 + 92, 10 + 50);
  headless::AdvanceClock(100);
  EXPECT_EQ(lineDowns(), 4);
  headless::MouseUp();
  headless::AdvanceClock(500);
  EXPECT_EQ(lineDowns(), 4);
  EXPECT_EQ(TheLog().Of(WM_VSCROLL).back().wParam, static_cast<WPARAM>(SB_ENDSCROLL));
  EXPECT_EQ(TheLog().Count(WM_TIMER), 0);  // the repeat is the platform's own, not the window's
}

}  // namespace
