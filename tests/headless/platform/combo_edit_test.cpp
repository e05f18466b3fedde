// SPDX-License-Identifier: GPL-3.0-or-later
// The combo box's edit field as the student types in it: caret keys, selection with Shift and the
// mouse, deleting, the clipboard, the length limit, and the caret that stops blinking when idle.
#include <gmock/gmock.h>

#include "headless/platform/combo_box_support.h"
#include "platform/backend/backend_events.h"
#include "platform/headless/headless_driver.h"
#include "support/stderr_capture.h"

using namespace combotest;
using ::testing::ElementsAre;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kHighlight = RGB(10, 36, 106);
// The caret's half period: one blink timer tick.
constexpr int kBlinkMs = 530;

class ComboEditTest : public ComboFixture {
 protected:
  void SetUp() override {
    ComboFixture::SetUp();
    SetFocus(m_combo);
    headless::PumpUntilIdle();
    m_notes.clear();
  }
  void Type(const char* utf8) {
    headless::TypeText(utf8);
    headless::PumpUntilIdle();
  }
  void Ctrl(std::uint32_t letter) { Key(letter, headless::keys::kControlL); }
};

TEST_F(ComboEditTest, TypingDeletingAndShiftSelectionEditTheFieldAndReportEachChange) {
  SetWindowText(m_combo, "Sol Maior");
  EXPECT_TRUE(m_notes.empty());  // a program's own text is not the user's change
  Key(headless::keys::kEnd);
  Key(headless::keys::kLeft);
  Key(headless::keys::kLeft, headless::keys::kShiftL);
  EXPECT_EQ(EditSel(), std::make_pair(7, 8));
  Type("X");
  EXPECT_EQ(Text(), "Sol MaiXr");
  EXPECT_THAT(m_notes, ElementsAre(CBN_EDITUPDATE, CBN_EDITCHANGE));
  Key(headless::keys::kBackSpace);
  Key(headless::keys::kDelete);
  EXPECT_EQ(Text(), "Sol Mai");
  Key(headless::keys::kLeft);
  Key(headless::keys::kHome, headless::keys::kShiftL);
  EXPECT_EQ(EditSel(), std::make_pair(0, 6));
  Key(headless::keys::kDelete);
  EXPECT_EQ(Text(), "i");
  Key(headless::keys::kHome);
  Key(headless::keys::kBackSpace);  // nothing before the caret: no change, no report
  EXPECT_EQ(Text(), "i");
  EXPECT_EQ(m_notes.size(), 8u);
  // A hand edit leaves no item current.
  SendMessage(m_combo, CB_SETCURSEL, 2, 0);
  Type("a");
  EXPECT_EQ(CurSel(), -1);
}

TEST_F(ComboEditTest, SelectionAndCaretMessagesAddressTheField) {
  SetWindowText(m_combo, Cp("Lá Maior").c_str());
  SendMessage(m_combo, CB_SETEDITSEL, 0, MAKELPARAM(3, -1));
  EXPECT_EQ(EditSel(), std::make_pair(3, 8));
  EXPECT_EQ(SendMessage(m_combo, CB_GETEDITSEL, 0, 0), MAKELPARAM(3, 8));
  HWND field = GetWindow(m_combo, GW_CHILD);
  SendMessage(field, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("Menor"));
  EXPECT_EQ(Text(), Cp("Lá Menor"));
  EXPECT_THAT(m_notes, ElementsAre(CBN_EDITUPDATE, CBN_EDITCHANGE));
  SendMessage(field, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 0));
  EXPECT_EQ(SendMessage(field, EM_GETMARGINS, 0, 0), 0);
}

TEST_F(ComboEditTest, MouseDragSelectsAndDoubleClickSelectsAWord) {
  SetWindowText(m_combo, "Si b Maior");
  headless::PumpUntilIdle();
  const POINT start = OnCombo(3, 10);
  headless::MouseMove(start.x, start.y);
  headless::MouseDown();
  headless::MouseMove(start.x + 160, start.y);
  headless::MouseUp();
  headless::PumpUntilIdle();
  EXPECT_EQ(EditSel(), std::make_pair(0, 10));
  EXPECT_EQ(FormPixel(3, 4), kHighlight);
  headless::AdvanceClock(1000);
  const int wordX = OnCombo(3, 10).x + 40;  // inside "Maior"
  headless::DoubleClick(wordX, start.y);
  headless::PumpUntilIdle();
  EXPECT_EQ(EditSel(), std::make_pair(5, 10));
  EXPECT_TRUE(m_notes.empty());
}

