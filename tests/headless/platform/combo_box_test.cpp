// SPDX-License-Identifier: GPL-3.0-or-later
// The platform's combo box as the student meets it: the closed field and its button, the list
// that drops down under it, choosing with the mouse and the keys, and what the parent hears.
#include <gmock/gmock.h>

#include "headless/platform/combo_box_support.h"
#include "platform/headless/headless_driver.h"

using namespace combotest;
using ::testing::ElementsAre;

namespace {

using ComboBoxTest = ComboFixture;

constexpr COLORREF kHighlight = RGB(10, 36, 106);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kFace = RGB(212, 208, 200);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF kDarkShadow = RGB(64, 64, 64);

TEST_F(ComboBoxTest, ClosedHeightComesFromTheFontWhateverHeightItIsGiven) {
  RECT r{};
  GetWindowRect(m_combo, &r);
  EXPECT_EQ(r.bottom - r.top, 21);
  EXPECT_EQ(r.right - r.left, 185);
  EXPECT_EQ(SendMessage(m_combo, CB_GETITEMHEIGHT, 0, 0), 13);
  EXPECT_EQ(SendMessage(m_combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0), 13);
  // A taller height is the open height; the closed combo box keeps 21.
  SetWindowPos(m_combo, nullptr, 0, 0, 185, 120, SWP_NOMOVE | SWP_NOZORDER);
  GetWindowRect(m_combo, &r);
  EXPECT_EQ(r.bottom - r.top, 21);
  RECT dropped{};
  SendMessage(m_combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  EXPECT_EQ(dropped.bottom - dropped.top, 120);
  // The field is the first child, and text given to the combo box is the field's.
  HWND field = GetWindow(m_combo, GW_CHILD);
  ASSERT_NE(field, nullptr);
  SetWindowText(m_combo, "Armadura");
  char buffer[32] = {};
  GetWindowText(field, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "Armadura");
  EXPECT_EQ(SendMessage(m_combo, WM_GETTEXTLENGTH, 0, 0), 8);
  EXPECT_TRUE(m_notes.empty());
}

TEST_F(ComboBoxTest, PaintsSunkenEdgeWhiteFieldAndRaisedButtonWithArrow) {
  headless::PumpUntilIdle();
  EXPECT_EQ(FormPixel(0, 0), kShadow);      // outer edge, top-left
  EXPECT_EQ(FormPixel(1, 1), kDarkShadow);  // inner edge
  EXPECT_EQ(FormPixel(184, 20), kWhite);    // outer edge, bottom-right
  EXPECT_EQ(FormPixel(183, 19), kFace);     // inner edge, bottom-right (3D light)
  EXPECT_EQ(FormPixel(40, 10), kWhite);     // the empty field
  // The button: 16 px at the right end inside the edge, raised, with a black arrow in the middle.
  EXPECT_EQ(FormPixel(167, 2), kFace);
  EXPECT_EQ(FormPixel(168, 3), kWhite);
  EXPECT_EQ(FormPixel(182, 18), kDarkShadow);
  EXPECT_EQ(FormPixel(171, 8), kBlack);  // arrow: 7, 5, 3, 1 pixels
  EXPECT_EQ(FormPixel(177, 8), kBlack);
  EXPECT_EQ(FormPixel(174, 11), kBlack);
  EXPECT_EQ(FormPixel(173, 11), kFace);
  EXPECT_EQ(FormPixel(178, 8), kFace);
}

TEST_F(ComboBoxTest, FocusSelectsTheTextInHighlightColoursOnlyWhileFocused) {
  SetWindowText(m_combo, "Armadura");
  SetFocus(m_combo);  // as Tab does
  headless::PumpUntilIdle();
  EXPECT_EQ(GetFocus(), GetWindow(m_combo, GW_CHILD));
  EXPECT_EQ(EditSel(), std::make_pair(0, 8));
  EXPECT_EQ(FormPixel(3, 4), kHighlight);  // first pixel of the text's cell
  EXPECT_THAT(m_notes, ElementsAre(CBN_SETFOCUS));
  SetFocus(m_form);
  headless::PumpUntilIdle();
  EXPECT_EQ(FormPixel(3, 4), kWhite);
  EXPECT_THAT(m_notes, ElementsAre(CBN_SETFOCUS, CBN_KILLFOCUS));
}

TEST_F(ComboBoxTest, ButtonOpensTheListUnderTheFieldAndARowClickChoosesIt) {
  Click(ButtonCentre());
  EXPECT_THAT(m_notes, ElementsAre(CBN_SETFOCUS, CBN_DROPDOWN));
  EXPECT_TRUE(SendMessage(m_combo, CB_GETDROPPEDSTATE, 0, 0));
  // Sizing the open list did not hide the combo box nor change its closed height.
  RECT r{};
  GetWindowRect(m_combo, &r);
  EXPECT_TRUE(IsWindowVisible(m_combo));
  EXPECT_EQ(r.bottom - r.top, 21);
  EXPECT_EQ(GetFocus(), GetWindow(m_combo, GW_CHILD));

  HWND list = ShownList();
  ASSERT_NE(list, nullptr);
  const headless::NativeWindow* native = Display().Native(list);
  EXPECT_EQ(native->rect.left, kFormX + kComboX);
  EXPECT_EQ(native->rect.top, kFormY + kComboY + 21);
  EXPECT_EQ(native->rect.right - native->rect.left, 185);
  EXPECT_EQ(native->rect.bottom - native->rect.top, 197);  // 15 rows of 13 and the border
  EXPECT_EQ(Display().Grab(), list);
  EXPECT_EQ(GetCapture(), m_combo);
  EXPECT_EQ(Colour(headless::PresentedPixel(list, 0, 0)), kBlack);      // border
  EXPECT_EQ(Colour(headless::PresentedPixel(list, 175, 100)), kWhite);  // no scroll bar

  // Hovering highlights the row under the pointer; nothing is chosen yet.
  const int rowFour = native->rect.top + 1 + 4 * kRow + 6;
  headless::MouseMove(native->rect.left + 60, rowFour);
  headless::PumpUntilIdle();
  EXPECT_EQ(Colour(headless::PresentedPixel(list, 170, 1 + 4 * kRow + 1)), kHighlight);
  EXPECT_EQ(Colour(headless::PresentedPixel(list, 170, 1 + 3 * kRow + 1)), kWhite);
  EXPECT_EQ(CurSel(), -1);

  m_notes.clear();
  Click({native->rect.left + 60, rowFour});
  EXPECT_THAT(m_notes, ElementsAre(CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP));
  EXPECT_EQ(CurSel(), 4);
  EXPECT_EQ(Text(), KeyNames()[4]);
  EXPECT_FALSE(SendMessage(m_combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(ShownList(), nullptr);
  EXPECT_EQ(Display().Grab(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ComboBoxTest, ScrollBarShowsOnlyWhenTheRowsDoNotFit) {
  HWND list = OpenTwentyItemsInEightRows();
  ASSERT_NE(list, nullptr);
  const headless::NativeWindow* native = Display().Native(list);
  EXPECT_EQ(native->rect.bottom - native->rect.top, kFewRows * kRow + 2);
  EXPECT_EQ(Colour(headless::PresentedPixel(list, 175, 50)), kFace);  // the scroll bar's track
  // Down through the rows scrolls the list to keep the current row in view.
  for (int i = 0; i < 12; ++i) Key(headless::keys::kDown);
  EXPECT_EQ(CurSel(), 11);
  EXPECT_EQ(SendMessage(m_combo, CB_GETTOPINDEX, 0, 0), 4);
  EXPECT_EQ(Colour(headless::PresentedPixel(list, 150, 1 + 7 * kRow + 1)), kHighlight);
}

TEST_F(ComboBoxTest, TheListScrollsByItsBarAndTheWheelWhileStayingOpen) {
  HWND list = OpenTwentyItemsInEightRows();
  ASSERT_NE(list, nullptr);
  const RECT r = Display().Native(list)->rect;
  Click({r.right - 1 - 8, r.bottom - 1 - 8});  // the scroll bar's down arrow
  EXPECT_EQ(SendMessage(m_combo, CB_GETTOPINDEX, 0, 0), 1);
  headless::MouseMove(r.left + 40, r.top + 40);
  headless::Wheel(-1);
  headless::PumpUntilIdle();
  EXPECT_EQ(SendMessage(m_combo, CB_GETTOPINDEX, 0, 0), 4);
  EXPECT_EQ(ShownList(), list);
  EXPECT_TRUE(m_notes.size() == 2 && m_notes[1] == CBN_DROPDOWN);
}

TEST_F(ComboBoxTest, TheListOpensAboveTheFieldWhenTheScreenHasNoRoomBelow) {
  SetWindowPos(m_form, nullptr, kFormX, 900, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  headless::PumpUntilIdle();
  RECT combo{};
  GetWindowRect(m_combo, &combo);
  headless::Click(combo.right - 10, combo.top + 10);
  headless::PumpUntilIdle();
  HWND list = ShownList();
  ASSERT_NE(list, nullptr);
  const RECT r = Display().Native(list)->rect;
  EXPECT_EQ(r.bottom, combo.top);
  EXPECT_EQ(r.bottom - r.top, 197);
}

TEST_F(ComboBoxTest, NothingIsPaintedWhileRedrawIsOff) {
  SendMessage(m_combo, WM_SETREDRAW, FALSE, 0);
  SetWindowText(m_combo, "MMMM");
  InvalidateRect(m_combo, nullptr, TRUE);
  headless::PumpUntilIdle();
  auto inkInField = [&] {
    int ink = 0;
    for (int x = 3; x < 40; ++x) ink += FormPixel(x, 10) != kWhite;
    return ink;
  };
  EXPECT_EQ(inkInField(), 0);
  SendMessage(m_combo, WM_SETREDRAW, TRUE, 0);
  headless::PumpUntilIdle();
  EXPECT_GT(inkInField(), 4);
}

TEST_F(ComboBoxTest, FieldAndListTakeTheColoursTheParentAnswers) {
  HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 0));
  auto answer = [yellow](HWND, WPARAM wParam, LPARAM, LRESULT* result) {
    SetTextColor(reinterpret_cast<HDC>(wParam), RGB(255, 0, 0));
    SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 0));
    *result = reinterpret_cast<LRESULT>(yellow);
    return true;
  };
  testwin::TheLog().handlers[WM_CTLCOLOREDIT] = answer;
  testwin::TheLog().handlers[WM_CTLCOLORLISTBOX] = answer;
  SetWindowText(m_combo, "Armadura");
  InvalidateRect(m_combo, nullptr, TRUE);
  headless::PumpUntilIdle();
  auto red = [](std::uint32_t p) { return (p >> 16) > 0xC0 && ((p >> 8) & 0xFF) < 0x80; };
  int inField = 0;
  for (int y = 3; y < 18; ++y) {
    for (int x = 3; x < 60; ++x) inField += red(headless::PresentedPixel(m_form, kComboX + x, kComboY + y));
  }
  EXPECT_EQ(FormPixel(140, 10), RGB(255, 255, 0));
  EXPECT_GT(inField, 20);
  Click(ButtonCentre());
  HWND list = ShownList();
  ASSERT_NE(list, nullptr);
  int inList = 0;
  for (int y = 1 + 2 * kRow; y < 1 + 3 * kRow; ++y) {
    for (int x = 1; x < 120; ++x) inList += red(headless::PresentedPixel(list, x, y));
  }
  EXPECT_EQ(Colour(headless::PresentedPixel(list, 170, 2 * kRow + 6)), RGB(255, 255, 0));
  EXPECT_GT(inList, 20);
  SendMessage(m_combo, CB_SHOWDROPDOWN, FALSE, 0);
  testwin::TheLog().handlers.erase(WM_CTLCOLOREDIT);
  testwin::TheLog().handlers.erase(WM_CTLCOLORLISTBOX);
  DeleteObject(yellow);
}

TEST_F(ComboBoxTest, AParentThatDestroysTheComboBoxOnAChoiceLeavesNothingBehind) {
  m_onNote = [this](int code) {
    if (code == CBN_SELCHANGE) DestroyWindow(m_combo);
  };
  Click(ButtonCentre());
  HWND list = ShownList();
  ASSERT_NE(list, nullptr);
  const RECT r = Display().Native(list)->rect;
  Click({r.left + 30, r.top + 1 + 2 * kRow + 5});
  EXPECT_FALSE(IsWindow(m_combo));
  EXPECT_FALSE(IsWindow(list));
  EXPECT_THAT(m_notes, ElementsAre(CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELCHANGE, CBN_KILLFOCUS));
  EXPECT_EQ(Display().Grab(), nullptr);
  EXPECT_EQ(Display().KeyboardGrab(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  // The program goes on: the form still takes clicks.
  testwin::TheLog().Clear();
  Click({kFormX + 50, kFormY + 200});
  EXPECT_EQ(testwin::TheLog().Count(WM_LBUTTONDOWN, m_form), 1);
}

TEST_F(ComboBoxTest, KeysOpenCloseAndStepThroughTheItems) {
  SetFocus(m_combo);
  headless::PumpUntilIdle();
  m_notes.clear();
  // Closed: Up and Down step, each step reported.
  Key(headless::keys::kDown);
  Key(headless::keys::kDown);
  EXPECT_EQ(CurSel(), 1);
  EXPECT_EQ(Text(), KeyNames()[1]);
  Key(headless::keys::kUp);
  EXPECT_EQ(CurSel(), 0);
  EXPECT_THAT(m_notes, ElementsAre(CBN_SELCHANGE, CBN_SELCHANGE, CBN_SELCHANGE));

  m_notes.clear();
  Key(headless::keys::kF4);
  EXPECT_NE(ShownList(), nullptr);
  Key(headless::keys::kDown);
  Key(headless::keys::kEnd);
  Key(headless::keys::kReturn);
  EXPECT_THAT(m_notes, ElementsAre(CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP));
  EXPECT_EQ(CurSel(), 14);
  EXPECT_EQ(ShownList(), nullptr);

  m_notes.clear();
  Key(headless::keys::kDown, headless::keys::kAltL);
  EXPECT_NE(ShownList(), nullptr);
  EXPECT_EQ(Display().KeyboardGrab(), ShownList());
  Key(headless::keys::kUp);
  Key(headless::keys::kEscape);
  EXPECT_THAT(m_notes, ElementsAre(CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDCANCEL, CBN_CLOSEUP));
  EXPECT_EQ(CurSel(), 13);
  EXPECT_EQ(ShownList(), nullptr);
  EXPECT_EQ(Display().KeyboardGrab(), nullptr);
  // F4 and Alt+Up close again; the button pressed again too.
  Key(headless::keys::kF4);
  Key(headless::keys::kF4);
  Key(headless::keys::kUp, headless::keys::kAltL);
  Key(headless::keys::kUp, headless::keys::kAltL);
  Click(ButtonCentre());
  EXPECT_NE(ShownList(), nullptr);
  Click(ButtonCentre());
  EXPECT_EQ(ShownList(), nullptr);
  EXPECT_EQ(CurSel(), 13);
}

TEST_F(ComboBoxTest, APressOnAListOnlyFieldOpensTheListAlsoWithAltHeldAndTypingChangesNothing) {
  constexpr int kTop = 60;
  HWND listOnly = CreateWindowEx(0, kComboBoxClass, "", (kComboStyle & ~CBS_DROPDOWN) | CBS_DROPDOWNLIST,
                                 kComboX, kTop, kComboWidth, kComboHeight, m_form, nullptr, nullptr, nullptr);
  ASSERT_NE(listOnly, nullptr);
  for (const auto& s : KeyNames())
    SendMessage(listOnly, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
  SendMessage(listOnly, CB_SETCURSEL, 2, 0);
  headless::PumpUntilIdle();
  const POINT onField{kFormX + kComboX + kComboWidth / 3, kFormY + kTop + kComboHeight / 2};
  Click(onField);
  EXPECT_NE(ShownList(), nullptr);
  Click(onField);
  EXPECT_EQ(ShownList(), nullptr);
  headless::KeyDown(headless::keys::kAltL);
  Click(onField);
  headless::KeyUp(headless::keys::kAltL);
  headless::PumpUntilIdle();
  EXPECT_NE(ShownList(), nullptr);
  Click(onField);
  headless::TypeText("x");
  headless::PumpUntilIdle();
  char text[64] = {};
  GetWindowText(listOnly, text, sizeof text);
  EXPECT_EQ(text, KeyNames()[2]);
}

TEST_F(ComboBoxTest, APressElsewhereOnlyClosesTheListAndLosingFocusClosesItToo) {
  HWND other = testwin::Child(m_form, 10, 200, 100, 40);
  headless::PumpUntilIdle();
  Click(ButtonCentre());
  m_notes.clear();
  testwin::TheLog().Clear();
  Click({kFormX + 50, kFormY + 220});
  EXPECT_THAT(m_notes, ElementsAre(CBN_SELENDCANCEL, CBN_CLOSEUP));
  EXPECT_EQ(testwin::TheLog().Count(WM_LBUTTONDOWN, other), 0);
  EXPECT_EQ(ShownList(), nullptr);
  // A press outside every window of the program, with the pointer grabbed, too.
  Click(ButtonCentre());
  m_notes.clear();
  Click({900, 900});
  EXPECT_THAT(m_notes, ElementsAre(CBN_SELENDCANCEL, CBN_CLOSEUP));

  Click(ButtonCentre());
  m_notes.clear();
  SendMessage(m_combo, WM_CANCELMODE, 0, 0);
  EXPECT_THAT(m_notes, ElementsAre(CBN_SELENDCANCEL, CBN_CLOSEUP));

  Click(ButtonCentre());
  m_notes.clear();
  SetFocus(other);
  headless::PumpUntilIdle();
  EXPECT_THAT(m_notes, ElementsAre(CBN_SELENDCANCEL, CBN_CLOSEUP, CBN_KILLFOCUS));
  EXPECT_EQ(ShownList(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ComboBoxTest, ShowDropDownAndSetCurSelReportOnlyWhatTheyShould) {
  EXPECT_EQ(SendMessage(m_combo, CB_SETCURSEL, 3, 0), 3);
  EXPECT_EQ(Text(), KeyNames()[3]);
  EXPECT_EQ(SendMessage(m_combo, CB_SETCURSEL, 40, 0), CB_ERR);
  EXPECT_EQ(Text(), "");
  SendMessage(m_combo, CB_SETCURSEL, 2, 0);
  EXPECT_EQ(SendMessage(m_combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0), CB_ERR);
  EXPECT_EQ(Text(), "");
  EXPECT_EQ(CurSel(), -1);
  EXPECT_TRUE(m_notes.empty());
  SendMessage(m_combo, CB_SHOWDROPDOWN, TRUE, 0);
  EXPECT_NE(ShownList(), nullptr);
  SendMessage(m_combo, CB_SHOWDROPDOWN, FALSE, 0);
  EXPECT_EQ(ShownList(), nullptr);
  EXPECT_THAT(m_notes, ElementsAre(CBN_DROPDOWN, CBN_CLOSEUP));
}

TEST_F(ComboBoxTest, ItemMessagesFollowTheClassicContract) {
  EXPECT_EQ(SendMessage(m_combo, CB_GETCOUNT, 0, 0), 15);
  EXPECT_EQ(SendMessage(m_combo, CB_GETLBTEXTLEN, 15, 0), CB_ERR);
  char buffer[64] = {};
  EXPECT_EQ(SendMessage(m_combo, CB_GETLBTEXT, 15, reinterpret_cast<LPARAM>(buffer)), CB_ERR);
  EXPECT_EQ(SendMessage(m_combo, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(buffer)),
            static_cast<LRESULT>(KeyNames()[2].size()));
  EXPECT_EQ(std::string(buffer), KeyNames()[2]);
  // Searches ignore case, accented letters too, but an accent still counts.
  const std::string upperE = Cp("DÓ B");
  EXPECT_EQ(
      SendMessage(m_combo, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(upperE.c_str())),
      14);
  EXPECT_EQ(SendMessage(m_combo, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("Do")),
            CB_ERR);
  EXPECT_EQ(SendMessage(m_combo, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("si")), 5);
  EXPECT_EQ(SendMessage(m_combo, CB_FINDSTRING, 5, reinterpret_cast<LPARAM>("si")), 9);
  EXPECT_EQ(SendMessage(m_combo, CB_FINDSTRING, 9, reinterpret_cast<LPARAM>("si")), 5);  // wraps
  EXPECT_EQ(SendMessage(m_combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("si")),
            CB_ERR);
  const std::string exact = Cp("LÁ MAIOR - 3 SUSTENIDOS");
  EXPECT_EQ(SendMessage(m_combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(exact.c_str())),
            3);
  EXPECT_EQ(SendMessage(m_combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("mi b")),
            10);
  EXPECT_EQ(Text(), KeyNames()[10]);
  // Data, insertion and deletion keep the current item on its text.
  EXPECT_EQ(SendMessage(m_combo, CB_SETITEMDATA, 10, 77), CB_OKAY);
  EXPECT_EQ(SendMessage(m_combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("Primeiro")), 0);
  EXPECT_EQ(CurSel(), 11);
  EXPECT_EQ(SendMessage(m_combo, CB_GETITEMDATA, 11, 0), 77);
  EXPECT_EQ(SendMessage(m_combo, CB_DELETESTRING, 0, 0), 15);
  EXPECT_EQ(CurSel(), 10);
  EXPECT_EQ(SendMessage(m_combo, CB_GETITEMDATA, 99, 0), CB_ERR);
  EXPECT_TRUE(m_notes.empty());
}

TEST_F(ComboBoxTest, SortedComboBoxInsertsInFoldedOrder) {
  HWND sorted = CreateWindowEx(0, kComboBoxClass, "", kComboStyle | CBS_SORT, 10, 60, 100, 21, m_form,
                               nullptr, nullptr, nullptr);
  for (const char* s : {"sol", "Dó", "mi", "Ré"}) {
    const std::string item = Cp(s);
    SendMessage(sorted, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  char buffer[16] = {};
  std::string order;
  for (int i = 0; i < 4; ++i) {
    SendMessage(sorted, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
    order += std::string(buffer) + ",";
  }
  EXPECT_EQ(order, Cp("Dó,mi,Ré,sol,"));
}

// The key selector registers its own class from the platform's and replaces the field's procedure.
LRESULT DropX(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
WNDPROC g_fieldProc = nullptr;
LRESULT DropX(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CHAR && wParam == 'x') return 0;
  return CallWindowProc(g_fieldProc, hwnd, msg, wParam, lParam);
}

TEST_F(ComboBoxTest, AClassCopiedFromComboboxWorksAndItsFieldCanBeSubclassed) {
  WNDCLASS wc{};
  ASSERT_TRUE(GetClassInfo(nullptr, "COMBOBOX", &wc));
  ASSERT_NE(wc.lpfnWndProc, nullptr);
  wc.style = (wc.style & ~(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS)) | CS_HREDRAW | CS_VREDRAW;
  wc.lpszClassName = "TComboBoxCopy";
  RegisterClass(&wc);
  HWND copy =
      CreateWindowEx(0, "TComboBoxCopy", "", kComboStyle, 10, 60, 185, 21, m_form, nullptr, nullptr, nullptr);
  ASSERT_NE(copy, nullptr);
  SendMessage(copy, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
  HWND field = GetWindow(copy, GW_CHILD);
  g_fieldProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(field, GWL_WNDPROC, reinterpret_cast<std::intptr_t>(&DropX)));
  ASSERT_NE(g_fieldProc, nullptr);
  SetFocus(copy);
  headless::TypeText("axbx");
  headless::PumpUntilIdle();
  char buffer[16] = {};
  GetWindowText(copy, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "ab");
  RECT r{};
  GetWindowRect(copy, &r);
  EXPECT_EQ(r.bottom - r.top, 21);
}

}  // namespace
