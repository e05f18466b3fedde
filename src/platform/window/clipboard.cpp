// Clipboard text for the edit field: the program speaks cp1252, the desktop UTF-8.
#include "platform/window/clipboard.h"

#include "base/cp1252.h"
#include "platform/backend/backend.h"

namespace wincore {
namespace {

constexpr char kUnrepresentable = '?';

}  // namespace

void PutClipboardText(const std::string& cp1252) {
  if (Backend* backend = CurrentBackend()) backend->SetClipboardText(text::Cp1252ToUtf8(cp1252));
}

std::optional<std::string> ClipboardTextCp1252() {
  Backend* backend = CurrentBackend();
  if (backend == nullptr) return std::nullopt;
  std::optional<std::string> utf8 = backend->ClipboardText(kClipboardTimeoutMs);
  if (!utf8) return std::nullopt;
  return text::Utf8ToCp1252Replacing(*utf8, kUnrepresentable);
}

}  // namespace wincore
