// SPDX-License-Identifier: GPL-3.0-or-later
// The note, key and degree tables: every key's chord row, file name and tonic, the selector items,
// and the header texts, checked against the musical facts they encode.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "base/cp1252.h"
#include "theory/degree_layout.h"
#include "theory/key_table.h"
#include "theory/note_table.h"

using namespace theory;

namespace {

// Test texts are written in UTF-8 here and compared in the program's code page.
std::string Cp(std::string_view utf8) { return text::Utf8ToCp1252(utf8); }

std::vector<std::string> ChordRow(int keyIndex) {
  std::vector<std::string> row;
  for (int d = 0; d < kDegreeCount; ++d) row.push_back(ChordText(keyIndex, d));
  return row;
}

std::vector<std::string> CpAll(std::initializer_list<const char*> utf8) {
  std::vector<std::string> out;
  for (const char* s : utf8) out.push_back(Cp(s));
  return out;
}

}  // namespace

TEST(TheoryNoteTable, NamesFollowTheCircleOfFifthsInTheCodePage) {
  EXPECT_EQ(NoteName(1), Cp("Fá b"));
  EXPECT_EQ(NoteName(2), Cp("Dó b"));
  EXPECT_EQ(NoteName(4), Cp("Ré b"));
  EXPECT_EQ(NoteName(9), Cp("Dó"));
  EXPECT_EQ(NoteName(15), Cp("Fá #"));
  EXPECT_EQ(NoteName(21), Cp("Si #"));
  EXPECT_EQ(NoteName(2)[1], '\xF3');  // ó is 0xF3
  EXPECT_EQ(NoteName(1)[1], '\xE1');  // á is 0xE1
  EXPECT_EQ(NoteName(4)[1], '\xE9');  // é is 0xE9
  EXPECT_TRUE(NoteName(0).empty());
  EXPECT_TRUE(NoteName(22).empty());
  // Neighbours are a fifth apart: seven semitones.
  for (int i = 1; i < kNoteCount; ++i) {
    EXPECT_EQ((NotePitchClass(i) + 7) % 12, NotePitchClass(i + 1)) << i;
  }
  EXPECT_EQ(NotePitchClass(9), 0);   // C
  EXPECT_EQ(NotePitchClass(1), 4);   // F flat sounds as E
  EXPECT_EQ(NotePitchClass(21), 0);  // B sharp sounds as C
  EXPECT_EQ(NoteIndexOfName(Cp("Sol #")), 17);
  EXPECT_EQ(NoteIndexOfName("H"), 0);
}

TEST(TheoryNoteTable, TheProgramsTableIsEmptyUntilFilled) {
  NoteTable table;
  EXPECT_FALSE(table.IsFilled());
  EXPECT_TRUE(table.Entry(9).empty());
  table.Fill();
  ASSERT_TRUE(table.IsFilled());
  for (int i = 1; i <= kNoteCount; ++i) EXPECT_EQ(table.Entry(i), NoteName(i)) << i;
  EXPECT_TRUE(table.Entry(0).empty());
  EXPECT_TRUE(table.Entry(22).empty());
}

TEST(TheoryKeyTable, ItemsMapToKeyIndexAndFileName) {
  ASSERT_EQ(KeyTable().size(), 15u);
  EXPECT_EQ(KeyItemText(0), Cp("Dó Maior - Nenhuma Alteração"));
  EXPECT_EQ(KeyIndexForItem(0), 8);
  EXPECT_EQ(MidiFileNameForKey(8), "do maior.MID");
  // Item 8 and item 6.
  EXPECT_EQ(KeyItemText(8), Cp("Fá Maior - 1 Bemol"));
  EXPECT_EQ(KeyIndexForItem(8), 7);
  EXPECT_EQ(MidiFileNameForKey(KeyIndexForItem(8)), "fa maior.MID");
  EXPECT_EQ(KeyItemText(6), Cp("Fá # Maior - 6 Sustenidos"));
  EXPECT_EQ(KeyIndexForItem(6), 14);
  EXPECT_EQ(MidiFileNameForKey(KeyIndexForItem(6)), "fasus maior.MID");
  EXPECT_EQ(KeyItemText(14), Cp("Dó b Maior - 7 Bemóis"));
  EXPECT_EQ(MidiFileNameForKey(1), "dobem maior.MID");
  EXPECT_EQ(MidiFileNameForKey(15), "dosus maior.MID");
  EXPECT_EQ(KeyIndexForItem(-1), kNoKey);
  EXPECT_EQ(KeyIndexForItem(15), kNoKey);
  EXPECT_TRUE(MidiFileNameForKey(0).empty());
  EXPECT_TRUE(MidiFileNameForKey(16).empty());
}

