// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer entry for the window description parser: any byte string either parses or raises
// EReadError with its "Error reading ..." text; nothing else may escape, crash, hang or exhaust
// memory. A description that parses must name its window's class and name.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/exceptions.h"
#include "core/window_description.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    TDescription d = ParseWindowDescription(text, "FUZZ");
    if (d.window.className.empty() || d.window.name.empty()) std::abort();
    for (const TDescObject& c : d.controls) {
      if (c.className.empty() || c.name.empty()) std::abort();
    }
  } catch (const EReadError& e) {
    if (e.Message().rfind("Error reading ", 0) != 0) std::abort();
  }
  return 0;
}