TEST_F(ComboEditTest, CopyCutAndPasteGoThroughTheClipboard) {
  SetWindowText(m_combo, Cp("Lá Maior").c_str());
  SendMessage(m_combo, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
  Ctrl('c');
  EXPECT_EQ(headless::Clipboard(), std::optional<std::string>("Lá Maior"));
  Key(headless::keys::kEnd);
  Ctrl('v');
  EXPECT_EQ(Text(), Cp("Lá MaiorLá Maior"));
  Key(headless::keys::kHome, headless::keys::kShiftL);
  Ctrl('x');
  EXPECT_EQ(Text(), "");
  EXPECT_EQ(headless::Clipboard(), std::optional<std::string>("Lá MaiorLá Maior"));
  // A character the code page cannot hold arrives as "?".
  headless::SetClipboard("Dó ♯");
  SendMessage(m_combo, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(), Cp("Dó ?"));
  SendMessage(m_combo, CB_SETEDITSEL, 0, MAKELPARAM(0, 2));
  SendMessage(m_combo, WM_CLEAR, 0, 0);
  EXPECT_EQ(Text(), " ?");
  EXPECT_EQ(m_notes.size(), 8u);  // each of the four changes: CBN_EDITUPDATE, CBN_EDITCHANGE
}

TEST_F(ComboEditTest, PastesLongerThanTheLimitAreCut) {
  headless::SetClipboard(std::string(10000, 'a'));
  SendMessage(m_combo, CB_LIMITTEXT, 100, 0);
  Ctrl('v');
  EXPECT_EQ(Text().size(), 100u);
  Type("b");  // full: typing changes nothing
  EXPECT_EQ(Text().size(), 100u);
  SendMessage(m_combo, CB_LIMITTEXT, 0, 0);  // the platform's maximum
  headless::SetClipboard(std::string(40000, 'c'));
  SendMessage(m_combo, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
  Ctrl('v');
  EXPECT_EQ(Text().size(), 30000u);
  // The caret at the end is kept in view: the field shows the text's end, not its start.
  headless::PumpUntilIdle();
  EXPECT_EQ(FormPixel(4, 4), kWhite);
}

TEST_F(ComboEditTest, CaretBlinksWhileTypingAndStopsShownWhenIdle) {
  // The empty field's caret: one inverted column at the start of the text.
  headless::PumpUntilIdle();
  EXPECT_EQ(FormPixel(3, 8), kBlack);
  headless::AdvanceClock(600);
  EXPECT_EQ(FormPixel(3, 8), kWhite);
  headless::AdvanceClock(11000);
  EXPECT_FALSE(headless::Events().NextTimerDeadline().has_value());  // an idle program sets no timer
  EXPECT_EQ(FormPixel(3, 8), kBlack);
  Key(headless::keys::kLeft);
  EXPECT_TRUE(headless::Events().NextTimerDeadline().has_value());
  SetFocus(m_form);
  headless::PumpUntilIdle();
  EXPECT_FALSE(headless::Events().NextTimerDeadline().has_value());
  EXPECT_EQ(FormPixel(3, 8), kWhite);
}

// A key just before the blink would hide the caret: the caret stays for a whole half period from
// the key, then blinks on from there.
TEST_F(ComboEditTest, AKeyShowsTheCaretAndStartsItsBlinkOver) {
  constexpr int kJustBefore = 30;
  headless::AdvanceClock(kBlinkMs - kJustBefore);
  Key(headless::keys::kLeft);
  headless::AdvanceClock(2 * kJustBefore);
  EXPECT_EQ(FormPixel(3, 8), kBlack) << "the blink went on from before the key";
  headless::AdvanceClock(kBlinkMs - kJustBefore);
  EXPECT_EQ(FormPixel(3, 8), kWhite) << "the blink did not go on from the key";
}

// TESSIVO_CARET_IDLE_MS, read when the field is made, replaces the time the caret blinks without
// input; a value that is no whole number of milliseconds is named on stderr and the default kept.
struct IdleSetting {
  const char* label;
  const char* value;
  int stopsAfterMs;
  bool named;
};

void PrintTo(const IdleSetting& setting, std::ostream* out) { *out << '"' << setting.value << '"'; }

class CaretIdleSetting : public ComboFixture, public ::testing::WithParamInterface<IdleSetting> {
 protected:
  void SetUp() override {
    setenv("TESSIVO_CARET_IDLE_MS", GetParam().value, 1);
    StderrCapture capture;
    ComboFixture::SetUp();
    m_printed = capture.Finish();
    unsetenv("TESSIVO_CARET_IDLE_MS");
  }
  std::string m_printed;
};

TEST_P(CaretIdleSetting, SetsHowLongTheCaretBlinksWithoutInput) {
  if (GetParam().named) {
    EXPECT_NE(m_printed.find("TESSIVO_CARET_IDLE_MS=\"" + std::string(GetParam().value) + "\""),
              std::string::npos)
        << m_printed;
  } else {
    EXPECT_EQ(m_printed, "");
  }
  SetFocus(m_combo);
  headless::PumpUntilIdle();
  headless::AdvanceClock(GetParam().stopsAfterMs);
  EXPECT_TRUE(headless::Events().NextTimerDeadline().has_value()) << "stopped blinking early";
  headless::AdvanceClock(kBlinkMs);
  EXPECT_FALSE(headless::Events().NextTimerDeadline().has_value()) << "still blinking";
}

INSTANTIATE_TEST_SUITE_P(Values, CaretIdleSetting,
                         ::testing::Values(IdleSetting{"Milliseconds", "1500", 1500, false},
                                           IdleSetting{"Zero", "0", 0, false},
                                           IdleSetting{"NotANumber", "2s", 10000, true},
                                           IdleSetting{"Negative", "-5", 10000, true}),
                         [](const ::testing::TestParamInfo<IdleSetting>& info) {
                           return std::string(info.param.label);
                         });

}  // namespace
