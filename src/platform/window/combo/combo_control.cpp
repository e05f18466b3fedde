// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window/combo/combo_control.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/combo_box.h"
#include "platform/gdi.h"
#include "platform/gfx/screen.h"
#include "platform/window.h"
#include "platform/window/combo/combo_access.h"
#include "platform/window/combo/combo_items.h"
#include "platform/window/combo/drop_list.h"
#include "platform/window/combo/edit_field.h"
#include "platform/window/combo/font_measure.h"
#include "platform/window/window_core.h"

namespace combo {
namespace {

constexpr DWORD kStyleMask = 0x0003;  // CBS_SIMPLE, CBS_DROPDOWN or CBS_DROPDOWNLIST
constexpr int kArrowRows = 4;         // the button's arrow: rows of 7, 5, 3 and 1 pixels
constexpr int kArrowWidth = 7;
constexpr int kMaxItemHeight = 255;
constexpr int kWheelRows = 3;
constexpr DWORD kMaxWord = 0xFFFF;  // the most a position in a packed result can say

}  // namespace

ComboBox::ComboBox(HWND hwnd, DWORD style) : WindowObject(hwnd), m_style(style) {}

ComboBox::~ComboBox() { DestroyList(); }

std::unique_ptr<window::WindowObject> ComboBox::Make(HWND hwnd, const CREATESTRUCT* cs) {
  const DWORD style = cs != nullptr ? static_cast<DWORD>(cs->style) : CBS_DROPDOWN;
  return std::make_unique<ComboBox>(hwnd, style);
}

ComboBox* ComboBox::FromField(HWND field) {
  ComboBox* combo = window::ObjectOf<ComboBox>(GetParent(field));
  return combo != nullptr && combo->m_field == field ? combo : nullptr;
}

// A window procedure's switch, one case per message: long by its nature, and read case by case.
// NOLINTNEXTLINE(readability-function-size)
LRESULT ComboBox::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= CB_GETEDITSEL && msg <= CB_GETTOPINDEX) return ListMessage(msg, wParam, lParam);
  switch (msg) {
    case WM_CREATE:
      return Create(reinterpret_cast<const CREATESTRUCT*>(lParam)) ? 0 : -1;
    case WM_DESTROY:
      if (CloseQuietly()) DestroyList();
      return 0;
    case WM_NCCALCSIZE:
      return 0;  // no non-client area: the frame is drawn in the client area
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_NCPAINT:
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SETREDRAW:
      m_redraw = wParam != 0;
      if (m_field != nullptr) SendMessage(m_field, WM_SETREDRAW, wParam, 0);
      if (m_redraw) InvalidateRect(m_hwnd, nullptr, FALSE);
      return 0;
    case WM_SETFONT:
      SetFont(reinterpret_cast<HFONT>(wParam), LOWORD(static_cast<std::uintptr_t>(lParam)) != 0);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(m_font);
    case WM_WINDOWPOSCHANGING:
      AdjustPosition(reinterpret_cast<WINDOWPOS*>(lParam));
      return 0;
    case WM_WINDOWPOSCHANGED: {
      const window::LifeWatch watch(*this);
      const LRESULT result = DefWindowProc(m_hwnd, msg, wParam, lParam);
      if (!watch.Ended() && m_dropped && !IsWindowVisible(m_hwnd)) Close(CBN_SELENDCANCEL);
      return result;
    }
    case WM_SIZE:
      Layout();
      InvalidateRect(m_hwnd, nullptr, FALSE);
      return 0;
    case WM_ENABLE:
      if (m_field != nullptr) EnableWindow(m_field, wParam != 0);
      if (!wParam && m_dropped && !Close(CBN_SELENDCANCEL)) return 0;
      InvalidateRect(m_hwnd, nullptr, FALSE);
      return 0;
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_CHAR:
      // The combo box's text is its field's.
      return m_field != nullptr ? SendMessage(m_field, msg, wParam, lParam) : 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (FieldKey(msg, static_cast<UINT>(wParam))) return 0;
      return m_field != nullptr ? SendMessage(m_field, msg, wParam, lParam) : 0;
    case WM_SETFOCUS:
      // The keyboard belongs to the field; arriving by the keyboard selects the whole text.
      if (m_field != nullptr) {
        HWND field = m_field;
        SetFocus(field);
        if (IsWindow(field) && GetFocus() == field) SendMessage(field, EM_SETSEL, 0, -1);
      }
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS | (m_dropped ? DLGC_WANTALLKEYS : 0);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      MouseDown({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)},
                msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK);
      return 0;
    case WM_MOUSEMOVE:
      MouseMove({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_LBUTTONUP:
      MouseUp({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_MOUSEWHEEL:
      if (DropList* list = List(); m_dropped && list != nullptr) {
        const int notches = static_cast<std::int16_t>(HIWORD(wParam)) / WHEEL_DELTA;
        list->ScrollBy(-notches * kWheelRows);
      }
      return 0;
    case WM_CAPTURECHANGED:
      CaptureLost(reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_CANCELMODE:
      m_buttonTracking = false;
      m_listPressed = false;
      if (m_dropped && !Close(CBN_SELENDCANCEL)) return 0;
      return DefWindowProc(m_hwnd, msg, wParam, lParam);
    case WM_GETOBJECT:
      return AnswerAccess(m_access, lParam, *this, &MakeComboAccess);
    default:
      if (IsCtlColorMessage(msg)) {
        // The field and the list ask here; the parent decides their colours.
        HWND parent = GetParent(m_hwnd);
        const LRESULT brush = parent != nullptr ? SendMessage(parent, msg, wParam, lParam) : 0;
        if (brush != 0) return brush;
      }
      return DefWindowProc(m_hwnd, msg, wParam, lParam);
  }
}

int ComboBox::ClosedExtra() { return gfx::ScaledFromDefault(kClosedExtra, gfx::ScreenPixelsPerInch()); }

bool ComboBox::Create(const CREATESTRUCT* cs) {
  if (cs != nullptr) m_droppedHeight = cs->cy;
  const char* text = cs != nullptr && cs->lpszName != nullptr ? cs->lpszName : "";
  // Every style shows its text in a field; the list-only style's field takes no typing.
  m_field =
      CreateWindowEx(0, combo::kEditClass, text, WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, m_hwnd,
                     reinterpret_cast<HMENU>(static_cast<std::intptr_t>(combo::kEditId)), nullptr, nullptr);
  if (m_field == nullptr) return false;
  SetFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), false);
  return true;
}

void ComboBox::SetFont(HFONT font, bool redraw) {
  m_font = font;
  m_textHeight = FontMeasure(font).TextHeight();
  m_fieldHeight = m_textHeight;
  if (!m_rowHeightSet) m_rowHeight = m_textHeight;
  if (m_field != nullptr) SendMessage(m_field, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  RECT r{};
  GetWindowRect(m_hwnd, &r);
  const window::LifeWatch watch(*this);
  SetWindowPos(m_hwnd, nullptr, 0, 0, r.right - r.left, m_fieldHeight + ClosedExtra(),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | (redraw ? 0 : SWP_NOREDRAW));
  if (watch.Ended()) return;
  Layout();
  if (redraw) InvalidateRect(m_hwnd, nullptr, FALSE);
}

bool ComboBox::DropDownStyle() const { return (m_style & kStyleMask) != CBS_SIMPLE; }

// A drop-down keeps its closed height whatever height it is given; a taller height is the
// height it has while open (the list takes what lies below the closed part).
void ComboBox::AdjustPosition(WINDOWPOS* wp) {
  if (wp == nullptr) return;
  // While its parent sizes the open list the combo box must not vanish from the screen.
  if (m_notifyingDropDown) wp->flags &= ~(SWP_HIDEWINDOW | SWP_SHOWWINDOW);
  if ((wp->flags & SWP_NOSIZE) != 0 || !DropDownStyle()) return;
  const int closed = m_fieldHeight + ClosedExtra();
  if (wp->cy > closed) m_droppedHeight = wp->cy;
  wp->cy = closed;
}

RECT ComboBox::ButtonRect() const {
  RECT client{};
  GetClientRect(m_hwnd, &client);
  const int width = GetSystemMetrics(SM_CXVSCROLL);
  const int right = std::max(kEdge, static_cast<int>(client.right) - kEdge);
  return RECT{std::max(kEdge, right - width), kEdge, right,
              std::max(kEdge, static_cast<int>(client.bottom) - kEdge)};
}

void ComboBox::Layout() {
  if (m_field == nullptr) return;
  RECT client{};
  GetClientRect(m_hwnd, &client);
  const RECT button = ButtonRect();
  const int left = kEdge + kFieldInset;
  const int top = kEdge + kFieldInset;
  const int right = std::max(left, static_cast<int>(button.left));
  const int bottom = std::max(top, static_cast<int>(client.bottom) - kEdge - kFieldInset);
  SetWindowPos(m_field, nullptr, left, top, right - left, bottom - top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ComboBox::RedrawButton() {
  const RECT button = ButtonRect();
  if (m_redraw) InvalidateRect(m_hwnd, &button, FALSE);
}

void ComboBox::Paint() {
  const PaintScope paint(m_hwnd);
  HDC dc = paint.Dc();
  if (dc == nullptr || !m_redraw) return;
  RECT client{};
  GetClientRect(m_hwnd, &client);
  const bool enabled = IsWindowEnabled(m_hwnd) != FALSE;
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  // The room around the field takes the field's own colour, as the parent answers for it.
  auto brush = reinterpret_cast<HBRUSH>(
      SendMessage(m_hwnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(m_field)));
  if (brush == nullptr) brush = GetSysColorBrush(COLOR_WINDOW);
  if (!enabled) brush = GetSysColorBrush(COLOR_BTNFACE);
  // The field paints itself: drawing over it here would wipe its text whenever the combo box
  // alone is repainted.
  if (m_field != nullptr && IsWindowVisible(m_field)) {
    RECT field{};
    GetWindowRect(m_field, &field);
    POINT origin{field.left, field.top};
    ScreenToClient(m_hwnd, &origin);
    ExcludeClipRect(dc, origin.x, origin.y, origin.x + (field.right - field.left),
                    origin.y + (field.bottom - field.top));
  }
  RECT inner{kEdge, kEdge, client.right - kEdge, client.bottom - kEdge};
  FillRect(dc, &inner, brush);
  RECT edge = client;
  DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
  PaintButton(dc, enabled);
}

void ComboBox::PaintButton(HDC dc, bool enabled) {
  RECT button = ButtonRect();
  const bool pressed = m_dropped || m_buttonTracking;
  FillRect(dc, &button, GetSysColorBrush(COLOR_BTNFACE));
  if (pressed) {
    FrameRect(dc, &button, GetSysColorBrush(COLOR_BTNSHADOW));
  } else {
    RECT raised = button;
    DrawEdge(dc, &raised, EDGE_RAISED, BF_RECT);
  }
  // The arrow sits in the middle of the button and moves down and right while it is pressed.
  const int shift = pressed ? 1 : 0;
  const int left = button.left + (button.right - button.left - kArrowWidth) / 2 + shift;
  const int top = button.top + (button.bottom - button.top - kArrowRows) / 2 + shift;
  HBRUSH arrow = GetSysColorBrush(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  for (int row = 0; row < kArrowRows; ++row) {
    RECT line{left + row, top + row, left + kArrowWidth - row, top + row + 1};
    FillRect(dc, &line, arrow);
  }
}

// ---- Items ----------------------------------------------------------------------------------

int ComboBox::AddItem(const char* text, int index, bool sorted) {
  index = m_items.Insert(text, index, sorted);
  if (index < 0) return index;
  if (m_current >= index) ++m_current;
  if (DropList* list = List()) list->ItemsChanged();
  return index;
}

void ComboBox::SetCurrent(int index) {
  if (!m_items.Valid(index)) index = -1;
  CurrentIs(index);
  if (m_field != nullptr) {
    const char* text = index >= 0 ? m_items.Text(index).c_str() : "";
    SendMessage(m_field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    SendMessage(m_field, EM_SETSEL, 0, -1);
  }
  m_pointed = false;
  if (DropList* list = List()) list->SetHighlight(index, true);
}

void ComboBox::CurrentIs(int index) {
  if (index == m_current) return;
  m_current = index;
  TellCurrentItem(m_listWindow, index);
}

// A window procedure's switch, one case per message: long by its nature, and read case by case.
// NOLINTNEXTLINE(readability-function-size)
LRESULT ComboBox::ListMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  const int count = m_items.Count();
  const int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
  const bool valid = m_items.Valid(index);
  switch (msg) {
    case CB_ADDSTRING:
      return AddItem(reinterpret_cast<const char*>(lParam), -1, (m_style & CBS_SORT) != 0);
    case CB_INSERTSTRING:
      return AddItem(reinterpret_cast<const char*>(lParam), index, false);
    case CB_DELETESTRING:
      if (!valid) return CB_ERR;
      m_items.Erase(index);
      if (m_current == index) CurrentIs(-1);
      if (m_current > index) --m_current;
      if (DropList* list = List()) list->ItemsChanged();
      return m_items.Count();
    case CB_RESETCONTENT:
      m_items.Clear();
      CurrentIs(-1);
      if (m_field != nullptr) SendMessage(m_field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
      if (DropList* list = List()) list->ItemsChanged();
      return CB_OKAY;
    case CB_GETCOUNT:
      return count;
    case CB_GETCURSEL:
      return m_current;
    case CB_SETCURSEL:
      SetCurrent(valid ? index : -1);
      return valid ? index : CB_ERR;
    case CB_GETLBTEXT: {
      if (!valid) return CB_ERR;
      const std::string& text = m_items.Text(index);
      if (auto* buffer = reinterpret_cast<char*>(lParam)) {
        std::memcpy(buffer, text.c_str(), text.size() + 1);
      }
      return static_cast<LRESULT>(text.size());
    }
    case CB_GETLBTEXTLEN:
      return valid ? static_cast<LRESULT>(m_items.Text(index).size()) : CB_ERR;
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
      return m_items.Find(reinterpret_cast<const char*>(lParam), index, msg == CB_FINDSTRINGEXACT);
    case CB_SELECTSTRING: {
      const int found = m_items.Find(reinterpret_cast<const char*>(lParam), index, false);
      if (found >= 0) SetCurrent(found);
      return found;
    }
    case CB_GETITEMDATA:
      return valid ? m_items.Data(index) : CB_ERR;
    case CB_SETITEMDATA:
      if (!valid) return CB_ERR;
      m_items.SetData(index, lParam);
      return CB_OKAY;
    case CB_GETITEMHEIGHT:
      if (index == -1) return m_fieldHeight;
      return (valid || index == 0) ? m_rowHeight : CB_ERR;
    case CB_SETITEMHEIGHT: {
      const int height = static_cast<int>(lParam);
      if (height <= 0 || height > kMaxItemHeight) return CB_ERR;
      if (index == -1) {
        m_fieldHeight = height;
        RECT r{};
        GetWindowRect(m_hwnd, &r);
        SetWindowPos(m_hwnd, nullptr, 0, 0, r.right - r.left, height + ClosedExtra(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      } else {
        m_rowHeight = height;
        m_rowHeightSet = true;
      }
      return CB_OKAY;
    }
    case CB_GETEDITSEL: {
      DWORD start = 0;
      DWORD end = 0;
      if (m_field != nullptr)
        SendMessage(m_field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
      if (auto* out = reinterpret_cast<DWORD*>(wParam)) *out = start;
      if (auto* out = reinterpret_cast<DWORD*>(lParam)) *out = end;
      return MAKELPARAM(static_cast<int>(std::min(start, kMaxWord)),
                        static_cast<int>(std::min(end, kMaxWord)));
    }
    case CB_SETEDITSEL: {
      if (m_field == nullptr) return CB_ERR;
      const int start = static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lParam)));
      const int end = static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(lParam)));
      SendMessage(m_field, EM_SETSEL, static_cast<WPARAM>(static_cast<std::intptr_t>(start)), end);
      return TRUE;
    }
    case CB_LIMITTEXT:
      if (m_field != nullptr) SendMessage(m_field, EM_LIMITTEXT, wParam, 0);
      return TRUE;
    case CB_SHOWDROPDOWN:
      if (wParam != 0) {
        Open();
      } else {
        Close(0);
      }
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return m_dropped ? TRUE : FALSE;
    case CB_GETDROPPEDCONTROLRECT: {
      auto* rect = reinterpret_cast<RECT*>(lParam);
      if (rect == nullptr) return CB_ERR;
      GetWindowRect(m_hwnd, rect);
      rect->bottom = rect->top + std::max(m_droppedHeight, static_cast<int>(rect->bottom - rect->top));
      return TRUE;
    }
    case CB_GETTOPINDEX: {
      const DropList* list = List();
      return list != nullptr ? list->TopIndex() : 0;
    }
    default:
      return DefWindowProc(m_hwnd, msg, wParam, lParam);
  }
}

// ---- The list -------------------------------------------------------------------------------

RECT ComboBox::ListRect() const {
  RECT combo{};
  GetWindowRect(m_hwnd, &combo);
  const int border = GetSystemMetrics(SM_CYBORDER);
  const int closed = combo.bottom - combo.top;
  // Never less than one row, whatever height the open combo box was given.
  const int height = std::max(m_droppedHeight - closed, m_rowHeight + 2 * border);
  int top = combo.bottom;
  // Below the field when the work area has room for it there (a panel at the screen's foot would
  // cover it otherwise), else above when there is room above.
  MONITORINFO monitor{};
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (GetMonitorInfo(MonitorFromWindow(m_hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) work = monitor.rcWork;
  if (top + height > work.bottom && combo.top - height >= work.top) top = combo.top - height;
  return RECT{combo.left, top, combo.right, top + height};
}

DropList* ComboBox::List() const { return window::ObjectOf<DropList>(m_listWindow); }

DropList* ComboBox::MadeList() {
  if (m_listWindow == nullptr && DropDownStyle()) m_listWindow = DropList::Create(m_hwnd, m_items.All());
  return List();
}

void ComboBox::DestroyList() {
  HWND list = std::exchange(m_listWindow, nullptr);
  if (list != nullptr && IsWindow(list)) DestroyWindow(list);
}

void ComboBox::Open() {
  if (m_dropped || !DropDownStyle() || !IsWindowEnabled(m_hwnd) || !IsWindowVisible(m_hwnd)) return;
  {
    const window::ScopedFlag notifying(*this, m_notifyingDropDown);
    if (!Notify(CBN_DROPDOWN)) return;
  }
  if (m_dropped || !IsWindowVisible(m_hwnd)) return;
  DropList* list = MadeList();
  if (list == nullptr) return;
  m_dropped = true;
  m_pointed = false;
  const window::LifeWatch watch(*this);
  list->Show(ListRect(), m_font, m_rowHeight, m_current);
  if (watch.Ended()) return;
  // The whole screen's pointer is the combo box's until the list closes.
  SetCapture(m_hwnd);
  window::GrabDisplay(m_listWindow);
  if (m_field != nullptr) SendMessage(m_field, EM_SETSEL, 0, -1);
  RedrawButton();
  TellExpanded(m_hwnd, true);
}

bool ComboBox::CloseQuietly() {
  if (!m_dropped) return true;
  m_dropped = false;
  m_buttonTracking = false;
  m_listPressed = false;
  window::GrabDisplay(nullptr);
  if (DropList* list = List()) list->Hide();
  TellExpanded(m_hwnd, false);
  if (GetCapture() == m_hwnd) {
    const window::ScopedFlag lettingGo(*this, m_letGo);
    ReleaseCapture();
    if (lettingGo.OwnerEnded()) return false;
  }
  RedrawButton();
  return true;
}

bool ComboBox::Close(int endCode) {
  if (!m_dropped) return true;
  if (!CloseQuietly()) return false;
  return endCode != 0 ? Notify({endCode, CBN_CLOSEUP}) : Notify(CBN_CLOSEUP);
}

void ComboBox::Toggle() {
  if (m_dropped) {
    CloseChoosing();
  } else {
    Open();
  }
}

void ComboBox::PressedByReader() {
  const window::LifeWatch watch(*this);
  if (m_field != nullptr && GetFocus() != m_field) {
    SetFocus(m_field);
    if (watch.Ended()) return;
  }
  Toggle();
}

void ComboBox::SelectTo(int index) {
  const int count = m_items.Count();
  if (count == 0) return;
  index = std::clamp(index, 0, count - 1);
  if (index == m_current) {
    m_pointed = false;
    if (DropList* list = List()) list->SetHighlight(index, true);
    return;
  }
  SetCurrent(index);
  Notify(CBN_SELCHANGE);
}

void ComboBox::Step(int delta) {
  int from = m_current;
  if (DropList* list = List(); m_dropped && list != nullptr && list->Highlight() >= 0)
    from = list->Highlight();
  SelectTo(from < 0 ? 0 : from + delta);
}

void ComboBox::CloseChoosing() {
  const DropList* list = List();
  const int row = list != nullptr && m_pointed ? list->Highlight() : -1;
  if (row >= 0 && row != m_current) {
    ChooseRow(row);
    return;
  }
  Close(CBN_SELENDOK);
}

void ComboBox::ChooseRow(int row) {
  SetCurrent(row);
  if (!CloseQuietly()) return;
  // The parent hears of the choice with the list already gone: its handler may open a box.
  Notify({CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP});
}

bool ComboBox::FieldKey(UINT msg, UINT vk) {
  const bool alt = msg == WM_SYSKEYDOWN || GetKeyState(VK_MENU) < 0;
  if (alt) {
    if (vk != VK_UP && vk != VK_DOWN) return false;
    Toggle();
    return true;
  }
  if (msg != WM_KEYDOWN) return false;
  const int count = m_items.Count();
  switch (vk) {
    case VK_F4:
      Toggle();
      return true;
    case VK_UP:
      Step(-1);
      return true;
    case VK_DOWN:
      Step(1);
      return true;
    case VK_PRIOR:
    case VK_NEXT: {
      const DropList* list = List();
      if (!m_dropped || list == nullptr) return false;
      Step((vk == VK_NEXT ? 1 : -1) * std::max(1, list->VisibleRows() - 1));
      return true;
    }
    case VK_HOME:
    case VK_END:
      if (!m_dropped) return false;
      SelectTo(vk == VK_HOME ? 0 : count - 1);
      return true;
    case VK_RETURN:
      if (!m_dropped) return false;
      CloseChoosing();
      return true;
    case VK_ESCAPE:
      if (!m_dropped) return false;
      Close(CBN_SELENDCANCEL);
      return true;
    default:
      return false;
  }
}

void ComboBox::FieldEdited() {
  // A hand edit leaves no item current; the open list shows the first item the text begins.
  CurrentIs(-1);
  m_pointed = false;
  if (m_dropped && List() != nullptr && m_field != nullptr) {
    std::string text(static_cast<std::size_t>(SendMessage(m_field, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
    SendMessage(m_field, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    // Asked again: the field's answers run outside code that may have ended the list.
    if (DropList* list = List())
      list->SetHighlight(text[0] != '\0' ? m_items.Find(text.c_str(), -1, false) : -1, true);
  }
  Notify({CBN_EDITUPDATE, CBN_EDITCHANGE});
}

void ComboBox::FieldFocus(bool gained, HWND other) {
  if (gained) {
    if (!m_focused) {
      m_focused = true;
      Notify(CBN_SETFOCUS);
    }
    return;
  }
  if (other == m_hwnd || (other != nullptr && other == m_field)) return;
  if (m_dropped && !Close(CBN_SELENDCANCEL)) return;
  if (m_focused) {
    m_focused = false;
    Notify(CBN_KILLFOCUS);
  }
}

// ---- Mouse ----------------------------------------------------------------------------------

void ComboBox::MouseDown(POINT pt, bool left) {
  if (DropList* list = List(); m_dropped && list != nullptr) {
    PressWhileOpen(*list, pt, left);
    return;
  }
  if (!left) return;
  if (!rect::Contains(ButtonRect(), pt) && (m_style & kStyleMask) != CBS_DROPDOWNLIST) return;
  const window::LifeWatch watch(*this);
  if (m_field != nullptr && GetFocus() != m_field) {
    SetFocus(m_field);
    if (watch.Ended()) return;
  }
  m_buttonTracking = true;
  RedrawButton();
  Open();
  if (!watch.Ended() && !m_dropped) {
    m_buttonTracking = false;
    RedrawButton();
  }
}

void ComboBox::PressWhileOpen(DropList& list, POINT pt, bool left) {
  POINT screen = pt;
  ClientToScreen(m_hwnd, &screen);
  if (left && list.OnScrollBar(screen)) {
    window::ScrollBarPress(list.Window(), SB_VERT, screen);
    return;
  }
  if (list.Contains(screen)) {
    if (!left) return;
    m_listPressed = true;
    const int row = list.RowAt(screen);
    if (row >= 0) list.SetHighlight(row, false);
    return;
  }
  // The button, the field or anywhere else: the press only closes the list.
  Close(CBN_SELENDCANCEL);
}

void ComboBox::MouseMove(POINT pt) {
  DropList* list = List();
  if (!m_dropped || list == nullptr) return;
  POINT screen = pt;
  ClientToScreen(m_hwnd, &screen);
  const int row = list->RowAt(screen);
  if (row < 0 || row == list->Highlight()) return;
  list->SetHighlight(row, false);
  m_pointed = true;
}

void ComboBox::MouseUp(POINT pt) {
  const DropList* list = List();
  if (!m_dropped || list == nullptr) return;
  POINT screen = pt;
  ClientToScreen(m_hwnd, &screen);
  const bool fromButton = m_buttonTracking;
  const bool fromList = m_listPressed;
  m_buttonTracking = false;
  m_listPressed = false;
  // A release on a row chooses it, after a press on that list or a drag from the button.
  const int row = list->RowAt(screen);
  if (row >= 0 && (fromButton || fromList)) {
    ChooseRow(row);
    return;
  }
  RedrawButton();
}

void ComboBox::CaptureLost(HWND newCapture) {
  if (m_letGo || newCapture == m_hwnd) return;
  m_buttonTracking = false;
  m_listPressed = false;
  // Someone else took the mouse: an open list cannot stay without it.
  if (m_dropped) Close(CBN_SELENDCANCEL);
}

bool ComboBox::Notify(std::initializer_list<int> codes) {
  const window::LifeWatch watch(*this);
  HWND hwnd = m_hwnd;
  for (const int code : codes) {
    // Asked each time: a handler may have moved the combo box to another parent or given it
    // another identifier.
    HWND parent = GetParent(hwnd);
    if (parent != nullptr) {
      const auto id = static_cast<int>(GetWindowLongPtr(hwnd, GWL_ID));
      SendMessage(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(hwnd));
    }
    if (watch.Ended()) return false;
  }
  return true;
}

// ---- What the field and the class registry call ----------------------------------------------

bool FieldKey(HWND field, UINT msg, UINT vk) {
  ComboBox* box = ComboBox::FromField(field);
  return box != nullptr && box->FieldKey(msg, vk);
}

void FieldPressed(HWND field) {
  if (ComboBox* box = ComboBox::FromField(field)) box->FieldPressed();
}

void FieldEdited(HWND field) {
  if (ComboBox* box = ComboBox::FromField(field)) box->FieldEdited();
}

void FieldFocus(HWND field, bool gained, HWND other) {
  if (ComboBox* box = ComboBox::FromField(field)) box->FieldFocus(gained, other);
}

DWORD FieldOwnerStyle(HWND field) {
  ComboBox* box = ComboBox::FromField(field);
  return box != nullptr ? box->Style() : 0;
}

void RegisterClasses() {
  struct PlatformClass {
    const char* name;
    WNDPROC proc;
    UINT style;
  };
  static constexpr PlatformClass kClasses[] = {
      {kComboBoxClass, &window::ObjectWindowProc<&ComboBox::Make>, CS_DBLCLKS | CS_PARENTDC | CS_GLOBALCLASS},
      {kEditClass, &window::ObjectWindowProc<&EditField::Make>, CS_DBLCLKS | CS_PARENTDC | CS_GLOBALCLASS},
      // Its combo box attaches the list's object (DropList::Create).
      {kDropListClass, &window::ObjectWindowProc<>, CS_SAVEBITS | CS_GLOBALCLASS},
  };
  for (const PlatformClass& entry : kClasses) {
    WNDCLASS wc{};
    wc.style = entry.style;
    wc.lpfnWndProc = entry.proc;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = entry.name;
    RegisterClass(&wc);
  }
}

}  // namespace combo
