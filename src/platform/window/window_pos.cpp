// SPDX-License-Identifier: GPL-3.0-or-later
// Window geometry: SetWindowPos and the coordinate conversions.
#include <algorithm>

#include "platform/gdi.h"
#include "platform/gfx/dc_internal.h"
#include "platform/window.h"
#include "platform/window/a11y/platform_events.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

// Flags DefWindowProc reads from WM_WINDOWPOSCHANGED to decide on WM_SIZE and WM_MOVE.
constexpr UINT kNoClientSize = 0x0800;
constexpr UINT kNoClientMove = 0x1000;

std::vector<HWND>* SiblingList(WindowRecord& rec) {
  if (!rec.IsChild()) return &TopLevels();
  WindowRecord* parent = Find(rec.parent);
  return parent ? &parent->children : nullptr;
}

bool ApplyZOrder(WindowRecord& rec, HWND after) {
  std::vector<HWND>* list = SiblingList(rec);
  if (list == nullptr) return false;
  std::vector<HWND> before = *list;
  const bool top = rec.IsTopLevel();
  auto isTopmost = [](HWND h) {
    WindowRecord* r = Find(h);
    return r != nullptr && (r->exStyle & WS_EX_TOPMOST) != 0;
  };
  list->erase(std::remove(list->begin(), list->end(), rec.handle), list->end());
  auto frontForNormal = [&]() {
    // Normal top-level windows stay below the top-most ones.
    auto it = list->begin();
    if (top) {
      while (it != list->end() && isTopmost(*it)) ++it;
    }
    return it;
  };
  if (after == HWND_TOPMOST && top) {
    rec.exStyle |= WS_EX_TOPMOST;
    list->insert(list->begin(), rec.handle);
  } else if (after == HWND_NOTOPMOST && top) {
    rec.exStyle &= ~WS_EX_TOPMOST;
    list->insert(frontForNormal(), rec.handle);
  } else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
    if (top && (rec.exStyle & WS_EX_TOPMOST) != 0) {
      list->insert(list->begin(), rec.handle);
    } else {
      list->insert(frontForNormal(), rec.handle);
    }
  } else if (after == HWND_BOTTOM) {
    list->push_back(rec.handle);
  } else {
    auto it = std::find(list->begin(), list->end(), after);
    if (it == list->end()) {
      *list = before;  // not a sibling: the order stays
      return false;
    }
    list->insert(it + 1, rec.handle);
  }
  return *list != before;
}

void DetachTree(HWND hwnd) {
  gfx::DetachSurfaceDCs(hwnd);
  if (WindowRecord* rec = Find(hwnd)) {
    for (HWND child : rec->children) DetachTree(child);
  }
}

backend::NativeShowState ShownState(const WindowRecord& rec) {
  if (rec.iconic) return backend::NativeShowState::Minimized;
  if (rec.zoomed) return backend::NativeShowState::Maximized;
  return backend::NativeShowState::Normal;
}

}  // namespace

void RecalcFrame(HWND hwnd) {
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

}  // namespace window

using namespace window;

