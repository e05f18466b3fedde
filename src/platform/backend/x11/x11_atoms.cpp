// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/backend/x11/x11_atoms.h"

#include <array>
#include <utility>

namespace x11 {

X11Atoms X11Atoms::Intern(Display* display) {
  X11Atoms atoms;
  const std::array<std::pair<const char*, Atom*>, 26> table = {{
      {"WM_PROTOCOLS", &atoms.wmProtocols},
      {"WM_DELETE_WINDOW", &atoms.wmDeleteWindow},
      {"WM_STATE", &atoms.wmState},
      {"WM_CHANGE_STATE", &atoms.wmChangeState},
      {"WM_CLIENT_LEADER", &atoms.wmClientLeader},
      {"UTF8_STRING", &atoms.utf8String},
      {"_NET_WM_NAME", &atoms.netWmName},
      {"_NET_WM_ICON_NAME", &atoms.netWmIconName},
      {"_NET_WM_ICON", &atoms.netWmIcon},
      {"_NET_WM_PID", &atoms.netWmPid},
      {"_NET_WM_WINDOW_TYPE", &atoms.netWmWindowType},
      {"_NET_WM_WINDOW_TYPE_NORMAL", &atoms.netWmWindowTypeNormal},
      {"_NET_WM_WINDOW_TYPE_DIALOG", &atoms.netWmWindowTypeDialog},
      {"_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", &atoms.netWmWindowTypeDropdownMenu},
      {"_NET_WM_STATE", &atoms.netWmState},
      {"_NET_WM_STATE_MODAL", &atoms.netWmStateModal},
      {"_NET_WM_STATE_SKIP_TASKBAR", &atoms.netWmStateSkipTaskbar},
      {"_NET_WM_STATE_HIDDEN", &atoms.netWmStateHidden},
      {"_NET_WM_STATE_MAXIMIZED_VERT", &atoms.netWmStateMaximizedVert},
      {"_NET_WM_STATE_MAXIMIZED_HORZ", &atoms.netWmStateMaximizedHorz},
      {"_NET_ACTIVE_WINDOW", &atoms.netActiveWindow},
      {"_NET_SUPPORTING_WM_CHECK", &atoms.netSupportingWmCheck},
      {"_NET_FRAME_EXTENTS", &atoms.netFrameExtents},
      {"_NET_WORKAREA", &atoms.netWorkarea},
      {"_NET_CURRENT_DESKTOP", &atoms.netCurrentDesktop},
      {"_MOTIF_WM_HINTS", &atoms.motifWmHints},
  }};
  std::array<char*, table.size()> names{};
  std::array<Atom, table.size()> values{};
  for (std::size_t i = 0; i < table.size(); ++i) {
    names[i] = const_cast<char*>(table[i].first);
  }
  // One request for all of them; atoms are never None once interned with only_if_exists False.
  XInternAtoms(display, names.data(), static_cast<int>(names.size()), False, values.data());
  for (std::size_t i = 0; i < table.size(); ++i) {
    *table[i].second = values[i];
  }
  return atoms;
}

}  // namespace x11
