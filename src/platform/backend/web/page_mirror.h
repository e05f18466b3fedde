// SPDX-License-Identifier: GPL-3.0-or-later
// The page's mirror of the program's windows for screen readers (page/mirror.js): the platform's
// accessibility model, the same answers the AT-SPI bridge gives on a desktop, handed to the page
// as a list of objects that the page lays out as ARIA elements over its canvases. What a reader
// does through them comes back as the model's requests. Only in the WebAssembly build.
#pragma once

#include <string>

namespace web {

// Starts the mirror for this run of the platform (the run owns it and ends it before its windows).
void StartPageMirror();
// Something the model does not tell of changed (a window moved): the next refresh redraws.
void MarkPageMirrorStale();
// Hands the page the model as it is now, if it changed since the last time (the wait calls it
// before it yields, so a burst of changes is sent once).
void RefreshPageMirror();

// The model as the page reads it: one JSON object, {"focus": ID, "objects": [...]}, the objects in
// reading order, each with its id ("window_part"), its parent's id, role, name, states, bounds
// (screen pixels) and, where it has them, its text, its table cell place and its actions.
std::string DescribeForPage();

}  // namespace web