TEST(TheoryKeyTable, SharpKeysThenFlatKeysWithTheirAccidentalCountsAndTonics) {
  std::set<int> seen;
  for (int item = 0; item < kKeyCount; ++item) {
    const int k = KeyIndexForItem(item);
    seen.insert(k);
    // Sharp keys rise from 8 to 15, then flat keys fall from 7 to 1.
    EXPECT_EQ(k, item <= 7 ? 8 + item : 15 - item) << item;
    const std::string text(KeyItemText(item));
    // The item begins with the tonic's name: note-table entry k + 1.
    EXPECT_EQ(text.substr(0, TonicName(k).size()), TonicName(k)) << item;
    EXPECT_EQ(text.substr(TonicName(k).size(), 9), " Maior - ") << item;
    // Distance from C on the circle of fifths is the number of sharps or flats.
    const int accidentals = k >= 8 ? k - 8 : 8 - k;
    if (accidentals == 0) {
      EXPECT_NE(text.find("Nenhuma"), std::string::npos);
    } else {
      const std::string count = text.substr(text.find(" - ") + 3);
      EXPECT_EQ(count[0], '0' + accidentals) << item;
      EXPECT_NE(text.find(k > 8 ? "Sustenido" : "Bem"), std::string::npos) << item;
    }
    // File names: lower case, unaccented note name, "sus"/"bem", one blank, ".MID".
    const std::string file(MidiFileNameForKey(k));
    EXPECT_EQ(file.size() - file.rfind(" maior.MID"), 10u) << file;
    for (char c : file.substr(0, file.size() - 4)) EXPECT_TRUE(c == ' ' || (c >= 'a' && c <= 'z')) << file;
    const bool sharp = text.find('#') != std::string::npos;
    const bool flat = text.find(" b ") != std::string::npos;
    EXPECT_EQ(file.find("sus") != std::string::npos, sharp) << file;
    EXPECT_EQ(file.find("bem") != std::string::npos, flat) << file;
  }
  EXPECT_EQ(seen.size(), 15u);
}

TEST(TheoryDegreeLayout, ColumnsAreSemitonesAboveTheTonicAndHeadersInBothLabellings) {
  const auto layout = DegreeLayout();
  ASSERT_EQ(layout.size(), 8u);
  const int columns[] = {0, 2, 4, 5, 7, 9, 11, 12};
  const char* functions[] = {"Tônica",    "Sobretônica", "Mediante", "Subdominante",
                             "Dominante", "Submediante", "Sensível", "Tônica"};
  const char* numerals[] = {"I", "ii", "iii", "IV", "V", "vi", "vii°", "I"};
  for (int d = 0; d < 8; ++d) {
    EXPECT_EQ(layout[d].column, columns[d]);
    EXPECT_EQ(DegreeForColumn(columns[d]), d);
    EXPECT_EQ(HeaderText(d, Labelling::kFunctionNames), Cp(functions[d]));
    EXPECT_EQ(HeaderText(d, Labelling::kRomanNumerals), Cp(numerals[d]));
    EXPECT_EQ(layout[d].chordSuffix.front(), ' ');
  }
  EXPECT_EQ(HeaderText(6, Labelling::kRomanNumerals), "vii\xB0");
  for (int empty : {1, 3, 6, 8, 10, -1, 13}) EXPECT_EQ(DegreeForColumn(empty), -1) << empty;
  EXPECT_TRUE(HeaderText(8, Labelling::kRomanNumerals).empty());
}

TEST(TheoryDegreeLayout, ChordRowsOfTheEdgeKeys) {
  EXPECT_EQ(ChordRow(8), CpAll({"Dó Maior", "Ré Menor", "Mi Menor", "Fá Maior", "Sol Maior", "Lá Menor",
                                "Si Dim.", "Dó Maior"}));
  EXPECT_EQ(ChordRow(1), CpAll({"Dó b Maior", "Ré b Menor", "Mi b Menor", "Fá b Maior", "Sol b Maior",
                                "Lá b Menor", "Si b Dim.", "Dó b Maior"}));
  EXPECT_EQ(ChordRow(15), CpAll({"Dó # Maior", "Ré # Menor", "Mi # Menor", "Fá # Maior", "Sol # Maior",
                                 "Lá # Menor", "Si # Dim.", "Dó # Maior"}));
  EXPECT_TRUE(ChordText(0, 0).empty());
  EXPECT_TRUE(ChordText(16, 0).empty());
  EXPECT_TRUE(ChordText(8, 8).empty());
}

TEST(TheoryDegreeLayout, EveryKeysChordsAreTheTriadsOfItsMajorScale) {
  // Whatever the key, the roots rise by the degree's semitones from the tonic, and the triad
  // qualities are those of a major scale: major, minor, minor, major, major, minor, diminished.
  for (int k = 1; k <= kKeyCount; ++k) {
    const int tonic = NotePitchClass(k + 1);
    for (int d = 0; d < kDegreeCount; ++d) {
      const std::string chord = ChordText(k, d);
      const auto blank = chord.rfind(' ');
      const int root = NoteIndexOfName(chord.substr(0, blank));
      ASSERT_NE(root, 0) << chord;
      EXPECT_EQ(NotePitchClass(root), (tonic + DegreeLayout()[d].column) % 12) << k << " " << d;
      const std::string suffix = chord.substr(blank);
      const char* expected = (d == 1 || d == 2 || d == 5) ? " Menor" : d == 6 ? " Dim." : " Maior";
      EXPECT_EQ(suffix, expected) << chord;
      // One note name per degree: the seven roots of a key use seven different names.
      if (d < 7) {
        for (int e = 0; e < d; ++e) EXPECT_NE(ChordText(k, e).substr(0, 2), chord.substr(0, 2)) << k;
      }
    }
    EXPECT_EQ(ChordText(k, 0), ChordText(k, 7));
    EXPECT_EQ(ChordText(k, 0).substr(0, TonicName(k).size()), TonicName(k));
  }
}
