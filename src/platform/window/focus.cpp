// SPDX-License-Identifier: GPL-3.0-or-later
// Keyboard focus, activation of top-level windows and mouse capture.
//
// Order of notifications when the active window changes (what the form's focus handling relies
// on): WM_NCACTIVATE(FALSE) and WM_ACTIVATE(WA_INACTIVE) to the old window, WM_ACTIVATEAPP to every
// top-level window when the program as a whole gains or loses activation, then WM_NCACTIVATE(TRUE)
// and WM_ACTIVATE to the new window, whose default handling gives it the focus (WM_KILLFOCUS to
// the old focus window, then WM_SETFOCUS). Before all that, a window holding the mouse capture
// in another top-level window gets WM_CANCELMODE.
//
// A screen reader hears of each step as the windows do: the old window deactivated, the new one
// activated before its WM_ACTIVATE hands the focus on, and the focus where it comes to rest.
#include <strings.h>

#include <algorithm>

#include "platform/window.h"
#include "platform/window/a11y/platform_events.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

bool InSubtree(HWND root, HWND hwnd) { return hwnd != nullptr && (hwnd == root || IsChild(root, hwnd)); }

bool IsPopupTop(HWND top) {
  WindowRecord* rec = Find(top);
  return rec != nullptr && rec->IsTopLevel() && (rec->style & WS_POPUP) != 0 &&
         (rec->style & WS_CAPTION) != WS_CAPTION;
}

void Ungrab() {
  if (State().focus.grabbed != nullptr) {
    State().focus.grabbed = nullptr;
    State().backend.GrabPointer(nullptr);
  }
}

bool CanActivate(HWND h) {
  WindowRecord* rec = Find(h);
  return rec != nullptr && rec->IsTopLevel() && (rec->style & WS_VISIBLE) != 0 &&
         (rec->style & WS_DISABLED) == 0 && !rec->iconic && !rec->destroying && !IsPopupTop(h);
}

// The window that becomes active when `leaving` stops being active: its owner when it can be,
// otherwise the first other window that can be, otherwise none.
void ActivateNext(HWND leaving) {
  WindowRecord* rec = Find(leaving);
  HWND next = nullptr;
  if (rec != nullptr && rec->owner != nullptr && CanActivate(rec->owner)) next = rec->owner;
  if (next == nullptr) {
    for (HWND h : TopLevels()) {
      if (h != leaving && CanActivate(h)) {
        next = h;
        break;
      }
    }
  }
  Activate(next, WA_ACTIVE, false);
}

}  // namespace

void Activate(HWND top, WPARAM how, bool fromDesktop) {
  FocusState& f = State().focus;
  if (top != nullptr && Find(top) == nullptr) return;
  // A frameless pop-up (a drop-down list) is never the active window: the desktop cannot give
  // it the keyboard, and the window it drops from stays active.
  if (top != nullptr && IsPopupTop(top)) return;
  HWND old = f.active;
  if (old != nullptr && Find(old) == nullptr) old = nullptr;
  if (top == old) {
    if (top != nullptr && !fromDesktop) State().backend.ActivateNative(top);
    return;
  }
  // A drag, a pressed button or an open drop-down ends when its window stops being the active one.
  HWND capture = GetCapture();
  if (capture != nullptr && TopLevelOf(capture) != top) SendMessage(capture, WM_CANCELMODE, 0, 0);
  if (old != nullptr && Find(old) == nullptr) old = nullptr;
  if (top != nullptr && Find(top) == nullptr) return;
  if (old != nullptr) {
    const bool oldIconic = Find(old)->iconic;
    SendMessage(old, WM_NCACTIVATE, FALSE, 0);
    SendMessage(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, oldIconic ? 1 : 0), reinterpret_cast<LPARAM>(top));
    if (Find(old) != nullptr) a11y::TellActivation(old, a11y::Activation::kDeactivated);
  }
  if (top != nullptr && Find(top) == nullptr) top = nullptr;
  f.active = top;
  const bool appNow = top != nullptr;
  if (appNow != f.appActive) {
    f.appActive = appNow;
    std::vector<HWND> tops = TopLevels();
    for (HWND h : tops) {
      if (Find(h) != nullptr) SendMessage(h, WM_ACTIVATEAPP, appNow ? TRUE : FALSE, 0);
    }
  }
  if (top == nullptr) {
    // The program lost the keyboard to another one.
    if (f.focus != nullptr) {
      HWND lost = f.focus;
      f.focus = nullptr;
      SendMessage(lost, WM_KILLFOCUS, 0, 0);
      a11y::TellFocusLost(lost);
    }
    return;
  }
  // The active window comes to the front of the normal windows.
  auto& tops = TopLevels();
  WindowRecord* rec = Find(top);
  if (rec != nullptr && (rec->exStyle & WS_EX_TOPMOST) == 0) {
    tops.erase(std::remove(tops.begin(), tops.end(), top), tops.end());
    auto it = tops.begin();
    while (it != tops.end()) {
      WindowRecord* r = Find(*it);
      if (r == nullptr || (r->exStyle & WS_EX_TOPMOST) == 0) break;
      ++it;
    }
    tops.insert(it, top);
  }
  if (!fromDesktop) State().backend.ActivateNative(top);
  SendMessage(top, WM_NCACTIVATE, TRUE, 0);
  rec = Find(top);
  if (rec == nullptr) return;
  a11y::TellActivation(top, a11y::Activation::kActivated);
  if ((rec = Find(top)) == nullptr) return;
  SendMessage(top, WM_ACTIVATE, MAKEWPARAM(static_cast<int>(how), rec->iconic ? 1 : 0),
              reinterpret_cast<LPARAM>(old));
  // The keyboard never stays with a window of another, now inactive, top-level window.
  if (f.focus != nullptr && f.active == top && TopLevelOf(f.focus) != top) SetFocus(nullptr);
}

