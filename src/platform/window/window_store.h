// SPDX-License-Identifier: GPL-3.0-or-later
// Window records and the handle table of the window core (internal to the platform layer).
//
// Every HWND is a number looked up here; numbers are never reused during a run, so a stale or
// made-up handle is simply "not found". Records of destroyed windows are parked until the
// loop reads its next message at the outermost level, so a window procedure that destroys its
// own window can still return through code that looked the record up before.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/rect.h"
#include "base/types.h"
#include "platform/backend/backend.h"
#include "platform/surface.h"
#include "platform/window/subclass_chain.h"
#include "platform/window/window_object.h"

namespace window {

struct ClassRecord {
  std::string name;
  WNDCLASS wc;  // lpszClassName/lpszMenuName point into this record
  std::string menuName;
};

struct ScrollBarData {
  int min = 0;
  int max = 0;
  UINT page = 0;
  int pos = 0;
  int trackPos = 0;
};

struct WindowRecord {
  HWND handle = nullptr;
  std::shared_ptr<ClassRecord> cls;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;       // child windows only
  HWND owner = nullptr;        // top-level windows only
  std::vector<HWND> children;  // z-order, top first
  RECT rect;                   // parent client coordinates; screen coordinates for top-level windows
  RECT client;                 // client area relative to the window's top-left corner
  std::string text;            // cp1252
  WNDPROC proc = nullptr;
  std::intptr_t userData = 0;
  std::intptr_t id = 0;
  HINSTANCE instance = nullptr;
  std::vector<std::uint8_t> extra;
  bool destroying = false;
  bool iconic = false;
  bool zoomed = false;
  bool hiddenWithOwner = false;  // hidden because its owner was minimised or hid its popups

  // Painting: the update region in client coordinates, as a list of disjoint-ish rectangles.
  std::vector<RECT> update;
  bool eraseNeeded = false;
  bool ncPaintNeeded = false;

  ScrollBarData hbar;
  ScrollBarData vbar;

  HICON bigIcon = nullptr;
  HICON smallIcon = nullptr;
  bool bigIconSet = false;

  // Top-level windows only.
  std::unique_ptr<Surface> surface;
  std::vector<RECT> dirty;  // surface coordinates, waiting to be presented
  bool nativeCreated = false;
  bool propsKnown = false;
  backend::TopLevelProps props;
  HMENU sysMenu = nullptr;

  // Windows of the platform's own classes: the object behind the window (window_object.h).
  std::unique_ptr<WindowObject> object;
  // Procedures hooked in front of the window's own (SetWindowSubclass), by the layers above.
  SubclassChain subclasses;

  bool IsChild() const { return (style & WS_CHILD) != 0 && parent != nullptr; }
  bool IsTopLevel() const { return !IsChild(); }
};

// The desktop: a handle with no record, standing for the whole screen.
inline HWND DesktopHandle() { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10)); }

// ---- Table ---------------------------------------------------------------------------------
// The records of the running platform's windows (a part of its state: platform_state.h).
class WindowStore {
 public:
  WindowStore() = default;
  WindowStore(const WindowStore&) = delete;
  WindowStore& operator=(const WindowStore&) = delete;

  WindowRecord* Find(HWND hwnd) const;
  WindowRecord* Insert(std::unique_ptr<WindowRecord> record);
  // Takes the record out of the table; it stays allocated until no dispatch is running. An object
  // the window still has (it went without WM_NCDESTROY) ends here.
  void Remove(HWND hwnd);
  void ReleaseParked();  // frees parked records when no dispatch is running
  void EnterDispatch() { ++m_dispatchDepth; }
  void LeaveDispatch();
  std::vector<HWND>& TopLevels() { return m_topLevels; }  // z-order, top first
  std::vector<HWND> AllWindows() const;
  // Thread-safe view of which handles are alive, for PostMessage from other threads.
  bool IsLive(HWND hwnd) const;

 private:
  std::unordered_map<std::uintptr_t, std::unique_ptr<WindowRecord>> m_windows;
  std::vector<HWND> m_topLevels;
  std::vector<std::unique_ptr<WindowRecord>> m_parked;
  int m_dispatchDepth = 0;
  mutable std::mutex m_liveMutex;
  std::unordered_set<std::uintptr_t> m_live;  // under the mutex
};

// The running platform's windows, for the code of the window core.
bool CoreReady();               // the platform runs on a backend
WindowRecord* Find(HWND hwnd);  // nullptr also when no platform runs
HWND NewHandle();
std::vector<HWND>& TopLevels();
std::vector<HWND> AllWindows();

// ---- Classes -------------------------------------------------------------------------------
std::shared_ptr<ClassRecord> FindClass(const char* name);

// ---- Geometry ------------------------------------------------------------------------------
// Positions and sizes a caller may ask for are kept where arithmetic on them cannot overflow and
// a top-level window's pixel surface stays allocatable.
inline constexpr int kMaxCoordinate = 1 << 20;
inline constexpr int kMaxChildSize = 1 << 20;
inline constexpr int kMaxTopLevelSize = 8192;
int ClampCoordinate(int v);
int ClampSize(int v, bool topLevel);
HWND TopLevelOf(HWND hwnd);
WindowRecord* TopLevelRecord(WindowRecord* rec);
// Where the window's outer rectangle and its client area lie on its top-level's surface.
POINT WindowOriginInSurface(const WindowRecord& rec);
POINT ClientOriginInSurface(const WindowRecord& rec);
RECT WindowRectInSurface(const WindowRecord& rec);
RECT ClientRectInSurface(const WindowRecord& rec);
POINT ClientOriginOnScreen(const WindowRecord& rec);
POINT WindowOriginOnScreen(const WindowRecord& rec);
using rect::Contains;
using rect::Height;
using rect::Intersect;
using rect::IsEmpty;
using rect::Offset;
using rect::Union;
using rect::Width;
// True when the window and every ancestor are visible.
bool Showing(const WindowRecord& rec);
// True when the window and every ancestor are enabled.
bool EnabledChain(const WindowRecord& rec);

}  // namespace window
