// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing a key: the chord row shows the key's seven chords (and the octave), and the media player
// is loaded with the key's MIDI file. The logic reaches the grid and the player only through the
// three operations it is given, so it knows nothing about windows.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace theory {

struct KeySelectionTarget {
  // Writes the chord text of one cell of the chord row (grid column 0..12).
  std::function<void(int column, const std::string& text)> writeChordCell;
  // Names the MIDI file the player is to open (a bare file name).
  std::function<void(std::string_view fileName)> setFileName;
  // Opens that file; raises what the player raises when it cannot.
  std::function<void()> open;
};

// The selector's item `item` (0..14 for a key; anything else when no list item is current)
// becomes the current key: `*keyIndex` follows the item, the chord row is written for the key
// index, and the key's file is named and opened. With no list item the previous key is shown and
// opened again; with no list item before any key was chosen there is nothing to show or open, and
// nothing is done.
void SelectKey(int item, int* keyIndex, const KeySelectionTarget& target);

}  // namespace theory
