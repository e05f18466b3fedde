// SPDX-License-Identifier: GPL-3.0-or-later
#include "theory/note_table.h"

#include "theory/cp1252_text.h"

namespace theory {
namespace {

constexpr Cp1252Literal kNames[kNoteCount + 1] = {
    "",   "Fá b", "Dó b", "Sol b", "Ré b", "Lá b", "Mi b",  "Si b", "Fá",   "Dó",   "Sol",
    "Ré", "Lá",   "Mi",   "Si",    "Fá #", "Dó #", "Sol #", "Ré #", "Lá #", "Mi #", "Si #"};

}  // namespace

std::string_view NoteName(int index) {
  if (index < 1 || index > kNoteCount) return {};
  return kNames[index].View();
}

int NotePitchClass(int index) {
  if (index < 1 || index > kNoteCount) return -1;
  // Entry 9 is C; each step along the circle of fifths adds seven semitones.
  return (((index - 9) * 7) % 12 + 12) % 12;
}

int NoteIndexOfName(std::string_view name) {
  for (int i = 1; i <= kNoteCount; ++i) {
    if (kNames[i].View() == name) return i;
  }
  return 0;
}

void NoteTable::Fill() {
  for (int i = 1; i <= kNoteCount; ++i) m_entries[i] = std::string(NoteName(i));
  m_filled = true;
}

std::string_view NoteTable::Entry(int index) const {
  if (index < 1 || index > kNoteCount) return {};
  return m_entries[index];
}

}  // namespace theory
