// SPDX-License-Identifier: GPL-3.0-or-later
// Clipboard text for the edit field: the program speaks cp1252, the desktop UTF-8.
#include "platform/window/combo/clipboard.h"

#include "base/cp1252.h"
#include "platform/backend/backend.h"
#include "platform/window/platform_state.h"

namespace combo {
namespace {

constexpr char kUnrepresentable = '?';

}  // namespace

void PutClipboardText(const std::string& cp1252) {
  if (window::PlatformState* running = window::RunningPlatform())
    running->backend.SetClipboardText(text::Cp1252ToUtf8(cp1252));
}

std::optional<std::string> ClipboardTextCp1252() {
  window::PlatformState* running = window::RunningPlatform();
  if (running == nullptr) return std::nullopt;
  std::optional<std::string> utf8 = running->backend.ClipboardText(kClipboardTimeoutMs);
  if (!utf8) return std::nullopt;
  return text::Utf8ToCp1252Replacing(*utf8, kUnrepresentable);
}

}  // namespace combo
