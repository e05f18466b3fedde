// SPDX-License-Identifier: GPL-3.0-or-later
// Font matches remembered from one run to the next.
//
// Loading fontconfig's configuration (some fifty XML files parsed, its caches mapped and walked)
// costs about 7 ms of processor time, some two fifths of a whole start's, and 1.1 MB of resident
// memory at the first frame (measured: TESSIVO_REMEMBER_FONTS=0 against a usual start, medians of
// 40 or more starts each), more than anything else before the first frame, only to answer the
// same question each time: which file holds Liberation Sans at this weight. So the answers are
// kept in the user's cache directory together with what they depended on:
//   - the environment variables fontconfig reads (its files, the home and XDG places, the
//     language);
//   - the modification time and size of every configuration file and folder fontconfig read, of
//     every font folder it scanned, and of the user's configuration places, present or not;
//   - the modification time and size of the font file answered.
// A start whose inputs all stat the same takes the answer without loading fontconfig at all. Any
// difference (a font package installed or removed, a configuration edited or added, another
// language) and the question goes to fontconfig again, whose answer then replaces the file.
//
// The file is read and written with plain system calls (the program uses no C++ streams, whose
// start-up would cost what this saves). It is only ever a shortcut: one that is missing,
// unreadable, damaged or hostile is ignored (as is anything but a regular file: a link, or a FIFO
// that would hold the start up), one that cannot be written is not written, and neither is ever
// reported. It is written under a fresh name beside it, created exclusively and private to the
// user, then renamed over it. TESSIVO_REMEMBER_FONTS=0 turns it off: every start asks fontconfig.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gfx {

struct FontMatch {
  std::string file;
  int index = 0;  // the face inside the file
  std::string family;
  int weight = 0;  // fontconfig's weight and slant scales
  int slant = 0;
};

// What a path looked like when it was statted: missing paths count too (one that appears later
// changes the answer as much as one that changes).
struct PathState {
  std::string path;
  std::int64_t modifiedNs = -1;  // -1: the path did not exist
  std::int64_t size = -1;

  static PathState Of(const std::string& path);
  bool operator==(const PathState&) const = default;
};

// What the file holds: the environment and the inputs the answers depend on, and the answers.
struct RememberedAnswers {
  struct Answer {
    std::string key;  // the question, as the lookup files it
    FontMatch match;
    PathState fontFile;  // match.file when it was answered
  };
  std::string environment;
  std::vector<PathState> inputs;
  std::vector<Answer> answers;

  // The file's text.
  std::string Text() const;
  // Reads back what Text() writes; false when there is anything else (a line or a field it never
  // writes, a number out of range, more answers or inputs than are ever kept).
  static bool Parse(std::string_view text, RememberedAnswers* out);
};

class RememberedFonts {
 public:
  // Remembers in `file`; an empty path remembers nothing.
  explicit RememberedFonts(std::string file);

  // $XDG_CACHE_HOME/tessivo/font-matches, else ~/.cache/tessivo/font-matches; empty when
  // neither place is known or TESSIVO_REMEMBER_FONTS=0 turns the answers off.
  static std::string DefaultFile();
  // The environment fontconfig's answers depend on, as one string.
  static std::string Environment();

  // The remembered answer for `key` under `environment`, or nullptr. The file is read at the
  // first question (and again when the environment differs from the one it was read for); its
  // inputs are checked then, the font file at every answer.
  const FontMatch* Find(const std::string& key, const std::string& environment);

  // Adds fontconfig's answer and rewrites the file. `inputs` are the states of what fontconfig
  // read, taken when it read them (so an edit made later, while this run goes on, still counts
  // as a change at the next start).
  void Remember(const std::string& key, const std::string& environment, const FontMatch& match,
                const std::vector<PathState>& inputs);

 private:
  void Load(const std::string& environment);
  void Save() const;

  std::string m_file;
  bool m_loaded = false;
  // The environment is the one the answers belong to; the inputs are empty until an answer (read
  // or new) has inputs.
  RememberedAnswers m_answers;
};

}  // namespace gfx
