// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/translation.h"

#include <sys/stat.h>

#include <clocale>
#include <mutex>

#include "base/program_folder.h"

#ifndef __EMSCRIPTEN__
#include <libintl.h>
#endif

namespace base {
namespace {

#ifndef __EMSCRIPTEN__
constexpr char kDomain[] = "tessivo";

bool IsFolder(const std::string& path) {
  struct stat info{};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Once, at the first message: nothing of it costs a start that has nothing to say. Only the
// messages' category follows the user's locale here; numbers and character classes stay as the
// rest of the program set them.
void BindCatalogue() {
  std::setlocale(LC_MESSAGES, "");
  const std::string folder = ProgramFolder();
  // The build folder keeps the catalogue beside the program; an installed program keeps it under
  // share/ beside bin/, whatever the prefix. Else gettext's own folder (/usr/share/locale).
  if (!folder.empty()) {
    const std::string beside = folder + "/locale";
    const std::string installed = folder + "/../share/locale";
    if (IsFolder(beside)) {
      bindtextdomain(kDomain, beside.c_str());
    } else if (IsFolder(installed)) {
      bindtextdomain(kDomain, installed.c_str());
    }
  }
  // The messages travel in UTF-8 whatever the locale's character set; callers convert them for
  // the windows (cp1252) where they go there.
  bind_textdomain_codeset(kDomain, "UTF-8");
}
#endif

}  // namespace

const char* Translated(const char* english) {
  // gettext answers the empty message with the catalogue's header.
  if (english == nullptr || *english == '\0') return english;
#ifdef __EMSCRIPTEN__
  // A page has no catalogues: its messages stay as written.
  return english;
#else
  // The multimedia service's threads may ask too.
  static std::once_flag bound;
  std::call_once(bound, BindCatalogue);
  return dgettext(kDomain, english);
#endif
}

std::string TranslatedWith(const char* pattern, std::initializer_list<std::string_view> values) {
  const std::string_view text = Translated(pattern);
  std::string out;
  out.reserve(text.size() + 64);
  auto next = values.begin();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's') {
      if (next != values.end()) out += *next++;
      ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

}  // namespace base