void ForgetWindow(HWND hwnd) {
  FocusState& f = State().focus;
  if (InSubtree(hwnd, f.capture)) ReleaseCapture();
  if (InSubtree(hwnd, f.focus)) {
    HWND lost = f.focus;
    f.focus = nullptr;
    SendMessage(lost, WM_KILLFOCUS, 0, 0);
    a11y::TellFocusLost(lost);
  }
  if (ScrollTrackingActive()) EndScrollTracking();
  if (f.active == hwnd) ActivateNext(hwnd);
}

bool IsModalBox(const WindowRecord& rec) {
  return rec.IsTopLevel() && strcasecmp(rec.cls->name.c_str(), kDialogClassName) == 0;
}

HWND ModalBoxFor(HWND disabledTop) {
  HWND anyBox = nullptr;
  for (HWND h : TopLevels()) {
    const WindowRecord* o = Find(h);
    if (o == nullptr || !IsModalBox(*o) || (o->style & WS_VISIBLE) == 0 || (o->style & WS_DISABLED) != 0) {
      continue;
    }
    if (o->owner == disabledTop) return h;
    // A box owned by the hidden application window disables the main window without being its
    // own: the user reaching for the main window wants that box all the same.
    if (anyBox == nullptr) anyBox = h;
  }
  return anyBox;
}

void GrabDisplay(HWND popup) {
  State().backend.GrabPointer(popup);
  State().backend.GrabKeyboard(popup);
}

}  // namespace window

using namespace window;

HWND SetFocus(HWND hwnd) {
  FocusState& f = State().focus;
  HWND old = f.focus;
  if (hwnd == nullptr) {
    if (old != nullptr) {
      f.focus = nullptr;
      SendMessage(old, WM_KILLFOCUS, 0, 0);
      a11y::TellFocusLost(old);
    }
    return old;
  }
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  // A disabled window, or one inside a disabled window (a modal box is open), takes no keyboard.
  if (!EnabledChain(*rec)) return nullptr;
  if (hwnd == old) return old;
  const HWND previous = old;  // what the caller is told, whatever activation did meanwhile
  HWND top = TopLevelOf(hwnd);
  if (top != f.active && !IsPopupTop(top)) {
    Activate(top, WA_ACTIVE, false);
    if ((rec = Find(hwnd)) == nullptr) return nullptr;
    old = f.focus;
    if (old == hwnd) return previous;
  }
  f.focus = hwnd;
  if (old != nullptr && Find(old) != nullptr) {
    SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    a11y::TellFocusLost(old);
  }
  if (f.focus == hwnd && Find(hwnd) != nullptr) {
    SendMessage(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    // A window that handed the focus on at once (a combo box to its field) was never the focus.
    if (f.focus == hwnd && Find(hwnd) != nullptr) a11y::TellFocusGained(hwnd);
  }
  return previous;
}

HWND GetFocus() { return State().focus.focus; }

HWND SetActiveWindow(HWND hwnd) {
  HWND top = TopLevelOf(hwnd);
  if (top == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HWND old = State().focus.active;
  Activate(top, WA_ACTIVE, false);
  return old;
}

HWND GetActiveWindow() { return State().focus.active; }

HWND SetCapture(HWND hwnd) {
  FocusState& f = State().focus;
  if (Find(hwnd) == nullptr) return nullptr;
  HWND old = f.capture;
  if (old == hwnd) return old;
  f.capture = hwnd;
  // A drop-down list keeps the pointer even outside every window of the program.
  HWND top = TopLevelOf(hwnd);
  if (IsPopupTop(top)) {
    f.grabbed = top;
    State().backend.GrabPointer(top);
  } else {
    Ungrab();
  }
  if (old != nullptr && Find(old) != nullptr) {
    SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  }
  return old;
}

BOOL ReleaseCapture() {
  FocusState& f = State().focus;
  HWND old = f.capture;
  f.capture = nullptr;
  Ungrab();
  if (old != nullptr && Find(old) != nullptr) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  HWND c = State().focus.capture;
  return Find(c) != nullptr ? c : nullptr;
}
