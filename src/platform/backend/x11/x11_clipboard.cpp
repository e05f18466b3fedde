// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/backend/x11/x11_clipboard.h"

#include <X11/Xatom.h>
#include <poll.h>

#include <array>
#include <cerrno>

#include "base/utf8.h"
#include "platform/backend/x11/x11_errors.h"

namespace x11 {
namespace {

constexpr long kMaxPropertyLongs = 1 << 20;  // 4 MB: far more than any text a field holds
constexpr char kUnrepresentable = '?';
constexpr char32_t kLastLatin1 = 0xFF;
constexpr int kBytesFormat = 8;  // property formats: items of 8 or 32 bits
constexpr int kAtomsFormat = 32;

// Latin-1 is what the STRING target carries: each byte is the character of the same number.
std::string Latin1ToUtf8(const std::string& latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (unsigned char c : latin1) text::AppendUtf8(out, c);
  return out;
}

// A character Latin-1 cannot hold, and each ill-formed UTF-8 stretch, becomes kUnrepresentable:
// the program asking for STRING gets the text's shape with its losses marked.
std::string Utf8ToLatin1(const std::string& utf8) {
  std::string out;
  text::ForEachCodePoint(utf8, text::IllFormedUtf8::kReplace, [&](char32_t codePoint) {
    out.push_back(codePoint <= kLastLatin1 ? static_cast<char>(codePoint) : kUnrepresentable);
  });
  return out;
}

}  // namespace

X11Clipboard::X11Clipboard(Display* display, Window root, std::function<std::uint64_t()> now)
    : m_display(display), m_now(std::move(now)) {
  XSetWindowAttributes attributes{};
  attributes.event_mask = PropertyChangeMask;
  m_helper =
      XCreateWindow(display, root, -1, -1, 1, 1, 0, 0, InputOnly, CopyFromParent, CWEventMask, &attributes);
  std::array<char*, 5> names = {const_cast<char*>("CLIPBOARD"), const_cast<char*>("TARGETS"),
                                const_cast<char*>("UTF8_STRING"), const_cast<char*>("INCR"),
                                const_cast<char*>("TESSIVO_CLIPBOARD")};
  std::array<Atom, 5> atoms{};
  XInternAtoms(display, names.data(), static_cast<int>(names.size()), False, atoms.data());
  m_clipboard = atoms[0];
  m_targets = atoms[1];
  m_utf8 = atoms[2];
  m_incr = atoms[3];
  m_property = atoms[4];
}

X11Clipboard::~X11Clipboard() {
  if (m_helper != 0) XDestroyWindow(m_display, m_helper);
}

void X11Clipboard::SetText(const std::string& utf8, Time time) {
  m_text = utf8;
  XSetSelectionOwner(m_display, m_clipboard, m_helper, time);
  // The server refuses ownership for a time older than the current owner's.
  m_owned = XGetSelectionOwner(m_display, m_clipboard) == m_helper;
  if (!m_owned) m_text.clear();
}

bool X11Clipboard::HandleEvent(XEvent& event) {
  if (event.type == SelectionRequest && event.xselectionrequest.owner == m_helper) {
    Answer(event.xselectionrequest);
    return true;
  }
  if (event.type == SelectionClear && event.xselectionclear.window == m_helper) {
    if (event.xselectionclear.selection == m_clipboard) {
      m_owned = false;
      m_text.clear();
    }
    return true;
  }
  return event.xany.window == m_helper;
}

void X11Clipboard::Answer(const XSelectionRequestEvent& request) {
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.display = m_display;
  reply.requestor = request.requestor;
  reply.selection = request.selection;
  reply.target = request.target;
  reply.time = request.time;
  // Clients of the old protocol leave the property out and mean the target's name.
  const Atom property = request.property != None ? request.property : request.target;
  reply.property = None;
  // The requestor may be gone by now: its window errors are not ours to report.
  ErrorTrap trap(m_display);
  if (m_owned && request.selection == m_clipboard) {
    if (request.target == m_targets) {
      const std::array<Atom, 3> offered = {m_targets, m_utf8, XA_STRING};
      XChangeProperty(m_display, request.requestor, property, XA_ATOM, kAtomsFormat, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(offered.data()),
                      static_cast<int>(offered.size()));
      reply.property = property;
    } else if (request.target == m_utf8 || request.target == XA_STRING) {
      const std::string data = request.target == m_utf8 ? m_text : Utf8ToLatin1(m_text);
      XChangeProperty(m_display, request.requestor, property, request.target, kBytesFormat, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
      reply.property = property;
    }
  }
  XSendEvent(m_display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
  XFlush(m_display);
  (void)trap.Failed();
}

std::optional<std::string> X11Clipboard::Text(int timeoutMs, Time time) {
  // The server knows the owner now; the SelectionClear that tells us may still be on its way.
  const Window owner = XGetSelectionOwner(m_display, m_clipboard);
  if (m_owned && owner == m_helper) return m_text;
  m_owned = false;
  if (owner == None) return std::nullopt;
  const std::uint64_t start = m_now();
  bool refused = false;
  std::optional<std::string> text = Convert(m_utf8, timeoutMs, time, &refused);
  if (text || !refused) return text;
  // An owner that knows no UTF-8 may still give Latin-1.
  const int left = timeoutMs - static_cast<int>(m_now() - start);
  if (left <= 0) return std::nullopt;
  text = Convert(XA_STRING, left, time, &refused);
  if (text) return Latin1ToUtf8(*text);
  return std::nullopt;
}

std::optional<std::string> X11Clipboard::Convert(Atom target, int timeoutMs, Time time, bool* refused) {
  *refused = false;
  XDeleteProperty(m_display, m_helper, m_property);
  XConvertSelection(m_display, m_clipboard, target, m_property, m_helper, time);
  XEvent event;
  if (!WaitForNotify(&event, target, timeoutMs)) return std::nullopt;
  if (event.xselection.property == None) {
    *refused = true;
    return std::nullopt;
  }
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  // Read without deleting: deleting an INCR answer would ask the owner for its pieces, and a
  // piecewise transfer is not followed.
  const int status = XGetWindowProperty(m_display, m_helper, m_property, 0, kMaxPropertyLongs, False,
                                        AnyPropertyType, &type, &format, &count, &after, &data);
  std::optional<std::string> result;
  if (status == Success && data != nullptr && format == kBytesFormat && after == 0 &&
      (type == m_utf8 || type == XA_STRING)) {
    result = std::string(reinterpret_cast<const char*>(data), count);
  }
  if (data != nullptr) XFree(data);
  if (type == m_incr) {
    // Left as it is for its owner, and never used again (see m_property).
    const std::string fresh = "TESSIVO_CLIPBOARD_" + std::to_string(++m_propertyGeneration);
    m_property = XInternAtom(m_display, fresh.c_str(), False);
  } else {
    XDeleteProperty(m_display, m_helper, m_property);
  }
  return result;
}

bool X11Clipboard::WaitForNotify(XEvent* out, Atom target, int timeoutMs) {
  const std::uint64_t deadline = m_now() + static_cast<std::uint64_t>(timeoutMs > 0 ? timeoutMs : 0);
  XFlush(m_display);
  for (;;) {
    // Every other event stays in Xlib's queue for the loop to handle afterwards.
    if (XCheckTypedWindowEvent(m_display, m_helper, SelectionNotify, out)) {
      // An answer to an earlier request that timed out is not this one's.
      if (out->xselection.selection == m_clipboard && out->xselection.target == target) return true;
      continue;
    }
    const std::uint64_t now = m_now();
    if (now >= deadline) return false;
    pollfd fd{ConnectionNumber(m_display), POLLIN, 0};
    const int ready = poll(&fd, 1, static_cast<int>(deadline - now));
    if (ready < 0 && errno != EINTR) return false;
    // Reads what arrived into Xlib's queue (a lost connection ends the program in its handler).
    if (ready > 0) XEventsQueued(m_display, QueuedAfterReading);
  }
}

}  // namespace x11
