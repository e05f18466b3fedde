// SPDX-License-Identifier: GPL-3.0-or-later
#include "theory/key_selection.h"

#include "theory/degree_layout.h"
#include "theory/key_table.h"

namespace theory {

void SelectKey(int item, int* keyIndex, const KeySelectionTarget& target) {
  if (const int chosen = KeyIndexForItem(item); chosen != kNoKey) *keyIndex = chosen;
  // No key yet (Backspace in "Armadura", a character that begins no key, a hand edit): the chords
  // and the file both need a key, and none was ever chosen, so the window stays as it is.
  if (*keyIndex == kNoKey) return;
  for (const DegreeCell& cell : DegreeLayout()) {
    target.writeChordCell(cell.column, ChordText(*keyIndex, DegreeForColumn(cell.column)));
  }
  target.setFileName(MidiFileNameForKey(*keyIndex));
  target.open();
}

}  // namespace theory
