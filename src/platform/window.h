// SPDX-License-Identifier: GPL-3.0-or-later
// Windows, the message queue, input, focus, capture, timers and painting.
//
// One UI thread owns every window; only PostMessage may be called from another thread.
// Behaviour callers rely on:
// - CreateWindowEx sends WM_NCCREATE, WM_NCCALCSIZE and WM_CREATE; a failed WM_NCCREATE (0) or
//   WM_CREATE (-1) destroys the half-made window and returns nullptr.
// - DestroyWindow hides the window, sends WM_DESTROY to it and then to its children (parent first),
//   then WM_NCDESTROY children first; it may be called from inside the window's own procedure.
//   Messages already posted to a destroyed window are dropped when they reach the front.
// - WM_PAINT and WM_TIMER are produced only when no posted or input message is waiting: one
//   WM_PAINT per window with a pending update, parents before children; WM_TIMER once per due timer.
// - Mouse input goes to the capture window if any, otherwise to the deepest visible, enabled child
//   under the pointer. A window whose top-level is disabled (a modal box is open) gets none.
//   Double clicks are synthesised for classes with CS_DBLCLKS (500 ms, 4 px).
// - A frameless pop-up (WS_POPUP without WS_CAPTION, such as a drop-down list) is never activated;
//   while it holds the capture it gets the pointer everywhere on the screen.
// - Keyboard input goes to the focus window. TranslateMessage posts WM_CHAR for the characters the
//   input method produced with a WM_KEYDOWN (already in the cp1252 code page).
// - WaitMessage blocks until input, a posted message, a due timer or a pending paint; it never polls.
// - What was drawn reaches the display at the next idle point (an unfiltered PeekMessage that
//   finds nothing, or WaitMessage before it blocks): one present per top-level window, of the
//   rectangles drawn since the last one.
// - Top-level windows keep their frame outside their rectangle (the desktop draws it), so
//   AdjustWindowRectEx leaves a captioned top-level window's rectangle as it is. Child windows
//   and frameless pop-ups have their border (1 px), sunken edge (2 px) and scroll bars (16 px at
//   96 dpi) drawn by the platform inside their rectangle; a scroll bar shows exactly when its
//   window has the style bit and its range is not empty.
#pragma once

#include <string>

#include "base/last_error.h"  // every call below that fails sets the thread's last error
#include "base/types.h"

// Top-level windows of this class are announced to the desktop as modal dialogs (dialog window
// type, modal state): the class of the message box.
inline constexpr const char* kDialogClassName = "#32770";

// ---- Classes -------------------------------------------------------------------------------
// A class is named by its text only (never by an atom disguised as a pointer), so a name is never
// judged by its address; RegisterClass's atom only says that it succeeded.
ATOM RegisterClass(const WNDCLASS* wc);
BOOL UnregisterClass(const char* className, HINSTANCE instance);
BOOL GetClassInfo(HINSTANCE instance, const char* className, WNDCLASS* wc);
DWORD GetClassLong(HWND hwnd, int index);  // GCL_STYLE
DWORD SetClassLong(HWND hwnd, int index, LONG value);
std::uintptr_t GetClassLongPtr(HWND hwnd, int index);  // GCL_STYLE, GCLP_HICON
std::uintptr_t SetClassLongPtr(HWND hwnd, int index, std::uintptr_t value);
int GetClassName(HWND hwnd, char* buffer, int size);

// ---- Window lifetime and tree --------------------------------------------------------------
HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                    int width, int height, HWND parentOrOwner, HMENU menuOrId, HINSTANCE instance,
                    void* createParam);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
HWND GetParent(HWND hwnd);  // the parent of a child, the owner of a top-level window
HWND SetParent(HWND hwnd, HWND newParent);
HWND GetWindow(HWND hwnd, UINT cmd);
HWND GetTopWindow(HWND hwnd);  // first child in z-order; nullptr = first top-level
HWND GetAncestorTopLevel(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);
BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM lParam);
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam);
DWORD GetCurrentThreadId();

