// SPDX-License-Identifier: GPL-3.0-or-later
// The CLIPBOARD selection (ICCCM): the program owns it after a copy and answers other clients'
// requests for UTF8_STRING, STRING (Latin-1) and TARGETS; a paste asks the owner for its text
// through a property on a hidden window of our own and waits a bounded time for the answer.
// Transfers in pieces (INCR) are refused: the key selector's texts are short.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace x11 {

class X11Clipboard {
 public:
  // `now` gives the monotonic milliseconds that bound a paste's wait.
  X11Clipboard(Display* display, Window root, std::function<std::uint64_t()> now);
  ~X11Clipboard();
  X11Clipboard(const X11Clipboard&) = delete;
  X11Clipboard& operator=(const X11Clipboard&) = delete;

  // `time` is the server time of the user's action that asked for it (CurrentTime if unknown).
  void SetText(const std::string& utf8, Time time);
  std::optional<std::string> Text(int timeoutMs, Time time);
  // Selection requests and the loss of ownership; true when the event was ours.
  bool HandleEvent(XEvent& event);
  Window HelperWindow() const { return m_helper; }

 private:
  void Answer(const XSelectionRequestEvent& request);
  // Asks for one target; nothing when the owner refused it, answered in pieces or too late.
  std::optional<std::string> Convert(Atom target, int timeoutMs, Time time, bool* refused);
  bool WaitForNotify(XEvent* out, Atom target, int timeoutMs);

  Display* m_display;
  Window m_helper = 0;
  std::function<std::uint64_t()> m_now;
  Atom m_clipboard = 0;
  Atom m_targets = 0;
  Atom m_utf8 = 0;
  Atom m_incr = 0;
  // Where answers are asked to be put. An owner that answered in pieces keeps watching the one it
  // was given (it sends its next piece when the property is deleted), so after such an answer the
  // next request gets a fresh one: the old owner's pieces can never pass for a new answer.
  Atom m_property = 0;
  int m_propertyGeneration = 0;
  bool m_owned = false;
  std::string m_text;  // UTF-8, while owned
};

}  // namespace x11
