// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/backend/x11/x11_props.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "base/utf8.h"
#include "platform/backend/x11/x11_input_method.h"

namespace x11 {
namespace {

void SetCardinals(Display* display, Window window, Atom property, Atom type,
                  const std::vector<long>& values) {
  // Format-32 data goes through Xlib as an array of long, whatever the size of long.
  XChangeProperty(display, window, property, type, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
}

void SetUtf8(Display* display, const X11Atoms& atoms, Window window, Atom property, const std::string& text) {
  XChangeProperty(display, window, property, atoms.utf8String, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
}

// The Latin-1 bytes of a UTF-8 text, when they can stand as an ICCCM STRING: Latin-1 graphic
// characters, tab and newline. False for anything else, invalid UTF-8 included.
bool Latin1String(const std::string& utf8, std::string* latin1) {
  constexpr char32_t kDelete = 0x7f;
  constexpr char32_t kLastC1Control = 0x9f;
  constexpr char32_t kLastLatin1 = 0xff;
  latin1->clear();
  for (std::size_t at = 0; at < utf8.size();) {
    const text::Utf8Char c = text::DecodeUtf8Char(utf8, at);
    at += c.length;
    if (!c.wellFormed || c.codePoint > kLastLatin1) return false;
    const bool graphic = (c.codePoint >= ' ' && c.codePoint < kDelete) || c.codePoint > kLastC1Control;
    if (!graphic && c.codePoint != '\t' && c.codePoint != '\n') return false;
    *latin1 += static_cast<char>(c.codePoint);
  }
  return true;
}

// The ICCCM text property of a UTF-8 string: STRING when Latin-1 holds it, COMPOUND_TEXT
// otherwise; plain ASCII when the locale cannot convert at all.
bool MakeTextProperty(Display* display, const std::string& text, XTextProperty* property) {
  char* list[] = {const_cast<char*>(text.c_str())};
  if (Xutf8TextListToTextProperty(display, list, 1, XStdICCTextStyle, property) >= Success) {
    return true;
  }
  std::string ascii;
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x80) ascii += c;
  }
  char* asciiList[] = {ascii.data()};
  return XStringListToTextProperty(asciiList, 1, property) != 0;
}

// WM_NAME and WM_ICON_NAME. A Latin-1 name is written as STRING here, as Xlib's converter
// would write it: that converter first loads Xlib's whole locale machinery (its tables and
// converters, about 0.3 MB), which a usual start otherwise never needs.
void SetTextProperty(Display* display, Window window, Atom name, const std::string& utf8) {
  std::string latin1;
  if (Latin1String(utf8, &latin1)) {
    XChangeProperty(display, window, name, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(latin1.data()), static_cast<int>(latin1.size()));
    return;
  }
  PrepareXlibLocale();
  XTextProperty property{};
  if (MakeTextProperty(display, utf8, &property)) {
    XSetTextProperty(display, window, &property, name);
    XFree(property.value);
  }
}

}  // namespace

void WriteIdentity(Display* display, const X11Atoms& atoms, Window window, const std::string& resourceName) {
  XClassHint classHint;
  std::string name = resourceName;
  std::string className = "Tessivo";
  classHint.res_name = name.data();
  classHint.res_class = className.data();
  XSetClassHint(display, window, &classHint);

  SetCardinals(display, window, atoms.netWmPid, XA_CARDINAL, {static_cast<long>(getpid())});

  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof host - 1) == 0 && host[0] != '\0') {
    char* hosts[] = {host};
    XTextProperty property{};
    if (XStringListToTextProperty(hosts, 1, &property) != 0) {
      XSetWMClientMachine(display, window, &property);
      XFree(property.value);
    }
  }

  Atom protocols[] = {atoms.wmDeleteWindow};
  XSetWMProtocols(display, window, protocols, 1);
}

void WriteNames(Display* display, const X11Atoms& atoms, Window window, const backend::TopLevelProps& props) {
  const std::string& iconName = props.iconNameUtf8.empty() ? props.titleUtf8 : props.iconNameUtf8;
  SetUtf8(display, atoms, window, atoms.netWmName, props.titleUtf8);
  SetUtf8(display, atoms, window, atoms.netWmIconName, iconName);
  SetTextProperty(display, window, XA_WM_NAME, props.titleUtf8);
  SetTextProperty(display, window, XA_WM_ICON_NAME, iconName);
}

