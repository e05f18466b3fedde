// SPDX-License-Identifier: GPL-3.0-or-later
// Typing in the key selector's field: completion to the first key that begins with what was
// typed, the typed letters keeping their case, characters that complete nothing going into the
// field as a hand edit, Backspace always leaving no key current and reporting the change, and a
// paste of text that is not UTF-8.
#include "combo_test_run.h"

namespace combotest {
namespace {

TEST_F(ComboRun, TypingCompletesToTheFirstMatchingKeyAndSelectsTheRest) {
  std::vector<Typed> after;
  auto look = [&] { after.push_back({FieldText(), Selection(), Combo()->ItemIndex(), seen.size()}); };
  auto result = Run({
      [&] {
        Combo()->SelectAll();
        headless::TypeText("S");
      },
      [&] { look(), headless::TypeText("i"); },
      [&] { look(), headless::TypeText(" "); },
      [&] { look(), headless::TypeText("b"); },
      [&] { look(); },
  });
  ASSERT_EQ(after.size(), 4u);
  const std::string sol = KeyName(1);
  const std::string si = KeyName(5);
  const std::string sib = KeyName(9);
  EXPECT_EQ(sol, "Sol Maior - 1 Sustenido");
  EXPECT_EQ(si, "Si Maior - 5 Sustenidos");
  EXPECT_EQ(sib, "Si b Maior - 2 Bemóis");
  EXPECT_EQ(after[0].field, sol);
  EXPECT_EQ(after[0].selection, std::make_pair(1, static_cast<int>(sol.size())));
  EXPECT_EQ(after[1].field, si);
  EXPECT_EQ(after[1].selection, std::make_pair(2, static_cast<int>(si.size())));
  EXPECT_EQ(after[2].field, si);
  EXPECT_EQ(after[2].selection, std::make_pair(3, static_cast<int>(si.size())));
  EXPECT_EQ(after[2].events, after[1].events) << "\"Si \" keeps the same key: no event";
  EXPECT_EQ(after[3].field, sib);
  // Byte positions: "ó" is one cp1252 byte.
  EXPECT_EQ(after[3].selection, std::make_pair(4, static_cast<int>(text::Utf8ToCp1252(sib).size())));
  EXPECT_EQ(after[3].index, 9);
  std::vector<Seen> expected{{"click", 1, sol}, {"change", 1, sol}, {"click", 5, si},
                             {"change", 5, si}, {"click", 9, sib},  {"change", 9, sib}};
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(result.boxes.empty());
}

TEST_F(ComboRun, ATypedLetterKeepsItsCaseAndANonMatchingOneIsAHandEdit) {
  std::string lower;
  int lowerIndex = -2;
  std::string handEdit;
  auto result = Run({
      [&] {
        Combo()->SelectAll();
        headless::TypeText("s");
      },
      [&] {
        lower = FieldText();
        lowerIndex = Combo()->ItemIndex();
        Combo()->SelectAll();
        headless::TypeText("x");
      },
      [&] { handEdit = FieldText(); },
  });
  EXPECT_EQ(lower, "sol Maior - 1 Sustenido");
  EXPECT_EQ(lowerIndex, 1);
  EXPECT_EQ(handEdit, "x") << "the field replaced its selection with the character";
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[1], (Seen{"change", 1, "sol Maior - 1 Sustenido"}));
  EXPECT_EQ(seen[2], (Seen{"change", -1, "x"})) << "the hand edit reports a change, with no key current";
  EXPECT_TRUE(result.boxes.empty());
}

TEST_F(ComboRun, BackspaceAlwaysLeavesNoKeyCurrentAndReportsTheChange) {
  std::vector<Typed> after;
  auto look = [&] { after.push_back({FieldText(), Selection(), Combo()->ItemIndex(), seen.size()}); };
  auto result = Run({
      [&] {
        Combo()->SelectAll();
        headless::TypeText("S");
      },
      [&] { look(), headless::PressKey(keys::kBackSpace); },  // the completed part goes
      [&] { look(), headless::PressKey(keys::kBackSpace); },  // the "S" before the caret goes
      [&] { look(), headless::PressKey(keys::kBackSpace); },  // an empty field stays empty
      [&] {
        look();
        Combo()->SetItemIndex(2);
        headless::PressKey(keys::kHome);
      },
      [&] { look(), headless::PressKey(keys::kBackSpace); },  // at the start: nothing to remove
      [&] { look(); },
  });
  ASSERT_EQ(after.size(), 6u);
  EXPECT_EQ(after[1].field, "S");
  EXPECT_EQ(after[1].selection, std::make_pair(1, 1));
  EXPECT_EQ(after[2].field, "");
  EXPECT_EQ(after[3].field, "");
  EXPECT_EQ(after[4].field, KeyName(2));
  EXPECT_EQ(after[4].selection, std::make_pair(0, 0)) << "Home put the caret at the start";
  EXPECT_EQ(after[5].field, KeyName(2)) << "the text stays";
  EXPECT_EQ(after[5].index, -1);
  EXPECT_EQ(after[5].selection, std::make_pair(0, 0));
  std::vector<Seen> expected{{"click", 1, KeyName(1)}, {"change", 1, KeyName(1)}, {"change", -1, "S"},
                             {"change", -1, ""},       {"change", -1, ""},        {"change", -1, KeyName(2)}};
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(result.boxes.empty());
}

TEST_F(ComboRun, APasteOfIllFormedUtf8MarksEachBrokenStretchInsteadOfGuessingOrClosingUp) {
  std::string pasted;
  auto result = Run({
      [&] {
        // Latin-1 "ó" offered as UTF-8 by another program, a stray continuation byte, and a
        // character cut off at the end.
        headless::SetClipboard("D\xF3 Maior \x80\xE2\x82");
        Combo()->SelectAll();
        headless::KeyDown(keys::kControlL);
        headless::PressKey('v');
        headless::KeyUp(keys::kControlL);
      },
      [&] { pasted = FieldText(); },
  });
  EXPECT_EQ(pasted, "D? Maior ??");
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), (Seen{"change", -1, "D? Maior ??"}));
  EXPECT_TRUE(result.boxes.empty());
}

}  // namespace
}  // namespace combotest
