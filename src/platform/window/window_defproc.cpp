// SPDX-License-Identifier: GPL-3.0-or-later
// The default handling of messages a window procedure passes on.
#include <algorithm>
#include <cstring>

#include "platform/gdi.h"
#include "platform/window.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

constexpr UINT kNoClientSize = 0x0800;
constexpr UINT kNoClientMove = 0x1000;
constexpr LRESULT kMouseActivate = 1;

void SetText(HWND hwnd, const char* text) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return;
  rec->text = text ? text : "";
  if (rec->IsTopLevel()) PushTopLevelProps(hwnd);
}

LRESULT EraseBackground(HWND hwnd, HDC hdc) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || hdc == nullptr) return 0;
  HBRUSH brush = rec->cls->wc.hbrBackground;
  if (brush == nullptr) return 0;
  // A class brush may also be a system colour index plus one.
  auto value = reinterpret_cast<std::uintptr_t>(brush);
  if (value >= 1 && value <= static_cast<std::uintptr_t>(COLOR_MAX) + 1) {
    brush = GetSysColorBrush(static_cast<int>(value - 1));
  }
  RECT r{0, 0, Width(rec->client), Height(rec->client)};
  FillRect(hdc, &r, brush);
  return 1;
}

LRESULT ControlColor(HDC hdc, UINT msg) {
  const bool field = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
  SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(hdc, GetSysColor(field ? COLOR_WINDOW : COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(field ? COLOR_WINDOW : COLOR_BTNFACE));
}

LRESULT SysCommand(HWND hwnd, WPARAM wParam) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return 0;
  HWND top = TopLevelOf(hwnd);
  switch (wParam & 0xFFF0) {
    case SC_CLOSE:
      SendMessage(top, WM_CLOSE, 0, 0);
      break;
    case SC_MINIMIZE:
      ShowWindow(top, SW_MINIMIZE);
      break;
    case SC_MAXIMIZE:
      ShowWindow(top, SW_SHOWMAXIMIZED);
      break;
    case SC_RESTORE:
      ShowWindow(top, SW_RESTORE);
      break;
    default:
      // Moving, sizing and the window menu belong to the desktop's window manager.
      break;
  }
  return 0;
}

}  // namespace
}  // namespace window

using namespace window;

// A window procedure's switch, one case per message: long by its nature, and read case by case.
// NOLINTNEXTLINE(readability-function-size)
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return 0;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam);
      if (cs != nullptr && cs->lpszName != nullptr) SetText(hwnd, cs->lpszName);
      return TRUE;
    }
    case WM_NCCALCSIZE: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (r != nullptr) {
        RECT client = CalcClientRect(*rec, Width(*r), Height(*r));
        *r = Offset(client, r->left, r->top);
      }
      return 0;
    }
    case WM_NCHITTEST:
      return NcHitTest(*rec, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_NCPAINT:
      PaintNonClient(hwnd);
      return 0;
    case WM_NCACTIVATE:
      return TRUE;
    case WM_SETTEXT:
      SetText(hwnd, reinterpret_cast<const char*>(lParam));
      return TRUE;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(lParam);
      int size = static_cast<int>(wParam);
      if (buffer == nullptr || size <= 0) return 0;
      int n = std::min<int>(size - 1, static_cast<int>(rec->text.size()));
      std::memcpy(buffer, rec->text.data(), static_cast<std::size_t>(n));
      buffer[n] = '\0';
      return n;
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(rec->text.size());
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return EraseBackground(hwnd, reinterpret_cast<HDC>(wParam));
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SYSCOMMAND:
      return SysCommand(hwnd, wParam);
    case WM_SYSKEYDOWN:
      // Alt+F4 closes the top-level window the key was typed in.
      if (wParam == VK_F4 && (lParam & (1L << 29)) != 0) {
        HWND top = TopLevelOf(hwnd);
        if (top != nullptr) SendMessage(top, WM_SYSCOMMAND, SC_CLOSE, 0);
      }
      return 0;
    case WM_CANCELMODE:
      if (GetCapture() == hwnd) ReleaseCapture();
      return 0;
    case WM_ACTIVATE:
      // A window that becomes active takes the keyboard focus unless it is minimised.
      if (LOWORD(wParam) != WA_INACTIVE && !rec->iconic) SetFocus(hwnd);
      return 0;
    case WM_MOUSEACTIVATE:
      return kMouseActivate;
    case WM_SETCURSOR:
      return FALSE;
    case WM_MOUSEWHEEL:
      // Unhandled wheel turns go up to the parent, the way a scrolling container expects.
      if (rec->IsChild()) return SendMessage(rec->parent, msg, wParam, lParam);
      return 0;
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (wp == nullptr) return 0;
      if ((wp->flags & kNoClientMove) == 0) {
        POINT p{rec->rect.left + rec->client.left, rec->rect.top + rec->client.top};
        SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(p.x, p.y));
      }
      rec = Find(hwnd);
      if (rec != nullptr && (wp->flags & kNoClientSize) == 0) {
        WPARAM kind = rec->iconic ? SIZE_MINIMIZED : rec->zoomed ? SIZE_MAXIMIZED : SIZE_RESTORED;
        SendMessage(hwnd, WM_SIZE, kind, MAKELPARAM(Width(rec->client), Height(rec->client)));
      }
      return 0;
    }
    case WM_SETICON: {
      HICON icon = reinterpret_cast<HICON>(lParam);
      HICON old = nullptr;
      if (wParam == ICON_BIG) {
        old = rec->bigIcon;
        rec->bigIcon = icon;
        rec->bigIconSet = true;
      } else {
        old = rec->smallIcon;
        rec->smallIcon = icon;
      }
      PushTopLevelProps(hwnd);
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON:
      return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? rec->bigIcon : rec->smallIcon);
    case WM_QUERYDRAGICON:
      return reinterpret_cast<LRESULT>(rec->cls->wc.hIcon);
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_SETREDRAW:
      // Turning redraw off hides a child window from painting without telling anyone; turning
      // it on again makes it visible to painting once more (the caller invalidates).
      if (rec->IsChild()) {
        if (wParam) {
          rec->style |= WS_VISIBLE;
        } else {
          rec->style &= ~WS_VISIBLE;
        }
      }
      return 0;
    default:
      return IsCtlColorMessage(msg) ? ControlColor(reinterpret_cast<HDC>(wParam), msg) : 0;
  }
}
