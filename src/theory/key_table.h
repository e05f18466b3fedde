// SPDX-License-Identifier: GPL-3.0-or-later
// The fifteen major keys of the key selector, in the selector's item order, with the key index
// each stands for (its place on the circle of fifths: 1 = seven flats, 8 = C, 15 = seven sharps)
// and the MIDI file that plays it.
#pragma once

#include <span>
#include <string_view>

namespace theory {

inline constexpr int kKeyCount = 15;
inline constexpr int kNoKey = 0;  // no key chosen yet

struct KeyEntry {
  std::string_view itemText;      // cp1252: "Dó Maior - Nenhuma Alteração"
  int keyIndex;                   // 1..15
  std::string_view midiFileName;  // "do maior.MID"; no directory
};

// Items 0..14 in selector order: the sharp keys by number of sharps, then the flat keys.
std::span<const KeyEntry> KeyTable();
// The key index of selector item `item` (0..14); kNoKey outside.
int KeyIndexForItem(int item);
// The selector text of item `item`; empty outside 0..14.
std::string_view KeyItemText(int item);
// The MIDI file of key `keyIndex` (1..15); empty outside.
std::string_view MidiFileNameForKey(int keyIndex);
// The tonic's name: note-table entry keyIndex + 1; empty outside 1..15.
std::string_view TonicName(int keyIndex);

}  // namespace theory
