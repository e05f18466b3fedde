// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard as the edit field uses it: cp1252 text in and out, through the backend's
// CLIPBOARD selection (internal to the platform layer).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <optional>
#include <string>

namespace combo {

// How long a paste waits for the clipboard's owner before it gives up.
inline constexpr int kClipboardTimeoutMs = 1000;

void PutClipboardText(const std::string& cp1252);
// The clipboard's text in cp1252, with "?" for each character the code page cannot hold;
// nothing when there is no text or its owner did not answer in time.
std::optional<std::string> ClipboardTextCp1252();

}  // namespace combo
