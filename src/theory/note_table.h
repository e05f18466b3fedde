// SPDX-License-Identifier: GPL-3.0-or-later
// The 21 note names along the circle of fifths, from F flat (entry 1) to B sharp (entry 21).
//
// Because the entries follow the circle of fifths, the notes of a major key are seven neighbouring
// entries, which is what the key and degree tables build on.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace theory {

inline constexpr int kNoteCount = 21;

// The name of entry `index` (1..21), cp1252: "Fá b", "Dó", "Si #" ...; empty outside 1..21.
std::string_view NoteName(int index);
// The pitch class (C = 0 .. B = 11) of entry `index`; -1 outside 1..21.
int NotePitchClass(int index);
// The entry whose name is `name`, 0 if none.
int NoteIndexOfName(std::string_view name);

// The program's note table: empty until Fill, then entries 1..21 (there is no entry 0).
class NoteTable {
 public:
  void Fill();
  bool IsFilled() const { return m_filled; }
  // Entry `index`; empty before Fill and outside 1..21.
  std::string_view Entry(int index) const;

 private:
  std::array<std::string, kNoteCount + 1> m_entries;
  bool m_filled = false;
};

}  // namespace theory