void WriteIcon(Display* display, const X11Atoms& atoms, Window window,
               const std::vector<std::uint32_t>& iconArgb) {
  // One or more images, each width, height, then width * height pixels; anything else is not an
  // icon.
  constexpr std::uint32_t kLargestSide = 1024;
  bool valid = !iconArgb.empty();
  for (std::size_t at = 0; valid && at < iconArgb.size();) {
    const std::size_t left = iconArgb.size() - at;
    valid = left >= 2 && iconArgb[at] > 0 && iconArgb[at + 1] > 0 && iconArgb[at] <= kLargestSide &&
            iconArgb[at + 1] <= kLargestSide &&
            left - 2 >= static_cast<std::size_t>(iconArgb[at]) * iconArgb[at + 1];
    if (valid) at += 2 + static_cast<std::size_t>(iconArgb[at]) * iconArgb[at + 1];
  }
  if (!valid) {
    XDeleteProperty(display, window, atoms.netWmIcon);
    return;
  }
  std::vector<long> values(iconArgb.begin(), iconArgb.end());
  SetCardinals(display, window, atoms.netWmIcon, XA_CARDINAL, values);
}

void WriteNormalHints(Display* display, Window window, const backend::TopLevelProps& props, int x, int y,
                      int width, int height) {
  XSizeHints* hints = XAllocSizeHints();
  if (hints == nullptr) return;
  hints->flags = PPosition | PSize | PWinGravity;
  if (props.userPosition) hints->flags |= USPosition;
  hints->x = x;
  hints->y = y;
  hints->width = width;
  hints->height = height;
  hints->win_gravity = NorthWestGravity;
  if (props.fixedSize) {
    hints->flags |= PMinSize | PMaxSize;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
  }
  XSetWMNormalHints(display, window, hints);
  XFree(hints);
}

void WriteMotifHints(Display* display, const X11Atoms& atoms, Window window,
                     const backend::TopLevelProps& props) {
  long functions = 0;
  if (props.canMove) functions |= kMwmFuncMove;
  if (props.canClose) functions |= kMwmFuncClose;
  if (props.canMinimize) functions |= kMwmFuncMinimize;
  if (props.canMaximize) functions |= kMwmFuncMaximize;
  if (props.canResize && !props.fixedSize) functions |= kMwmFuncResize;
  long decorations = 0;
  if (!props.popup) {
    decorations = kMwmDecorBorder;
    if (props.hasTitle) decorations |= kMwmDecorTitle;
    if (props.hasTitle && props.hasSystemMenu) decorations |= kMwmDecorMenu;
    if (props.canMinimize) decorations |= kMwmDecorMinimize;
    if (props.canMaximize) decorations |= kMwmDecorMaximize;
    if (props.canResize && !props.fixedSize) decorations |= kMwmDecorResizeH;
  }
  // flags, functions, decorations, input mode, status
  SetCardinals(display, window, atoms.motifWmHints, atoms.motifWmHints,
               {kMwmHintsFunctions | kMwmHintsDecorations, functions, decorations, 0, 0});
}

void WriteWindowType(Display* display, const X11Atoms& atoms, Window window,
                     const backend::TopLevelProps& props) {
  Atom type = atoms.netWmWindowTypeNormal;
  if (props.popup) {
    type = atoms.netWmWindowTypeDropdownMenu;
  } else if (props.dialog) {
    type = atoms.netWmWindowTypeDialog;
  }
  SetCardinals(display, window, atoms.netWmWindowType, XA_ATOM, {static_cast<long>(type)});
}

void WriteWmHints(Display* display, Window window, int initialState) {
  XWMHints* hints = XAllocWMHints();
  if (hints == nullptr) return;
  hints->flags = InputHint | StateHint;
  hints->input = True;
  hints->initial_state = initialState;
  XSetWMHints(display, window, hints);
  XFree(hints);
}

void WriteTransientFor(Display* display, Window window, Window owner) {
  if (owner != None) {
    XSetTransientForHint(display, window, owner);
  } else {
    XDeleteProperty(display, window, XA_WM_TRANSIENT_FOR);
  }
}

void WriteNetWmState(Display* display, const X11Atoms& atoms, Window window, const NetWmState& state) {
  std::vector<long> values;
  if (state.modal) values.push_back(static_cast<long>(atoms.netWmStateModal));
  if (state.skipTaskbar) values.push_back(static_cast<long>(atoms.netWmStateSkipTaskbar));
  if (state.maximized) {
    values.push_back(static_cast<long>(atoms.netWmStateMaximizedVert));
    values.push_back(static_cast<long>(atoms.netWmStateMaximizedHorz));
  }
  if (values.empty()) {
    XDeleteProperty(display, window, atoms.netWmState);
  } else {
    SetCardinals(display, window, atoms.netWmState, XA_ATOM, values);
  }
}