LONG GetWindowLong(HWND hwnd, int index);
LONG SetWindowLong(HWND hwnd, int index, LONG value);
std::intptr_t GetWindowLongPtr(HWND hwnd, int index);
std::intptr_t SetWindowLongPtr(HWND hwnd, int index, std::intptr_t value);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// ---- Subclassing ---------------------------------------------------------------------------
// A procedure hooked in front of a window's own, under a number of the caller's (`id`), gets each
// message with the value it was set with (`refData`, such as the object that handles the window).
// Behaviour callers rely on:
// - The newest hook gets a message first. DefSubclassProc, called inside a hook, hands the message
//   to the hook set before it, after the oldest to the window's own procedure; called outside the
//   window's hooks, it goes straight to the window's own procedure.
// - Setting a hook that is there (same procedure and number) changes only its value.
// - A hook removed, also inside a message, gets no further message; the messages on their way go
//   on through the hooks that are left.
// - The hooks see WM_NCDESTROY, and the platform drops them once it has passed, so a hook is never
//   called with its value after its window is gone. A window being destroyed takes no new hook;
//   DefSubclassProc for a window that is gone gives the default handling (DefWindowProc).
// - GWL_WNDPROC of a hooked window is the platform's entry to its hooks.
using SUBCLASSPROC = LRESULT (*)(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, std::uintptr_t id,
                                 std::uintptr_t refData);
BOOL SetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, std::uintptr_t id, std::uintptr_t refData);
// The value of the hook (FALSE and 0 when the window has no such hook).
BOOL GetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, std::uintptr_t id, std::uintptr_t* refData);
BOOL RemoveWindowSubclass(HWND hwnd, SUBCLASSPROC proc, std::uintptr_t id);
LRESULT DefSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// ---- Geometry ------------------------------------------------------------------------------
// Window rectangles of children are in their parent's client coordinates for SetWindowPos and
// in screen coordinates for GetWindowRect. A top-level window's frame belongs to the desktop's
// window manager and lies outside; to this layer a top-level window's outer rectangle equals its
// client area placed at its screen position.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);
BOOL ScreenToClient(HWND hwnd, POINT* pt);
BOOL ClientToScreen(HWND hwnd, POINT* pt);
HWND WindowFromPoint(POINT screenPt);
HWND ChildWindowFromPoint(HWND parent, POINT clientPt);

// ---- State ---------------------------------------------------------------------------------
BOOL ShowWindow(HWND hwnd, int cmd);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
BOOL SetWindowText(HWND hwnd, const char* text);
int GetWindowText(HWND hwnd, char* buffer, int size);
int GetWindowTextLength(HWND hwnd);
BOOL ShowOwnedPopups(HWND owner, BOOL show);
BOOL SetForegroundWindow(HWND hwnd);
HWND GetDesktopWindow();

// ---- System menu ---------------------------------------------------------------------------
// Each top-level window has a system menu of the standard items; what is left in it decides the
// frame functions offered to the desktop (move, close, minimise, maximise, size).
HMENU GetSystemMenu(HWND hwnd, BOOL revert);
BOOL DeleteMenu(HMENU menu, UINT item, UINT flags);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);

// ---- Messages ------------------------------------------------------------------------------
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);  // thread-safe
BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL WaitMessage();
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
DWORD GetTickCount();  // milliseconds of the platform clock (virtual in the headless backend)

// ---- Focus, activation, capture, keyboard state ---------------------------------------------
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
short GetKeyState(int vk);
BOOL GetCursorPos(POINT* pt);
HCURSOR LoadCursor(HINSTANCE instance, std::uintptr_t id);
UINT GetDoubleClickTime();

// ---- Timers --------------------------------------------------------------------------------
std::uintptr_t SetTimer(HWND hwnd, std::uintptr_t id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, std::uintptr_t id);

// ---- Invalidation and painting -------------------------------------------------------------
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);  // rect in client coordinates
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL UpdateWindow(HWND hwnd);
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);

// ---- Scroll bars of child windows ----------------------------------------------------------
BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos);
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw);
BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info);
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);

// ---- Screen, monitors, system values -------------------------------------------------------
int GetSystemMetrics(int index);
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);
HMONITOR MonitorFromPoint(POINT pt, DWORD flags);
BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info);

// Start-up show command: SW_SHOWDEFAULT unless the display was told otherwise (the headless one
// can be).
void GetStartupInfo(STARTUPINFO* info);
