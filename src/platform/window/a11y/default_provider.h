// SPDX-License-Identifier: GPL-3.0-or-later
// The platform's answer for a window that does not answer for itself (internal to the platform
// layer): what its class, style and text say.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include "platform/accessibility.h"

namespace a11y {

// A provider for one window, answering from the window's class, style and text:
// - a top-level window with a caption is a frame named by it, a caption-less one a window;
// - anything else is a panel, its children its child windows in z-order.
class WindowProvider : public Provider {
 public:
  explicit WindowProvider(HWND hwnd) : m_hwnd(hwnd) {}

  Role RoleOf(ChildId child) const override;
  std::string NameOf(ChildId child) const override;
  StateSet StatesOf(ChildId child) const override;
  RECT BoundsOf(ChildId child) const override;
  std::vector<ObjectRef> ChildrenOf(ChildId child) const override;
  void GrabFocus(ChildId child) override;

  HWND Window() const { return m_hwnd; }

 private:
  HWND m_hwnd;
};

// Helpers every provider of a window may share.
// The window's text (cp1252); empty for no window.
std::string WindowTextOf(HWND hwnd);
// The states any window has from its style, visibility, focus and activation.
StateSet WindowStates(HWND hwnd);
RECT WindowScreenRect(HWND hwnd);
// Child windows in z-order, as references.
std::vector<ObjectRef> ChildWindows(HWND hwnd);

// The platform's provider for the window, made on first use and kept while the run lasts.
Provider* DefaultProviderOf(HWND hwnd);

}  // namespace a11y
