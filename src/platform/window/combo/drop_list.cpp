// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window/combo/drop_list.h"

#include <algorithm>
#include <memory>

#include "platform/gdi.h"
#include "platform/window.h"
#include "platform/window/combo/combo_access.h"

namespace combo {
namespace {

// Room left of each row's text, as list rows have in the classic look.
constexpr int kRowTextIndent = 2;
constexpr DWORD kListStyle = WS_POPUP | WS_BORDER | WS_VSCROLL | WS_CLIPSIBLINGS;
constexpr DWORD kListExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;

}  // namespace

HWND DropList::Create(HWND combo, const std::vector<combo::Item>& items) {
  HWND owner = GetAncestorTopLevel(combo);
  HWND hwnd = CreateWindowEx(kListExStyle, combo::kDropListClass, "", kListStyle, 0, 0, 1, 1, owner, nullptr,
                             nullptr, nullptr);
  if (hwnd == nullptr) return nullptr;
  // Attached once the window exists, as a list window made by anyone else has no object.
  if (!window::AttachObject(hwnd, std::make_unique<DropList>(hwnd, combo, items))) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  return hwnd;
}

DropList::DropList(HWND hwnd, HWND combo, const std::vector<combo::Item>& items)
    : WindowObject(hwnd), m_combo(combo), m_items(items) {}

LRESULT DropList::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_VSCROLL:
      Scroll(LOWORD(wParam), static_cast<std::int16_t>(HIWORD(wParam)));
      return 0;
    case WM_GETOBJECT:
      return AnswerAccess(m_access, lParam, *this, &MakeListAccess);
    default:
      // Mouse input reaching the list directly (the combo box did not hold the mouse) is the
      // combo box's to interpret, in screen coordinates.
      if (msg >= WM_MOUSEMOVE && msg <= WM_MBUTTONDBLCLK && IsWindow(m_combo)) {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(m_hwnd, &pt);
        ScreenToClient(m_combo, &pt);
        return SendMessage(m_combo, msg, wParam, MAKELPARAM(pt.x, pt.y));
      }
      return DefWindowProc(m_hwnd, msg, wParam, lParam);
  }
}

void DropList::Show(const RECT& screenRect, HFONT font, int rowHeight, int highlight) {
  m_font = font;
  m_rowHeight = std::max(1, rowHeight);
  SetWindowPos(m_hwnd, HWND_TOPMOST, screenRect.left, screenRect.top, screenRect.right - screenRect.left,
               screenRect.bottom - screenRect.top, SWP_NOACTIVATE);
  m_top = 0;
  m_highlight = -1;
  UpdateScrollBar();
  SetHighlight(highlight, true);
  m_shown = true;
  SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(m_hwnd, nullptr, FALSE);
}

