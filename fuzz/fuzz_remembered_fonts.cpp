// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer entry for the reader of the remembered font answers: any byte string is either
// refused or read back, with no memory error, undefined behaviour, hang or runaway allocation.
// What it reads must survive the trip through the writer: written again and read back, the same
// text, so nothing the reader accepts is lost or changed at the next start.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/gfx/remembered_fonts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  gfx::RememberedAnswers read;
  if (!gfx::RememberedAnswers::Parse(text, &read)) return 0;
  for (const gfx::RememberedAnswers::Answer& answer : read.answers) {
    if (answer.match.index < 0 || answer.fontFile.path.empty() || answer.match.file != answer.fontFile.path)
      std::abort();
  }
  const std::string written = read.Text();
  gfx::RememberedAnswers again;
  if (!gfx::RememberedAnswers::Parse(written, &again) || again.Text() != written) std::abort();
  return 0;
}
