// SPDX-License-Identifier: GPL-3.0-or-later
// The key selector as the student meets it: loaded quietly with "Armadura" and no key, the list
// of fifteen keys opened by the button, a key chosen with the mouse or with the arrow keys, writes
// from code that raise nothing, and a failing change handler shown in the error box.
#include "combo_test_run.h"

#include "core/exceptions.h"

namespace combotest {
namespace {

TEST_F(ComboRun, LoadsQuietlyAndOpensAListOfAllFifteenKeysWithoutAScrollBar) {
  bool closedAfterLoad = false;
  int count = -1;
  std::vector<std::string> items;
  int heightClosed = 0;
  int indexAfterLoad = -2;
  std::string textAfterLoad;
  RECT list{};
  RECT field{};
  RECT dropped{};
  int heightOpen = 0;
  bool scrollBar = true;
  LRESULT codeClosed = 0;
  LRESULT codeOpen = 0;
  auto result = Run({
      [&] {
        TComboBox* c = Combo();
        ASSERT_NE(c, nullptr);
        closedAfterLoad = !c->DroppedDown();
        indexAfterLoad = c->ItemIndex();
        textAfterLoad = FieldText();
        count = c->Items().Count();
        for (int i = 0; i < count; ++i) items.push_back(Utf8(c->Items().Get(i)));
        heightClosed = c->Height();
        codeClosed = c->Perform(WM_GETDLGCODE);
        ClickAt(ButtonPoint());
      },
      [&] {
        TComboBox* c = Combo();
        HWND popup = DropList();
        ASSERT_NE(popup, nullptr) << "the list opened";
        list = ScreenRect(popup);
        field = ScreenRect(c->Handle());
        SendMessage(c->Handle(), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
        heightOpen = c->Height();
        codeOpen = c->Perform(WM_GETDLGCODE);
        int lo = 0;
        int hi = 0;
        scrollBar = (GetWindowLong(popup, GWL_STYLE) & static_cast<LONG>(WS_VSCROLL)) != 0 &&
                    GetScrollRange(popup, SB_VERT, &lo, &hi) && hi > lo;
        ClickAt(ButtonPoint());  // the button closes it again
      },
      [&] { EXPECT_EQ(DropList(), nullptr) << "the button closed the list"; },
  });
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(seen.empty()) << "loading and opening fire no OnChange, nor OnClick";
  EXPECT_TRUE(closedAfterLoad);
  EXPECT_EQ(indexAfterLoad, -1);
  EXPECT_EQ(textAfterLoad, "Armadura");
  ASSERT_EQ(count, 15);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(items[i], KeyName(i)) << i;
  EXPECT_EQ(heightClosed, 21);
  EXPECT_EQ(heightOpen, 21) << "the control keeps its closed height while the list is open";
  EXPECT_EQ(dropped.right - dropped.left, 185);
  EXPECT_EQ(dropped.bottom - dropped.top, 218) << "15 rows x 13 + 21 + 2";
  EXPECT_EQ(list.right - list.left, 185);
  EXPECT_EQ(list.bottom - list.top, 197);
  EXPECT_EQ(list.left, field.left);
  EXPECT_EQ(list.top, field.top + 21) << "directly under the field";
  EXPECT_FALSE(scrollBar) << "all fifteen names fit";
  // The arrows and characters are always the selector's; Enter and Escape only while it is open.
  EXPECT_EQ(codeClosed, DLGC_WANTARROWS | DLGC_WANTCHARS);
  EXPECT_EQ(codeOpen, DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS);
  EXPECT_TRUE(result.boxes.empty());
}

TEST_F(ComboRun, AMouseChoiceShowsTheKeyAndFiresClickThenChangeEvenForTheSameKeyAgain) {
  std::string fieldAfter;
  bool closedAfter = false;
  auto result = Run({
      [&] { ClickAt(ButtonPoint()); },
      [&] {
        ASSERT_NE(DropList(), nullptr);
        ClickAt(RowPoint(4));
      },
      [&] {
        fieldAfter = FieldText();
        closedAfter = !Combo()->DroppedDown();
        ClickAt(ButtonPoint());
      },
      [&] {
        ASSERT_NE(DropList(), nullptr);
        ClickAt(RowPoint(4));
      },
  });
  const std::string mi = KeyName(4);
  EXPECT_EQ(mi, "Mi Maior - 4 Sustenidos");
  EXPECT_EQ(fieldAfter, mi);
  EXPECT_TRUE(closedAfter);
  // The component does not compare with the previous choice: the same key twice, two events.
  std::vector<Seen> expected{{"click", 4, mi}, {"change", 4, mi}, {"click", 4, mi}, {"change", 4, mi}};
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(result.boxes.empty());
}

// The pointer makes the row it moves over the list's current row: Enter, F4 and Alt+Up choose it
// as a click would; Escape closes on the key chosen before.
TEST_F(ComboRun, ARowThePointerMovesOverIsChosenByEnterF4AndAltUpButNotByEscape) {
  auto point = [](int row) {
    const POINT p = RowPoint(row);
    headless::MouseMove(p.x, p.y);
  };
  bool closedAfterEscape = false;
  auto result = Run({
      [&] { ClickAt(ButtonPoint()); },
      [&] {
        point(4);
        headless::PressKey(keys::kReturn);
      },
      [&] { ClickAt(ButtonPoint()); },
      [&] {
        point(6);
        headless::PressKey(keys::kF4);
      },
      [&] { ClickAt(ButtonPoint()); },
      [&] {
        point(2);
        headless::KeyDown(keys::kAltL);
        headless::PressKey(keys::kUp);
        headless::KeyUp(keys::kAltL);
      },
      [&] { ClickAt(ButtonPoint()); },
      [&] {
        point(9);
        headless::PressKey(keys::kEscape);
      },
      [&] { closedAfterEscape = DropList() == nullptr; },
  });
  std::vector<Seen> expected;
  for (int row : {4, 6, 2}) {
    expected.push_back({"click", row, KeyName(row)});
    expected.push_back({"change", row, KeyName(row)});
  }
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(closedAfterEscape);
  EXPECT_TRUE(result.boxes.empty());
}

TEST_F(ComboRun, WritesFromCodeShowButFireNothingWhileArrowKeysStepAndFire) {
  std::string afterIndexWrite;
  std::string afterTextWrite;
  int indexAfterTextWrite = -2;
  std::size_t eventsAfterWrites = 99;
  auto result = Run({
      [&] {
        Combo()->SetItemIndex(3);
        afterIndexWrite = FieldText();
        Combo()->SetText(text::Utf8ToCp1252("Escolha"));
        afterTextWrite = FieldText();
        indexAfterTextWrite = Combo()->ItemIndex();
        eventsAfterWrites = seen.size();
        headless::PressKey(keys::kDown);
      },
      [&] { headless::PressKey(keys::kDown); },
      [&] { headless::PressKey(keys::kUp); },
  });
  EXPECT_EQ(afterIndexWrite, "Lá Maior - 3 Sustenidos");
  EXPECT_EQ(afterTextWrite, "Escolha");
  EXPECT_EQ(indexAfterTextWrite, 3) << "writing the text leaves the current item alone";
  EXPECT_EQ(eventsAfterWrites, 0u);
  std::vector<Seen> expected{{"click", 4, KeyName(4)},  {"change", 4, KeyName(4)}, {"click", 5, KeyName(5)},
                             {"change", 5, KeyName(5)}, {"click", 4, KeyName(4)},  {"change", 4, KeyName(4)}};
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(result.boxes.empty());
}

TEST_F(ComboRun, AFailingChangeHandlerIsShownOnceAndTheSelectorGoesOn) {
  bool fail = true;
  std::vector<Typed> after;
  auto look = [&] { after.push_back({FieldText(), Selection(), Combo()->ItemIndex(), seen.size()}); };
  auto result = Run({
                        [&] {
                          Combo()->SetItemIndex(0);
                          headless::PressKey(keys::kDown);  // fails inside the list's notification
                        },
                        [&] {
                          look();
                          Combo()->SelectAll();
                          headless::TypeText("M");  // fails inside the edit field's typing completion
                        },
                        [&] {
                          look();
                          fail = false;
                          headless::PressKey(keys::kDown);
                        },
                        [&] { look(); },
                    },
                    [&] {
                      if (fail) throw EMCIDeviceError(text::Utf8ToCp1252("Arquivo não encontrado"));
                    });
  ASSERT_EQ(result.boxes.size(), 2u) << "one box per failure";
  for (const auto& box : result.boxes) {
    EXPECT_EQ(box.text, text::Utf8ToCp1252("Arquivo não encontrado."));
    EXPECT_EQ(box.flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  }
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[0].field, KeyName(1)) << "the field keeps what the handler saw";
  EXPECT_EQ(after[0].index, 1);
  EXPECT_EQ(after[1].field, KeyName(4)) << "the completed key stays, the typed M went no further";
  EXPECT_EQ(after[1].index, 4);
  EXPECT_EQ(after[2].field, KeyName(5)) << "the selector goes on";
  std::vector<Seen> expected{{"click", 1, KeyName(1)},  {"change", 1, KeyName(1)}, {"click", 4, KeyName(4)},
                             {"change", 4, KeyName(4)}, {"click", 5, KeyName(5)},  {"change", 5, KeyName(5)}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(result.exitCode, 0);
}

// A change of ItemHeight re-creates the platform window: the items, the current key and the
// field's text come back in the new window, and the new edit field completes typing as before.
TEST_F(ComboRun, ARecreatedWindowKeepsTheKeysTheCurrentKeyAndTyping) {
  HWND before = nullptr;
  HWND after = nullptr;
  std::vector<std::string> items;
  Typed recreated;
  std::string typed;
  auto result = Run({
      [&] {
        Combo()->SetItemIndex(3);
        before = Combo()->Handle();
        Combo()->SetItemHeight(13);
        after = Combo()->Handle();
        for (int i = 0; i < Combo()->Items().Count(); ++i) items.push_back(Utf8(Combo()->Items().Get(i)));
        recreated = {FieldText(), Selection(), Combo()->ItemIndex(), seen.size()};
        Combo()->SelectAll();
        headless::TypeText("M");
      },
      [&] { typed = FieldText(); },
  });
  EXPECT_NE(before, after) << "a new platform window";
  ASSERT_EQ(items.size(), 15u);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(items[i], KeyName(i)) << i;
  EXPECT_EQ(recreated.field, KeyName(3));
  EXPECT_EQ(recreated.index, 3);
  EXPECT_EQ(recreated.events, 0u);
  EXPECT_EQ(typed, KeyName(4));
  EXPECT_EQ(seen, (std::vector<Seen>{{"click", 4, KeyName(4)}, {"change", 4, KeyName(4)}}));
  EXPECT_TRUE(result.boxes.empty());
}

// The field and the open list ask the control for their colours: Color for the background and
// Font.Color for the text.
TEST_F(ComboRun, TheFieldAndTheListShowTheControlsColours) {
  std::uint32_t fieldBack = 0;
  int redInField = 0;
  std::uint32_t listBack = 0;
  int redInList = 0;
  auto countRed = [](HWND top, RECT r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        std::uint32_t p = headless::PresentedPixel(top, x, y) & 0xFFFFFF;
        n += (p >> 16) > 0xC0 && ((p >> 8) & 0xFF) < 0x80 ? 1 : 0;
      }
    }
    return n;
  };
  auto result = Run({
                        [&] { headless::PressKey(keys::kEnd); },  // the focused field's text unselected
                        [&] {
                          HWND form = TestForm->Handle();
                          fieldBack = headless::PresentedPixel(form, 72 + 140, 16 + 10) & 0xFFFFFF;
                          redInField = countRed(form, {72 + 3, 16 + 3, 72 + 60, 16 + 18});
                          ClickAt(ButtonPoint());
                        },
                        [&] {
                          HWND list = DropList();
                          ASSERT_NE(list, nullptr);
                          listBack = headless::PresentedPixel(list, 170, 13 * 2 + 6) & 0xFFFFFF;
                          redInList = countRed(list, {1, 1 + 13 * 2, 120, 1 + 13 * 3});
                        },
                    },
                    {}, "  Color clYellow\n  Font.Color clRed\n");
  EXPECT_EQ(fieldBack, 0xFFFF00u);
  EXPECT_GT(redInField, 20) << "\"Armadura\" in red";
  EXPECT_EQ(listBack, 0xFFFF00u);
  EXPECT_GT(redInList, 20) << "a key's name in red";
  EXPECT_TRUE(result.boxes.empty());
}

}  // namespace
}  // namespace combotest
