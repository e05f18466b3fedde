// SPDX-License-Identifier: GPL-3.0-or-later
// How the parts of the window core call each other (internal to the platform layer).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend/backend_events.h"
#include "platform/window/platform_state.h"
#include "platform/window/window_store.h"

namespace window {

// ---- Tree (window_tree.cpp, window_state.cpp) ----------------------------------------------
// Recomputes what the desktop is told about a top-level window and hands it to the backend when
// it changed (also for the windows it owns, whose icon name follows the owner's title).
void PushTopLevelProps(HWND hwnd);
backend::TopLevelProps ComputeProps(const WindowRecord& rec);
// Re-runs the non-client calculation after a style or scroll-bar change (WM_SIZE follows when the
// client area changed).
void RecalcFrame(HWND hwnd);
void DestroyAllWindows();
// Registers the message box's class for a new run (InitPlatform).
void RegisterMessageBoxClass();
// Hides or shows the top-level windows owned by `owner` (minimising the owner hides them).
void HideOwnedWindows(HWND owner);
// The deepest visible, enabled window under a screen point inside `top`.
HWND DeepestWindowAt(HWND top, POINT screenPt);
void ReshowOwnedWindows(HWND owner);

// ---- Monitors (monitor.cpp) ------------------------------------------------------------------
// Whether the desktop draws a frame around the window: a top-level window with a caption and an
// area (the zero-size application window is never shown).
bool FramedByDesktop(const WindowRecord& rec);
// Where a framed window whose client area would lie at `rect` (screen coordinates) goes so that
// the whole of it, frame included, is on its monitor's work area: where it is when it fits there,
// else moved by the least that makes it whole, else with its left and top edges at the work
// area's. The frame counts as far as the desktop has said it yet (none before it framed the
// window; NativeEvents::FrameChanged places the window again once it has).
RECT PlacedOnWorkArea(HWND hwnd, const RECT& rect);

// ---- Input (input.cpp) ---------------------------------------------------------------------
// Turns a native input event into the message for the window that should get it now (capture,
// hit test, focus). False when nobody takes it.
bool ConvertInput(const backend::InputEvent& event, MSG* out);
UINT KeysymToVk(std::uint32_t keysym);
// The cp1252 characters the input method produced with this key-down message.
bool KeyText(const MSG& msg, std::string* chars);

// ---- Focus and activation (focus.cpp) ------------------------------------------------------
// Called before a window is destroyed: focus, capture and activation leave it and its children.
void ForgetWindow(HWND hwnd);
// Activates `top` (nullptr: the program loses activation). `fromDesktop`: the desktop already
// knows, so it is not asked again.
void Activate(HWND top, WPARAM how, bool fromDesktop);
// The modal box to bring forward when the user reaches for `disabledTop`, a window that a box
// disabled: a box it owns, else any box the program shows. nullptr when there is none.
HWND ModalBoxFor(HWND disabledTop);
// The display's pointer and keyboard go to `popup` wherever they are, for an open drop-down list
// (nullptr gives them back). The focus window inside the program stays as it is.
void GrabDisplay(HWND popup);
// Whether the window is a modal box (the message box's class).
bool IsModalBox(const WindowRecord& rec);

// ---- Painting (paint.cpp, paint_rects.cpp) -------------------------------------------------
// The next window needing WM_PAINT (parents before children), restricted to `filter`'s family.
HWND FindPaintWindow(HWND filter);
// Adds `rect` (client coordinates; nullptr: all) to the window's update region. Children that
// the window does not clip are included, as their pixels are painted over too.
void InvalidateClient(WindowRecord& rec, const RECT* rect, bool erase, bool allChildren);
// Everything of the tree of `top` that lies under `surfaceRect` must be painted again.
void InvalidateSurfaceArea(HWND top, const RECT& surfaceRect);
void AddDirty(HWND top, const RECT& surfaceRect);
void FlushPresents();
enum class RegionKind { Client, Window };
std::vector<RECT> VisibleRegion(const WindowRecord& rec, RegionKind kind);
// Paints right now (WM_NCPAINT when due, then WM_PAINT) if the window has a pending update.
void PaintNow(HWND hwnd);

// Rectangle lists.
void AddRect(std::vector<RECT>& list, const RECT& r);
void SubtractRect(std::vector<RECT>& list, const RECT& r);
void IntersectList(std::vector<RECT>& list, const RECT& r);
RECT BoundingBox(const std::vector<RECT>& list);

// ---- Non-client area (nonclient.cpp, scrollbar.cpp) ----------------------------------------
// The client rectangle relative to the window's top-left corner for a window of this size.
RECT CalcClientRect(const WindowRecord& rec, int width, int height);
LRESULT NcHitTest(const WindowRecord& rec, POINT screenPt);
void PaintNonClient(HWND hwnd);
bool ScrollBarShown(const WindowRecord& rec, int bar);
int ScrollBarSize();
// A press on a window's scroll bar starts scroll tracking; the moves and the release that follow
// belong to it. Returns whether the event was taken.
bool ScrollBarPress(HWND hwnd, int bar, POINT screenPt);
bool ScrollTrackingActive();
void ScrollTrackMove(POINT screenPt);
void ScrollTrackRelease(POINT screenPt);
void EndScrollTracking();

// ---- Services' descriptors (messages.cpp) ---------------------------------------------------
// Watches `fd` for `events` (poll's) in the loop's wait; `ready` is called from the loop with
// what arrived. Watching a descriptor again replaces the earlier watch.
void WatchDescriptor(int fd, short events, void (*ready)(void* context, short revents), void* context);
void UnwatchDescriptor(int fd);

// ---- System menu (menu.cpp) ----------------------------------------------------------------
HMENU CreateSystemMenu(HWND owner);
void DestroySystemMenu(HMENU menu);
// Whether the menu has the command and it is not greyed.
bool MenuOffers(HMENU menu, UINT command);

}  // namespace window
