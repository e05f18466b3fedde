// SPDX-License-Identifier: GPL-3.0-or-later
// The object behind a window of one of the platform's own classes (the message box, the combo
// box, its field, its list): the window's record owns it, from the window's creation to
// WM_NCDESTROY, and one window procedure hands it each message in between (internal to the
// platform layer).
//
// The object is found through the window's record and asked for by type, so a window of another
// class handed in is simply not found, and no table outlives the run that made the objects.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <memory>

#include "base/types.h"

namespace window {

class WindowObject {
 public:
  WindowObject(const WindowObject&) = delete;
  WindowObject& operator=(const WindowObject&) = delete;
  virtual ~WindowObject() = default;

  HWND Window() const { return m_hwnd; }
  // A message for the window. The window may be destroyed inside (a parent's handler may do it),
  // and then this object is gone when the call returns: see LifeWatch.
  virtual LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) = 0;

 protected:
  explicit WindowObject(HWND hwnd) : m_hwnd(hwnd) {}

  const HWND m_hwnd;
};

// Makes the object of a new window at WM_NCCREATE (`cs` as CreateWindowEx passed it); nullptr
// leaves the window without one, to the default handling.
using ObjectFactory = std::unique_ptr<WindowObject> (*)(HWND hwnd, const CREATESTRUCT* cs);

// Gives a live window without an object its object. False when it cannot: the object then ends.
bool AttachObject(HWND hwnd, std::unique_ptr<WindowObject> object);
// The window's object; nullptr for a window without one or no window at all.
WindowObject* ObjectOf(HWND hwnd);
// The window's object when it is a T; nullptr for a window of another class.
template <typename T>
T* ObjectOf(HWND hwnd) {
  return dynamic_cast<T*>(ObjectOf(hwnd));
}

// The work of a window procedure for windows that have objects: at WM_NCCREATE `make` (when
// given) makes the window's object, the object handles each message, and WM_NCDESTROY ends it.
// A window without an object gets the default handling.
LRESULT RouteToObject(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, ObjectFactory make);

// The window procedure of such a class. Without a factory, the code that creates the window
// attaches its object once CreateWindowEx returns (AttachObject).
template <ObjectFactory kMake = nullptr>
LRESULT ObjectWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return RouteToObject(hwnd, msg, wParam, lParam, kMake);
}

// Learns whether a window's object was ended while the code after it ran: a parent told of a
// change may destroy the window it was told about, and the object must then touch nothing of
// itself. Made before the call, asked after it; it never reads the object.
class LifeWatch {
 public:
  explicit LifeWatch(const WindowObject& object) : m_hwnd(object.Window()), m_object(&object) {}
  // Handles are never reused, so a window destroyed meanwhile has no object at all.
  bool Ended() const { return ObjectOf(m_hwnd) != m_object; }

 private:
  HWND m_hwnd;
  const WindowObject* m_object;
};

// Raises a flag of a window's object for a scope and lowers it at the end, unless the object was
// ended meanwhile (its memory is gone then).
class ScopedFlag {
 public:
  ScopedFlag(const WindowObject& owner, bool& flag) : m_watch(owner), m_flag(flag) { m_flag = true; }
  ~ScopedFlag() {
    if (!m_watch.Ended()) m_flag = false;
  }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;

  // Whether the flag's owner was ended inside the scope.
  bool OwnerEnded() const { return m_watch.Ended(); }

 private:
  LifeWatch m_watch;
  bool& m_flag;
};

}  // namespace window
