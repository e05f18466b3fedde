// SPDX-License-Identifier: GPL-3.0-or-later
#include "theory/key_table.h"

#include <array>

#include "theory/cp1252_text.h"
#include "theory/note_table.h"

namespace theory {
namespace {

struct KeyRow {
  Cp1252Literal itemText;
  int keyIndex;
  const char* midiFileName;
};

constexpr KeyRow kRows[kKeyCount] = {
    {"Dó Maior - Nenhuma Alteração", 8, "do maior.MID"},
    {"Sol Maior - 1 Sustenido", 9, "sol maior.MID"},
    {"Ré Maior - 2 Sustenidos", 10, "re maior.MID"},
    {"Lá Maior - 3 Sustenidos", 11, "la maior.MID"},
    {"Mi Maior - 4 Sustenidos", 12, "mi maior.MID"},
    {"Si Maior - 5 Sustenidos", 13, "si maior.MID"},
    {"Fá # Maior - 6 Sustenidos", 14, "fasus maior.MID"},
    {"Dó # Maior - 7 Sustenidos", 15, "dosus maior.MID"},
    {"Fá Maior - 1 Bemol", 7, "fa maior.MID"},
    {"Si b Maior - 2 Bemóis", 6, "sibem maior.MID"},
    {"Mi b Maior - 3 Bemóis", 5, "mibem maior.MID"},
    {"Lá b Maior - 4 Bemóis", 4, "labem maior.MID"},
    {"Ré b Maior - 5 Bemóis", 3, "rebem maior.MID"},
    {"Sol b Maior - 6 Bemóis", 2, "solbem maior.MID"},
    {"Dó b Maior - 7 Bemóis", 1, "dobem maior.MID"},
};

constexpr std::array<KeyEntry, kKeyCount> MakeEntries() {
  std::array<KeyEntry, kKeyCount> entries{};
  for (int i = 0; i < kKeyCount; ++i) {
    entries[i] = {kRows[i].itemText.View(), kRows[i].keyIndex, kRows[i].midiFileName};
  }
  return entries;
}

constexpr std::array<KeyEntry, kKeyCount> kEntries = MakeEntries();

}  // namespace

std::span<const KeyEntry> KeyTable() { return kEntries; }

int KeyIndexForItem(int item) {
  if (item < 0 || item >= kKeyCount) return kNoKey;
  return kEntries[item].keyIndex;
}

std::string_view KeyItemText(int item) {
  if (item < 0 || item >= kKeyCount) return {};
  return kEntries[item].itemText;
}

std::string_view MidiFileNameForKey(int keyIndex) {
  // The file follows the key index, not the item: the same fifteen pairs, looked up by index.
  for (const auto& entry : kEntries) {
    if (entry.keyIndex == keyIndex) return entry.midiFileName;
  }
  return {};
}

std::string_view TonicName(int keyIndex) {
  if (keyIndex < 1 || keyIndex > kKeyCount) return {};
  return NoteName(keyIndex + 1);
}

}  // namespace theory
