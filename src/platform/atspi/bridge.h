// SPDX-License-Identifier: GPL-3.0-or-later
// The accessibility bridge: the program's windows offered to screen readers over AT-SPI2
// (internal to the platform layer; built as the module tessivo-atspi.so, bridge_loader.h).
//
// It starts when the loop first goes idle with the main window on screen, so the first frame
// never waits for it, and only when the desktop has an accessibility bus (bus_probe.h); until
// then neither the module nor D-Bus is loaded. With a bus but accessibility off, it only listens on the
// session bus for the switch (org.a11y.Status), and registers once a screen reader turns it on.
// TESSIVO_A11Y=0 keeps it off, =1 registers whatever the switch says.
//
// Everything runs on the UI thread, in the loop: the buses' sockets wait with the display's, the
// library's time-outs are the platform's timers, and no call waits for an answer. A bus that goes
// away, a registry that never answers or a reader's malformed request leave the program running
// without accessibility (or answering with an error), with at most one line on stderr.
#pragma once

#include <string>

namespace atspi {

// Whether a listener's event pattern ("object:state-changed:", "window:") covers an event
// ("object:state-changed:focused"): each non-empty part of the pattern equals the event's part at
// its place. Events nobody listens to are not sent.
bool EventPatternCovers(const std::string& pattern, const std::string& event);

}  // namespace atspi