void RequestNetWmState(Display* display, const X11Atoms& atoms, Window root, Window window,
                       const NetWmState& from, const NetWmState& to) {
  auto request = [&](bool on, Atom first, Atom second) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atoms.netWmState;
    event.xclient.format = 32;
    event.xclient.data.l[0] = on ? 1 : 0;  // _NET_WM_STATE_ADD / _REMOVE
    event.xclient.data.l[1] = static_cast<long>(first);
    event.xclient.data.l[2] = static_cast<long>(second);
    event.xclient.data.l[3] = 1;  // a normal application asks
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  };
  if (from.modal != to.modal) request(to.modal, atoms.netWmStateModal, None);
  if (from.skipTaskbar != to.skipTaskbar) {
    request(to.skipTaskbar, atoms.netWmStateSkipTaskbar, None);
  }
  if (from.maximized != to.maximized) {
    request(to.maximized, atoms.netWmStateMaximizedVert, atoms.netWmStateMaximizedHorz);
  }
}

namespace {

// A 32-bit CARDINAL list property, at most `most` values (empty when absent or of another kind).
std::vector<long> ReadCardinals(Display* display, Window window, Atom property, long most) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  std::vector<long> values;
  if (XGetWindowProperty(display, window, property, 0, most, False, XA_CARDINAL, &type, &format, &count,
                         &remaining, &data) == Success &&
      data != nullptr && type == XA_CARDINAL && format == 32) {
    const long* longs = reinterpret_cast<const long*>(data);
    values.assign(longs, longs + count);
  }
  if (data != nullptr) XFree(data);
  return values;
}

}  // namespace

RECT ReadFrameExtents(Display* display, const X11Atoms& atoms, Window window) {
  const std::vector<long> values = ReadCardinals(display, window, atoms.netFrameExtents, 4);
  if (values.size() != 4) return {};
  // A frame wider than a screen is not a frame.
  for (long value : values) {
    if (value < 0 || value >= 4096) return {};
  }
  // The property's order is left, right, top, bottom.
  return RECT{static_cast<LONG>(values[0]), static_cast<LONG>(values[2]), static_cast<LONG>(values[1]),
              static_cast<LONG>(values[3])};
}

POINT ReadFrameOffset(Display* display, const X11Atoms& atoms, Window window) {
  const RECT extents = ReadFrameExtents(display, atoms, window);
  return POINT{extents.left, extents.top};
}

std::optional<RECT> ReadWorkArea(Display* display, const X11Atoms& atoms, Window root, int screenWidth,
                                 int screenHeight) {
  // One desktop's area is four values; a window manager with many desktops lists them all.
  constexpr long kMostDesktops = 64;
  const std::vector<long> areas = ReadCardinals(display, root, atoms.netWorkarea, 4 * kMostDesktops);
  if (areas.size() < 4) return std::nullopt;
  const std::vector<long> current = ReadCardinals(display, root, atoms.netCurrentDesktop, 1);
  std::size_t desktop = current.empty() ? 0 : static_cast<std::size_t>(current[0]);
  if (4 * desktop + 4 > areas.size()) desktop = 0;
  const long* area = &areas[4 * desktop];
  // Cardinals arrive as unsigned longs; a broken manager's huge values must not wrap around.
  const auto clamp = [](long value, long high) { return std::clamp<long>(value, 0, high); };
  const LONG left = static_cast<LONG>(clamp(area[0], screenWidth));
  const LONG top = static_cast<LONG>(clamp(area[1], screenHeight));
  const LONG right = static_cast<LONG>(clamp(area[0] + clamp(area[2], screenWidth), screenWidth));
  const LONG bottom = static_cast<LONG>(clamp(area[1] + clamp(area[3], screenHeight), screenHeight));
  if (right <= left || bottom <= top) return std::nullopt;
  return RECT{left, top, right, bottom};
}

int ReadWmState(Display* display, const X11Atoms& atoms, Window window) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  int state = WithdrawnState;
  if (XGetWindowProperty(display, window, atoms.wmState, 0, 2, False, atoms.wmState, &type, &format, &count,
                         &remaining, &data) == Success &&
      data != nullptr) {
    if (type == atoms.wmState && format == 32 && count >= 1) {
      state = static_cast<int>(reinterpret_cast<long*>(data)[0]);
    }
  }
  if (data != nullptr) XFree(data);
  return state;
}

}  // namespace x11
