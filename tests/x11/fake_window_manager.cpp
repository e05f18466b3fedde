// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11/fake_window_manager.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace x11test {

std::unique_ptr<FakeWindowManager> FakeWindowManager::Start(const std::string& displayName) {
  std::unique_ptr<FakeWindowManager> wm(new FakeWindowManager());
  wm->m_display = Connect(displayName);
  Display* display = wm->m_display.get();
  if (display == nullptr) return nullptr;
  const Window root = DefaultRootWindow(display);
  wm->m_selectionOwner = XCreateSimpleWindow(display, root, -10, -10, 1, 1, 0, 0, 0);
  const Atom selection = XInternAtom(display, "WM_S0", False);
  XSetSelectionOwner(display, selection, wm->m_selectionOwner, CurrentTime);
  if (XGetSelectionOwner(display, selection) != wm->m_selectionOwner) return nullptr;
  XSelectInput(display, root, SubstructureRedirectMask | SubstructureNotifyMask);
  XSync(display, False);
  return wm;
}

void FakeWindowManager::SetWmState(Window window, long state) {
  const Atom wmState = XInternAtom(m_display.get(), "WM_STATE", False);
  const long value[2] = {state, static_cast<long>(None)};
  XChangeProperty(m_display.get(), window, wmState, wmState, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(value), 2);
}

void FakeWindowManager::Process() {
  Display* display = m_display.get();
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    switch (event.type) {
      case MapRequest:
        SetWmState(event.xmaprequest.window, NormalState);
        XMapWindow(display, event.xmaprequest.window);
        break;
      case ConfigureRequest: {
        const XConfigureRequestEvent& r = event.xconfigurerequest;
        m_configures.push_back(Configure{r.window, r.value_mask, r.x, r.y, r.width, r.height});
        XWindowChanges changes{};
        changes.x = r.x;
        changes.y = r.y;
        changes.width = r.width;
        changes.height = r.height;
        changes.border_width = r.border_width;
        changes.sibling = r.above;
        changes.stack_mode = r.detail;
        XConfigureWindow(display, r.window, static_cast<unsigned>(r.value_mask), &changes);
        break;
      }
      case ClientMessage: {
        Request request;
        request.type = AtomName(display, event.xclient.message_type);
        request.window = event.xclient.window;
        for (int i = 0; i < 5; ++i) request.data[i] = event.xclient.data.l[i];
        m_requests.push_back(request);
        if (request.type == "WM_CHANGE_STATE" && request.data[0] == IconicState) {
          SetWmState(request.window, IconicState);
          XUnmapWindow(display, request.window);
        } else if (request.type == "_NET_ACTIVE_WINDOW") {
          XWindowAttributes attributes{};
          if (XGetWindowAttributes(display, request.window, &attributes) &&
              attributes.map_state == IsViewable) {
            XRaiseWindow(display, request.window);
            XSetInputFocus(display, request.window, RevertToPointerRoot, CurrentTime);
          }
        }
        break;
      }
      default:
        break;
    }
  }
  XFlush(display);
}

std::vector<FakeWindowManager::Request> FakeWindowManager::RequestsOf(const std::string& type) const {
  std::vector<Request> found;
  for (const Request& r : m_requests) {
    if (r.type == type) found.push_back(r);
  }
  return found;
}

}  // namespace x11test