namespace window {
namespace {

// What a SetWindowPos call changed.
struct PosChange {
  RECT oldArea;  // the window's old place on its top-level's surface
  bool wasShowing = false;
  bool zChanged = false;
  bool moved = false;
  bool sized = false;
  bool clientSized = false;
  bool clientMoved = false;
  bool shownNow = false;
  bool hiddenNow = false;
};

// Applies the z-order, the new rectangle (the frame recalculated when the size or the frame
// changed) and SWP_SHOWWINDOW / SWP_HIDEWINDOW to the record. False when the window was destroyed
// on the way.
bool ApplyPosition(HWND hwnd, const WINDOWPOS& wp, UINT flags, PosChange* change) {
  WindowRecord* rec = Find(hwnd);
  const RECT oldRect = rec->rect;
  const RECT oldClient = rec->client;
  change->wasShowing = Showing(*rec);
  change->oldArea = WindowRectInSurface(*rec);
  if ((flags & SWP_NOZORDER) == 0) change->zChanged = ApplyZOrder(*rec, wp.hwndInsertAfter);
  RECT newRect = oldRect;
  if ((flags & SWP_NOMOVE) == 0) {
    newRect = Offset(newRect, ClampCoordinate(wp.x) - oldRect.left, ClampCoordinate(wp.y) - oldRect.top);
  }
  if ((flags & SWP_NOSIZE) == 0) {
    newRect.right = newRect.left + ClampSize(wp.cx, rec->IsTopLevel());
    newRect.bottom = newRect.top + ClampSize(wp.cy, rec->IsTopLevel());
  }
  change->moved = newRect.left != oldRect.left || newRect.top != oldRect.top;
  change->sized = Width(newRect) != Width(oldRect) || Height(newRect) != Height(oldRect);
  rec->rect = newRect;
  if (change->sized || (flags & SWP_FRAMECHANGED) != 0) {
    RECT calc = newRect;
    SendMessage(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&calc));
    if ((rec = Find(hwnd)) == nullptr) return false;
    rec->client =
        Intersect(Offset(calc, -newRect.left, -newRect.top), {0, 0, Width(newRect), Height(newRect)});
  }
  change->clientSized = Width(rec->client) != Width(oldClient) || Height(rec->client) != Height(oldClient);
  change->clientMoved =
      change->moved || rec->client.left != oldClient.left || rec->client.top != oldClient.top;
  if ((flags & SWP_SHOWWINDOW) != 0 && (rec->style & WS_VISIBLE) == 0) {
    rec->style |= WS_VISIBLE;
    change->shownNow = true;
  } else if ((flags & SWP_HIDEWINDOW) != 0 && (rec->style & WS_VISIBLE) != 0) {
    rec->style &= ~WS_VISIBLE;
    change->hiddenNow = true;
  }
  return true;
}

// A top-level window's surface follows its size, the desktop hears of its bounds and visibility,
// and what now shows is drawn again. False when the window was destroyed on the way.
bool UpdateTopLevel(HWND hwnd, UINT flags, const PosChange& change) {
  WindowRecord* rec = Find(hwnd);
  const RECT rect = rec->rect;
  if (change.sized && rec->surface) {
    DetachTree(hwnd);
    rec->surface->Resize(Width(rect), Height(rect), PixelFromColor(GetSysColor(COLOR_BTNFACE)));
    rec->dirty.clear();
  }
  if (rec->nativeCreated) {
    backend::Backend& display = State().backend;
    if (change.moved || change.sized) display.SetNativeBounds(hwnd, rect);
    if (change.shownNow) display.SetNativeShowState(hwnd, ShownState(*rec));
    if (change.hiddenNow) display.SetNativeShowState(hwnd, backend::NativeShowState::Hidden);
  }
  if ((change.shownNow || change.sized || (flags & SWP_FRAMECHANGED) != 0) && Showing(*rec)) {
    // Everything is drawn again and the whole surface presented.
    InvalidateSurfaceArea(hwnd, {0, 0, Width(rect), Height(rect)});
    if (rec->surface) AddDirty(hwnd, {0, 0, rec->surface->Width(), rec->surface->Height()});
  }
  if (change.shownNow) a11y::TellShown(hwnd);
  if (change.hiddenNow) ForgetWindow(hwnd);
  return Find(hwnd) != nullptr;
}

// A child window's old and new places are drawn again; a hidden one keeps neither the keyboard
// nor the mouse. False when the window was destroyed on the way.
bool UpdateChild(HWND hwnd, UINT flags, const PosChange& change) {
  WindowRecord* rec = Find(hwnd);
  const HWND top = TopLevelOf(hwnd);
  const bool changed = change.moved || change.sized || change.shownNow || change.hiddenNow ||
                       change.zChanged || (flags & SWP_FRAMECHANGED) != 0;
  if (changed && (flags & SWP_NOREDRAW) == 0) {
    if (change.wasShowing) InvalidateSurfaceArea(top, change.oldArea);
    if (Showing(*rec)) InvalidateSurfaceArea(top, WindowRectInSurface(*rec));
  }
  if (change.moved || change.sized) DetachTree(hwnd);
  if (change.hiddenNow) {
    const HWND focus = GetFocus();
    if (focus == hwnd || IsChild(hwnd, focus)) SetFocus(rec->parent);
    const HWND capture = GetCapture();
    if (capture == hwnd || IsChild(hwnd, capture)) ReleaseCapture();
  }
  return Find(hwnd) != nullptr;
}

}  // namespace
}  // namespace window

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  WINDOWPOS wp;
  wp.hwnd = hwnd;
  wp.hwndInsertAfter = insertAfter;
  wp.x = (flags & SWP_NOMOVE) ? rec->rect.left : x;
  wp.y = (flags & SWP_NOMOVE) ? rec->rect.top : y;
  wp.cx = (flags & SWP_NOSIZE) ? Width(rec->rect) : cx;
  wp.cy = (flags & SWP_NOSIZE) ? Height(rec->rect) : cy;
  wp.flags = flags;
  SendMessage(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
  if ((rec = Find(hwnd)) == nullptr) return FALSE;
  flags = wp.flags;
  if ((flags & SWP_SHOWWINDOW) != 0 && (rec->style & WS_VISIBLE) == 0 && FramedByDesktop(*rec)) {
    // A window the desktop frames is shown whole on the work area: a place chosen for a larger
    // screen (the main window's fixed one) would leave part of it, and of its frame's buttons,
    // out of reach on a small one.
    const RECT asked{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
    const RECT placed = PlacedOnWorkArea(hwnd, asked);
    if (placed.left != asked.left || placed.top != asked.top) {
      wp.x = placed.left;
      wp.y = placed.top;
      flags &= ~static_cast<UINT>(SWP_NOMOVE);
    }
  }

  PosChange change;
  if (!ApplyPosition(hwnd, wp, flags, &change)) return FALSE;
  const bool alive =
      Find(hwnd)->IsTopLevel() ? UpdateTopLevel(hwnd, flags, change) : UpdateChild(hwnd, flags, change);
  if (!alive) return FALSE;

  rec = Find(hwnd);
  wp.x = rec->rect.left;
  wp.y = rec->rect.top;
  wp.cx = Width(rec->rect);
  wp.cy = Height(rec->rect);
  wp.flags = flags | (change.clientSized ? 0 : kNoClientSize) | (change.clientMoved ? 0 : kNoClientMove);
  SendMessage(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  if ((rec = Find(hwnd)) == nullptr) return TRUE;

  if (rec->IsTopLevel() && (flags & SWP_NOACTIVATE) == 0 && (rec->style & WS_VISIBLE) != 0 &&
      (change.shownNow || (flags & SWP_NOZORDER) == 0) && EnabledChain(*rec)) {
    Activate(hwnd, WA_ACTIVE, false);
  }
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  if (rect == nullptr) return FALSE;
  if (hwnd == DesktopHandle()) {
    *rect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return TRUE;
  }
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return FALSE;
  POINT o = WindowOriginOnScreen(*rec);
  *rect = {o.x, o.y, o.x + Width(rec->rect), o.y + Height(rec->rect)};
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  if (rect == nullptr) return FALSE;
  if (hwnd == DesktopHandle()) return GetWindowRect(hwnd, rect);
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return FALSE;
  *rect = {0, 0, Width(rec->client), Height(rec->client)};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* pt) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || pt == nullptr) return FALSE;
  POINT o = ClientOriginOnScreen(*rec);
  pt->x += o.x;
  pt->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* pt) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || pt == nullptr) return FALSE;
  POINT o = ClientOriginOnScreen(*rec);
  pt->x -= o.x;
  pt->y -= o.y;
  return TRUE;
}

