// SPDX-License-Identifier: GPL-3.0-or-later
// X events in, the core's native events out.
//
// The core's event names (KeyPress, Expose...) are macros in Xlib's headers, so the core's headers
// come first and the X event numbers are copied into constants before those macros go.
#include "platform/backend/backend.h"
#include "platform/backend/backend_events.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/backend/x11/x11_atoms.h"
#include "platform/backend/x11/x11_backend.h"
#include "platform/backend/x11/x11_clipboard.h"
#include "platform/backend/x11/x11_errors.h"
#include "platform/backend/x11/x11_input_method.h"
#include "platform/backend/x11/x11_props.h"
#include "platform/backend/x11/x11_top_level.h"

namespace x11 {

namespace {
constexpr int kXKeyPress = KeyPress;
constexpr int kXKeyRelease = KeyRelease;
constexpr int kXButtonPress = ButtonPress;
constexpr int kXButtonRelease = ButtonRelease;
constexpr int kXExpose = Expose;
}  // namespace
#undef KeyPress
#undef KeyRelease
#undef ButtonPress
#undef ButtonRelease
#undef Expose

namespace {

unsigned Modifiers(unsigned int state) {
  unsigned modifiers = 0;
  if (state & ShiftMask) modifiers |= backend::kShift;
  if (state & ControlMask) modifiers |= backend::kControl;
  if (state & Mod1Mask) modifiers |= backend::kAlt;
  return modifiers;
}

}  // namespace

void X11Backend::HandleEvent(XEvent& event) {
  switch (event.type) {
    case kXKeyPress:
    case kXKeyRelease:
      HandleKey(event);
      break;
    case kXButtonPress:
    case kXButtonRelease:
    case MotionNotify:
    case EnterNotify:
    case LeaveNotify:
      HandlePointer(event);
      break;
    case MappingNotify:
      XRefreshKeyboardMapping(&event.xmapping);
      break;
    default:
      if (m_clipboard->HandleEvent(event)) break;
      HandleStructure(event);
      break;
  }
}

void X11Backend::HandleKey(XEvent& event) {
  XKeyEvent& key = event.xkey;
  X11TopLevel* window = FindByXid(key.window);
  if (window == nullptr || window->gone) return;
  if (key.time != CurrentTime) m_lastEventTime = key.time;
  backend::InputEvent input;
  input.topLevel = window->hwnd;
  input.x = key.x;
  input.y = key.y;
  input.modifiers = Modifiers(key.state);
  input.timeMs = NowMs();
  if (event.type == kXKeyPress) {
    const KeyMeaning meaning = LookupKeyPress(&key, ContextOf(*window));
    if (meaning.keysym == NoSymbol && meaning.textUtf8.empty()) return;
    input.kind = backend::InputKind::KeyPress;
    input.keysym = static_cast<std::uint32_t>(meaning.keysym);
    input.textUtf8 = meaning.textUtf8;
  } else {
    // A server without detectable auto-repeat sends release + press with one timestamp for each
    // repeat: the release is not the user letting go.
    if (XEventsQueued(m_display, QueuedAfterReading) > 0) {
      XEvent next;
      XPeekEvent(m_display, &next);
      if (next.type == kXKeyPress && next.xkey.window == key.window && next.xkey.keycode == key.keycode &&
          next.xkey.time == key.time) {
        return;
      }
    }
    input.kind = backend::InputKind::KeyRelease;
    input.keysym = static_cast<std::uint32_t>(LookupKeyRelease(&key));
  }
  if (backend::EventSink* sink = Sink()) sink->Input(input);
}

void X11Backend::HandlePointer(XEvent& event) {
  // Button, motion and crossing events carry the same facts under the same member names in
  // their own structures.
  Window xid = None;
  int x = 0, y = 0, rootX = 0, rootY = 0;
  unsigned int state = 0;
  Time time = CurrentTime;
  auto take = [&](const auto& e) {
    xid = e.window;
    x = e.x;
    y = e.y;
    rootX = e.x_root;
    rootY = e.y_root;
    state = e.state;
    time = e.time;
  };
  switch (event.type) {
    case kXButtonPress:
    case kXButtonRelease:
      take(event.xbutton);
      break;
    case MotionNotify: {
      // Only the newest position of a burst matters; a burst ends at any other event, so that
      // a press is never moved behind the motions that followed it.
      while (XEventsQueued(m_display, QueuedAlready) > 0) {
        XEvent next;
        XPeekEvent(m_display, &next);
        if (next.type != MotionNotify || next.xmotion.window != event.xmotion.window) break;
        XNextEvent(m_display, &event);
      }
      take(event.xmotion);
      break;
    }
    default:  // EnterNotify, LeaveNotify
      // Crossings caused by grabs starting or ending say nothing about where the pointer went.
      if (event.xcrossing.mode != NotifyNormal) return;
      take(event.xcrossing);
      break;
  }
  X11TopLevel* window = FindByXid(xid);
  if (window == nullptr || window->gone) return;
  if (time != CurrentTime) m_lastEventTime = time;

  backend::InputEvent input;
  input.topLevel = window->hwnd;
  input.x = x;
  input.y = y;
  input.modifiers = Modifiers(state);
  input.timeMs = NowMs();
  // While a drop-down holds the pointer, what happens outside our windows is reported in screen
  // coordinates with no window, so the core can close the drop-down on a click elsewhere.
  if (m_grab != nullptr) {
    const int width = window->bounds.right - window->bounds.left;
    const int height = window->bounds.bottom - window->bounds.top;
    if (x < 0 || y < 0 || x >= width || y >= height) {
      input.topLevel = nullptr;
      input.x = rootX;
      input.y = rootY;
    }
  }

  if (event.type == kXButtonPress || event.type == kXButtonRelease) {
    const unsigned int button = event.xbutton.button;
    if (button == Button4 || button == Button5) {
      if (event.type == kXButtonRelease) return;  // a wheel notch is one press
      input.kind = backend::InputKind::Wheel;
      input.wheelDelta = button == Button4 ? WHEEL_DELTA : -WHEEL_DELTA;
    } else if (button >= Button1 && button <= Button3) {
      input.kind =
          event.type == kXButtonPress ? backend::InputKind::ButtonPress : backend::InputKind::ButtonRelease;
      input.button = static_cast<int>(button);
    } else {
      return;  // side and horizontal-scroll buttons mean nothing to the program
    }
  } else {
    input.kind = backend::InputKind::PointerMove;
  }
  if (backend::EventSink* sink = Sink()) sink->Input(input);
}

void X11Backend::ReportMinimized(X11TopLevel& window, bool minimized) {
  using Pending = X11TopLevel::Pending;
  if (window.pending == Pending::Restore && minimized) return;
  if (window.pending == Pending::Minimize && !minimized) return;
  if (window.pending == Pending::Minimize && minimized) window.pending = Pending::Nothing;
  if (window.reportedMinimized == minimized) return;
  window.reportedMinimized = minimized;
  if (backend::EventSink* sink = Sink()) sink->ShowStateChanged(window.hwnd, minimized);
}

void X11Backend::NoteMoved(X11TopLevel& window, int x, int y) {
  if (x == window.bounds.left && y == window.bounds.top) return;
  const int width = window.bounds.right - window.bounds.left;
  const int height = window.bounds.bottom - window.bounds.top;
  window.bounds = RECT{x, y, x + width, y + height};
  if (backend::EventSink* sink = Sink()) sink->Moved(window.hwnd, x, y);
}

void X11Backend::HandleStructure(XEvent& event) {
  X11TopLevel* window = FindByXid(event.xany.window);
  if (window == nullptr || window->gone) return;
  switch (event.type) {
    case kXExpose: {
      const XExposeEvent& e = event.xexpose;
      if (backend::EventSink* sink = Sink())
        sink->Expose(window->hwnd, RECT{e.x, e.y, e.x + e.width, e.y + e.height});
      break;
    }
    case ConfigureNotify: {
      if (event.xconfigure.window != window->xid) break;
      int x = event.xconfigure.x;
      int y = event.xconfigure.y;
      if (!event.xconfigure.send_event) {
        // A real ConfigureNotify is relative to the parent, which is the window manager's frame
        // when there is one; only the synthetic ones carry root coordinates.
        Window child = None;
        if (!XTranslateCoordinates(m_display, window->xid, m_root, 0, 0, &x, &y, &child)) break;
      }
      NoteMoved(*window, x, y);
      break;
    }
    case MapNotify:
      if (event.xmap.window != window->xid) break;
      window->mapped = true;
      window->everMapped = true;
      if (window->pending == X11TopLevel::Pending::Restore) {
        window->pending = X11TopLevel::Pending::Nothing;
      }
      if (window->focusOnMap) FocusNow(*window);
      if (window->grabOnMap && m_grab == window->hwnd) GrabNow(*window);
      if (window->keyboardGrabOnMap && m_keyboardGrab == window->hwnd) GrabKeyboardNow(*window);
      ReportMinimized(*window, false);
      break;
    case UnmapNotify:
      if (event.xunmap.window != window->xid) break;
      window->mapped = false;
      if (window->requested == backend::NativeShowState::Minimized ||
          x11::ReadWmState(m_display, *m_atoms, window->xid) == IconicState) {
        ReportMinimized(*window, true);
      }
      break;
    case PropertyNotify:
      HandleProperty(*window, event);
      break;
    case FocusIn:
    case FocusOut:
      HandleFocusChange(*window, event);
      break;
    case ClientMessage:
      if (event.xclient.message_type == m_atoms->wmProtocols && event.xclient.format == 32 &&
          static_cast<Atom>(event.xclient.data.l[0]) == m_atoms->wmDeleteWindow) {
        if (backend::EventSink* sink = Sink()) sink->CloseRequested(window->hwnd);
      }
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window != window->xid) break;
      // Our own windows leave the table before they are destroyed, so this is another client's
      // doing (a broken window manager, xdotool windowclose): the program cannot go on.
      EndForDestroyedWindow(m_display);
    default:
      break;
  }
}

