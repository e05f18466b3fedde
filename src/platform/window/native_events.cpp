// SPDX-License-Identifier: GPL-3.0-or-later
// What the display backend reports, turned into the window core's state and messages.
#include "platform/window/native_events.h"

#include "platform/backend/backend.h"
#include "platform/window.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

constexpr UINT kNoClientSize = 0x0800;

bool Presentable(const WindowRecord* rec) {
  return rec != nullptr && rec->IsTopLevel() && rec->surface && rec->nativeCreated;
}

}  // namespace

void NativeEvents::Input(const backend::InputEvent& event) {
  if (!CoreReady()) return;
  State().queue.AppendInput(event);
}

void NativeEvents::Expose(HWND topLevel, const RECT& rect) {
  WindowRecord* rec = Find(topLevel);
  if (!Presentable(rec) || (rec->style & WS_VISIBLE) == 0) return;
  RECT r = Intersect(rect, {0, 0, rec->surface->Width(), rec->surface->Height()});
  if (IsEmpty(r)) return;
  // The surface still holds the picture: it only has to travel to the display again.
  State().backend.Present(topLevel, *rec->surface, std::span<const RECT>(&r, 1));
}

void NativeEvents::Moved(HWND topLevel, int screenX, int screenY) {
  WindowRecord* rec = Find(topLevel);
  if (rec == nullptr || !rec->IsTopLevel()) return;
  if (rec->rect.left == screenX && rec->rect.top == screenY) return;
  rec->rect = Offset(rec->rect, screenX - rec->rect.left, screenY - rec->rect.top);
  WINDOWPOS wp;
  wp.hwnd = topLevel;
  wp.x = rec->rect.left;
  wp.y = rec->rect.top;
  wp.cx = Width(rec->rect);
  wp.cy = Height(rec->rect);
  wp.flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | kNoClientSize;
  SendMessage(topLevel, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
}

void NativeEvents::FrameChanged(HWND topLevel) {
  WindowRecord* rec = Find(topLevel);
  if (rec == nullptr || !FramedByDesktop(*rec) || (rec->style & WS_VISIBLE) == 0 || rec->iconic) return;
  // The window was placed before its frame was known; with it, the frame may stick out.
  const RECT placed = PlacedOnWorkArea(topLevel, rec->rect);
  if (placed.left == rec->rect.left && placed.top == rec->rect.top) return;
  SetWindowPos(topLevel, nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void NativeEvents::CloseRequested(HWND topLevel) {
  WindowRecord* rec = Find(topLevel);
  if (rec == nullptr || !rec->IsTopLevel()) return;
  // A window disabled by a modal box, or without Close in its system menu, cannot be closed.
  if ((rec->style & WS_DISABLED) != 0) return;
  if ((rec->style & WS_SYSMENU) != 0 && !MenuOffers(rec->sysMenu, SC_CLOSE)) return;
  PostMessage(topLevel, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void NativeEvents::FocusChanged(HWND topLevel, bool focused) {
  WindowRecord* rec = Find(topLevel);
  if (rec == nullptr || !rec->IsTopLevel()) return;
  if (!focused) {
    if (GetActiveWindow() == topLevel) Activate(nullptr, WA_INACTIVE, true);
    return;
  }
  HWND target = topLevel;
  if ((rec->style & WS_DISABLED) != 0) {
    // The desktop focused a window that a modal box disabled (the user clicked it, and a window
    // manager raised it): the box is what gets activated, and asked forward with the focus.
    target = ModalBoxFor(topLevel);
    if (target == nullptr) return;
    Activate(target, WA_ACTIVE, false);
    return;
  }
  if (GetActiveWindow() != topLevel) Activate(topLevel, WA_ACTIVE, true);
}

void NativeEvents::ShowStateChanged(HWND topLevel, bool minimized) {
  WindowRecord* rec = Find(topLevel);
  if (rec == nullptr || !rec->IsTopLevel() || rec->iconic == minimized) return;
  rec->iconic = minimized;
  if (minimized) {
    HideOwnedWindows(topLevel);
  } else {
    ReshowOwnedWindows(topLevel);
    if ((rec = Find(topLevel)) == nullptr) return;
    InvalidateSurfaceArea(topLevel, {0, 0, Width(rec->rect), Height(rec->rect)});
    AddDirty(topLevel, {0, 0, Width(rec->rect), Height(rec->rect)});
  }
  if ((rec = Find(topLevel)) == nullptr) return;
  SendMessage(topLevel, WM_SIZE, minimized ? SIZE_MINIMIZED : (rec->zoomed ? SIZE_MAXIMIZED : SIZE_RESTORED),
              MAKELPARAM(Width(rec->client), Height(rec->client)));
}

std::optional<std::uint64_t> NativeEvents::NextTimerDeadline() { return State().timers.NextDeadline(); }

}  // namespace window