// The deepest visible, enabled window under a screen point, starting at `hwnd` (which contains
// the point). Disabled children are passed over: their parent gets the pointer.
HWND window::DeepestWindowAt(HWND hwnd, POINT screenPt) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return nullptr;
  POINT co = ClientOriginOnScreen(*rec);
  RECT client = {co.x, co.y, co.x + Width(rec->client), co.y + Height(rec->client)};
  if (!Contains(client, screenPt)) return hwnd;
  for (HWND child : rec->children) {
    WindowRecord* c = Find(child);
    if (c == nullptr || (c->style & WS_VISIBLE) == 0 || (c->style & WS_DISABLED) != 0) continue;
    POINT o = WindowOriginOnScreen(*c);
    RECT r{o.x, o.y, o.x + Width(c->rect), o.y + Height(c->rect)};
    if (Contains(r, screenPt)) return DeepestWindowAt(child, screenPt);
  }
  return hwnd;
}

HWND WindowFromPoint(POINT screenPt) {
  for (HWND top : TopLevels()) {
    WindowRecord* rec = Find(top);
    if (rec == nullptr || (rec->style & WS_VISIBLE) == 0 || rec->iconic) continue;
    if (Contains(rec->rect, screenPt)) return DeepestWindowAt(top, screenPt);
  }
  return nullptr;
}

HWND ChildWindowFromPoint(HWND parent, POINT clientPt) {
  WindowRecord* rec = Find(parent);
  if (rec == nullptr) return nullptr;
  RECT client{0, 0, Width(rec->client), Height(rec->client)};
  if (!Contains(client, clientPt)) return nullptr;
  for (HWND child : rec->children) {
    WindowRecord* c = Find(child);
    if (c != nullptr && Contains(c->rect, clientPt)) return child;
  }
  return parent;
}
