// SPDX-License-Identifier: GPL-3.0-or-later
// Keyboard text through the X input method, so that dead keys and compose sequences produce the
// characters a user of a Portuguese keyboard expects ("ô" typed as ^ then o).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <X11/Xlib.h>

#include <string>

namespace x11 {

// Makes LC_CTYPE a locale Xlib supports, preferring UTF-8: a plain "C" locale (what a service or
// a bare shell often has) gets C.UTF-8 or en_US.UTF-8 instead, whose compose tables know the
// dead keys. Only the character type category is touched. Called, once, before the first use of
// Xlib's locale machinery (the input method at the first key, a window name outside Latin-1), not
// at start: loading that machinery costs about 0.3 MB and 1 ms that the first frame does not need.
void PrepareXlibLocale();

class X11InputMethod {
 public:
  // Opens the input method of the locale (none when TESSIVO_NO_XIM is set); without one the
  // keyboard still works, through the plain keysym lookup (no dead keys).
  explicit X11InputMethod(Display* display);
  ~X11InputMethod();
  X11InputMethod(const X11InputMethod&) = delete;
  X11InputMethod& operator=(const X11InputMethod&) = delete;

  bool IsOpen() const { return m_im != nullptr; }
  // Changes when the input method goes away: contexts made before are dead and must be dropped
  // without being destroyed.
  unsigned Generation() const { return m_generation; }
  // An input context for a top-level window (nullptr without an input method), and the events
  // the method needs to see on that window.
  XIC CreateContext(Window window) const;
  static long FilterEvents(XIC context);

 private:
  static void OnDestroyed(XIM im, XPointer clientData, XPointer callData);

  XIM m_im = nullptr;
  XIMStyle m_style = 0;
  unsigned m_generation = 0;
};

// What a key press means: its keysym and the characters it produced (UTF-8; empty for keys that
// type nothing and for the first key of a dead-key sequence, which the input method swallows).
struct KeyMeaning {
  KeySym keysym = NoSymbol;
  std::string textUtf8;
};
KeyMeaning LookupKeyPress(XKeyEvent* event, XIC context);
KeySym LookupKeyRelease(XKeyEvent* event);

}  // namespace x11