void X11Backend::HandleProperty(X11TopLevel& window, XEvent& event) {
  if (event.xproperty.atom == m_atoms->wmState && event.xproperty.state == PropertyNewValue) {
    const int state = x11::ReadWmState(m_display, *m_atoms, window.xid);
    if (state == IconicState) ReportMinimized(window, true);
    if (state == NormalState) ReportMinimized(window, false);
  }
  if (event.xproperty.atom == m_atoms->netFrameExtents) {
    // The frame is known only once the manager has taken the window: it may now stick out
    // of the work area where the window alone did not. A manager that writes the same widths
    // again (on a focus change, say) changes nothing: a window the user dragged partly off
    // the screen stays where the user left it.
    const RECT frame = x11::ReadFrameExtents(m_display, *m_atoms, window.xid);
    if (frame == window.frame) return;
    window.frame = frame;
    // Where the manager put the window comes first, as its ConfigureNotify may still be on
    // the way: the frame is weighed at the window's real place.
    int x = 0;
    int y = 0;
    Window child = None;
    if (XTranslateCoordinates(m_display, window.xid, m_root, 0, 0, &x, &y, &child)) {
      NoteMoved(window, x, y);
    }
    if (backend::EventSink* sink = Sink()) sink->FrameChanged(window.hwnd);
  }
}

void X11Backend::HandleFocusChange(X11TopLevel& window, XEvent& event) {
  const XFocusChangeEvent& focus = event.xfocus;
  // Focus moving inside our window, or passing through while the window manager holds the
  // keyboard (alt-tab, a frame drag), is not a change for the program.
  if (focus.mode == NotifyGrab || focus.mode == NotifyUngrab) return;
  if (focus.detail == NotifyInferior) return;
  const bool focused = event.type == FocusIn;
  if (XIC context = ContextOf(window)) {
    if (focused) {
      XSetICFocus(context);
    } else {
      XUnsetICFocus(context);
    }
  }
  if (window.focused != focused) {
    window.focused = focused;
    if (backend::EventSink* sink = Sink()) sink->FocusChanged(window.hwnd, focused);
  }
}

}  // namespace x11
