// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/backend/x11/x11_input_method.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

#include "base/utf8.h"

namespace x11 {

namespace {

bool PlainLocale(const char* name) {
  return name == nullptr || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0;
}

// Without an input method Xlib writes a key's characters in the locale's encoding, but a Latin-1
// keysym may still come as its one Latin-1 byte (Xlib's fallback when the locale has no converter
// for it). A byte the locale's multibyte reader refuses is therefore taken as the Latin-1
// character it names, deliberately, rather than lost.
char32_t Latin1Character(unsigned char byte) { return byte; }

XIMStyle ChooseStyle(XIM im) {
  XIMStyles* styles = nullptr;
  if (XGetIMValues(im, XNQueryInputStyle, &styles, nullptr) != nullptr || styles == nullptr) {
    return 0;
  }
  // We draw no preedit or status area of our own: the method either composes silently (dead
  // keys, compose) or shows its own windows.
  const XIMStyle preferred[] = {XIMPreeditNothing | XIMStatusNothing, XIMPreeditNone | XIMStatusNone};
  XIMStyle chosen = 0;
  for (XIMStyle want : preferred) {
    for (unsigned short i = 0; i < styles->count_styles && chosen == 0; ++i) {
      if (styles->supported_styles[i] == want) chosen = want;
    }
    if (chosen != 0) break;
  }
  XFree(styles);
  return chosen;
}

}  // namespace

void PrepareXlibLocale() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  const char* current = std::setlocale(LC_CTYPE, "");
  if (PlainLocale(current) || !XSupportsLocale()) {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      if (std::setlocale(LC_CTYPE, name) != nullptr && XSupportsLocale()) break;
    }
  }
  if (!XSupportsLocale()) std::setlocale(LC_CTYPE, "C");
  XSetLocaleModifiers("");
}

X11InputMethod::X11InputMethod(Display* display) {
  // A way out when an input method misbehaves: keys then type what their keysyms say.
  const char* disabled = std::getenv("TESSIVO_NO_XIM");
  if (disabled != nullptr && disabled[0] != '\0' && std::strcmp(disabled, "0") != 0) return;
  m_im = XOpenIM(display, nullptr, nullptr, nullptr);
  if (m_im == nullptr) {
    // XMODIFIERS names an input method server that is not running: Xlib's own method (the
    // locale's compose table) still handles dead keys.
    XSetLocaleModifiers("@im=none");
    m_im = XOpenIM(display, nullptr, nullptr, nullptr);
  }
  if (m_im == nullptr) return;
  m_style = ChooseStyle(m_im);
  if (m_style == 0) {
    XCloseIM(m_im);
    m_im = nullptr;
    return;
  }
  // An input method server can go away (restarted with the session); its contexts die with it.
  XIMCallback destroyed;
  destroyed.client_data = reinterpret_cast<XPointer>(this);
  destroyed.callback = &X11InputMethod::OnDestroyed;
  XSetIMValues(m_im, XNDestroyCallback, &destroyed, nullptr);
}

void X11InputMethod::OnDestroyed(XIM, XPointer clientData, XPointer) {
  auto* self = reinterpret_cast<X11InputMethod*>(clientData);
  self->m_im = nullptr;
  ++self->m_generation;
}

X11InputMethod::~X11InputMethod() {
  if (m_im != nullptr) XCloseIM(m_im);
}

XIC X11InputMethod::CreateContext(Window window) const {
  if (m_im == nullptr) return nullptr;
  return XCreateIC(m_im, XNInputStyle, m_style, XNClientWindow, window, XNFocusWindow, window, nullptr);
}

long X11InputMethod::FilterEvents(XIC context) {
  long mask = 0;
  if (context != nullptr && XGetICValues(context, XNFilterEvents, &mask, nullptr) != nullptr) {
    mask = 0;
  }
  return mask;
}

KeyMeaning LookupKeyPress(XKeyEvent* event, XIC context) {
  KeyMeaning meaning;
  if (context != nullptr) {
    std::vector<char> buffer(64);
    Status status = XLookupNone;
    int length = Xutf8LookupString(context, event, buffer.data(), static_cast<int>(buffer.size()),
                                   &meaning.keysym, &status);
    if (status == XBufferOverflow) {
      buffer.resize(static_cast<std::size_t>(length) + 1);
      length = Xutf8LookupString(context, event, buffer.data(), static_cast<int>(buffer.size()),
                                 &meaning.keysym, &status);
    }
    if (status != XLookupKeySym && status != XLookupBoth) meaning.keysym = NoSymbol;
    if ((status == XLookupChars || status == XLookupBoth) && length > 0) {
      meaning.textUtf8.assign(buffer.data(), static_cast<std::size_t>(length));
    }
  } else {
    // No input method: the keysym's own characters, which Xlib gives in the locale's encoding
    // (UTF-8 after PrepareInputLocale; a byte that does not decode: see Latin1Character).
    char bytes[32] = {};
    const int length = XLookupString(event, bytes, sizeof bytes, &meaning.keysym, nullptr);
    std::mbstate_t state{};
    for (int i = 0; i < length;) {
      wchar_t wide = 0;
      const std::size_t used = std::mbrtowc(&wide, bytes + i, static_cast<std::size_t>(length - i), &state);
      if (used == 0 || used > static_cast<std::size_t>(length - i)) {
        text::AppendUtf8(meaning.textUtf8, Latin1Character(static_cast<unsigned char>(bytes[i])));
        state = std::mbstate_t{};
        ++i;
        continue;
      }
      text::AppendUtf8(meaning.textUtf8, static_cast<char32_t>(wide));
      i += static_cast<int>(used);
    }
  }
  // Xlib types DEL for the Delete key; the message-based keyboard types nothing for it.
  if (meaning.keysym == XK_Delete || meaning.keysym == XK_KP_Delete) meaning.textUtf8.clear();
  return meaning;
}

KeySym LookupKeyRelease(XKeyEvent* event) {
  KeySym keysym = NoSymbol;
  char ignored[8];
  XLookupString(event, ignored, sizeof ignored, &keysym, nullptr);
  return keysym;
}

}  // namespace x11