void DropList::Hide() {
  m_shown = false;
  SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

void DropList::ItemsChanged() {
  if (m_highlight >= static_cast<int>(m_items.size())) m_highlight = -1;
  UpdateScrollBar();
  SetTop(m_top);
  InvalidateRect(m_hwnd, nullptr, FALSE);
  TellItemsChanged(m_hwnd);
}

int DropList::VisibleRows() const {
  RECT client{};
  GetClientRect(m_hwnd, &client);
  return std::max(1, static_cast<int>(client.bottom) / m_rowHeight);
}

void DropList::UpdateScrollBar() {
  // The rows the list shows without a scroll bar decide whether it needs one.
  RECT window{};
  GetWindowRect(m_hwnd, &window);
  const int border = GetSystemMetrics(SM_CYBORDER);
  const int rows = std::max(1, static_cast<int>(window.bottom - window.top - 2 * border) / m_rowHeight);
  const int count = static_cast<int>(m_items.size());
  SCROLLINFO info{};
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = count > rows ? count - 1 : 0;
  info.nPage = count > rows ? static_cast<UINT>(rows) : 0;
  info.nPos = m_top;
  SetScrollInfo(m_hwnd, SB_VERT, &info, TRUE);
}

void DropList::SetTop(int top) {
  const int count = static_cast<int>(m_items.size());
  top = std::clamp(top, 0, std::max(0, count - VisibleRows()));
  if (top == m_top) return;
  m_top = top;
  SetScrollPos(m_hwnd, SB_VERT, m_top, TRUE);
  InvalidateRect(m_hwnd, nullptr, FALSE);
}

void DropList::ScrollBy(int rows) { SetTop(m_top + rows); }

void DropList::SetHighlight(int index, bool scrollIntoView) {
  const int count = static_cast<int>(m_items.size());
  if (index < -1 || index >= count) index = -1;
  if (index != m_highlight) {
    m_highlight = index;
    InvalidateRect(m_hwnd, nullptr, FALSE);
  }
  if (scrollIntoView && index >= 0) {
    const int rows = VisibleRows();
    if (index < m_top) SetTop(index);
    if (index >= m_top + rows) SetTop(index - rows + 1);
  }
}

void DropList::Scroll(int code, int thumbPos) {
  const int rows = VisibleRows();
  switch (code) {
    case SB_LINEUP:
      SetTop(m_top - 1);
      break;
    case SB_LINEDOWN:
      SetTop(m_top + 1);
      break;
    case SB_PAGEUP:
      SetTop(m_top - rows);
      break;
    case SB_PAGEDOWN:
      SetTop(m_top + rows);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      SetTop(thumbPos);
      break;
    default:
      break;
  }
}

bool DropList::Contains(POINT screenPt) const {
  RECT r{};
  return m_shown && GetWindowRect(m_hwnd, &r) && screenPt.x >= r.left && screenPt.x < r.right &&
         screenPt.y >= r.top && screenPt.y < r.bottom;
}

bool DropList::OnScrollBar(POINT screenPt) const {
  return Contains(screenPt) &&
         SendMessage(m_hwnd, WM_NCHITTEST, 0, MAKELPARAM(screenPt.x, screenPt.y)) == HTVSCROLL;
}

int DropList::RowAt(POINT screenPt) const {
  if (!Contains(screenPt)) return -1;
  POINT pt = screenPt;
  ScreenToClient(m_hwnd, &pt);
  RECT client{};
  GetClientRect(m_hwnd, &client);
  if (pt.x < 0 || pt.x >= client.right || pt.y < 0 || pt.y >= client.bottom) return -1;
  const int row = m_top + pt.y / m_rowHeight;
  return row < static_cast<int>(m_items.size()) ? row : -1;
}

void DropList::Paint() {
  const PaintScope paint(m_hwnd);
  HDC dc = paint.Dc();
  if (dc == nullptr) return;
  RECT client{};
  GetClientRect(m_hwnd, &client);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  auto brush = reinterpret_cast<HBRUSH>(SendMessage(m_combo, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc),
                                                    reinterpret_cast<LPARAM>(m_hwnd)));
  if (brush == nullptr) brush = GetSysColorBrush(COLOR_WINDOW);
  const COLORREF textColour = GetTextColor(dc);
  FillRect(dc, &client, brush);
  HGDIOBJ oldFont = SelectObject(dc, m_font != nullptr ? m_font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  const int count = static_cast<int>(m_items.size());
  for (int i = m_top; i < count; ++i) {
    const int y = (i - m_top) * m_rowHeight;
    if (y >= client.bottom) break;
    RECT row{0, y, client.right, y + m_rowHeight};
    const bool highlighted = i == m_highlight;
    SetTextColor(dc, highlighted ? GetSysColor(COLOR_HIGHLIGHTTEXT) : textColour);
    SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
    const std::string& text = m_items[static_cast<std::size_t>(i)].text;
    ExtTextOut(dc, kRowTextIndent, y, ETO_CLIPPED | (highlighted ? ETO_OPAQUE : 0), &row, text.data(),
               static_cast<UINT>(text.size()), nullptr);
  }
  SelectObject(dc, oldFont);
}

}  // namespace combo
