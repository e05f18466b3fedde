// SPDX-License-Identifier: GPL-3.0-or-later
// The platform's own messages in the user's language. The platform stands in for the system, and
// the system's messages (sound output, file lookup, the multimedia service's error texts, start-up
// failures) follow LC_MESSAGES / LANG: through gettext, with the catalogue "tessivo" found beside
// the program (locale/ in the build folder, ../share/locale once installed). English, as written
// in the code, when no catalogue has the message. The program's own texts (its string table, the
// window's texts) never pass through here: they stay as written whatever the locale.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace base {

// `english` in the user's language, UTF-8; `english` itself when there is no translation. The
// pointer stays valid for the whole run.
const char* Translated(const char* english);

// `pattern` translated, then each "%s" in it replaced by the next of `values` in order (a "%s"
// left over is dropped; the values are never read as patterns themselves).
std::string TranslatedWith(const char* pattern, std::initializer_list<std::string_view> values);

}  // namespace base
