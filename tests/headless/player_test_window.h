// SPDX-License-Identifier: GPL-3.0-or-later
// A form holding the media player as the main window places it: at 280, 8, 29 x 30 with only the
// Play button. Pixels are read from what the display shows; the multimedia service is the real
// one, rendering offline as the headless clock advances.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "app/form.h"
#include "controls/player/media_player.h"
#include "core/event_boundary.h"
#include "core/exceptions.h"
#include "core/window_description.h"
#include "platform/headless/headless_driver.h"
#include "platform/mci.h"
#include "platform/module.h"
#include "platform/window.h"
#include "support/headless_fixture.h"
#include "support/program_loop.h"

namespace playertest {

inline constexpr std::uint32_t kFrame = 0x000000;
inline constexpr std::uint32_t kFace = 0xD4D0C8;
inline constexpr std::uint32_t kShadow = 0x808080;
inline constexpr std::uint32_t kLight = 0xFFFFFF;
inline constexpr std::uint32_t kGreen = 0x00FF00;

// The Play glyph row by row: '.' background, 'g' grey edge, 'w' white edge, 'X' the fill.
inline const std::vector<std::string> kPlayGlyph = {
    ".................", ".................", "..gg.............", "..gXgg...........",
    "..gXXXgg.........", "..gXXXXXgg.......", "..gXXXXXXXgg.....", "..gXXXXXXXXXggw..",
    "..gXXXXXXXXXww...", "..gXXXXXXXww.....", "..gXXXXXww.......", "..gXXXww.........",
    "..gXww...........", "...w.............", ".................", "................."};

class PlayerWindowTest : public HeadlessFixture {
 protected:
  static constexpr int kFormLeft = 100;
  static constexpr int kFormTop = 50;
  static constexpr int kPlayerLeft = 280;
  static constexpr int kPlayerTop = 8;

  void SetUp() override {
    unsetenv("TESSIVO_AUDIO");
    HeadlessFixture::SetUp();
    SetModuleResources(TessivoResources());  // the glyphs
    m_previousReporter = SetExceptionReporter([this](TComponent*) {
      try {
        throw;
      } catch (const Exception& e) {
        reported.push_back(std::string(e.ClassName()) + ": " + e.Message());
      } catch (...) {
        reported.push_back("?");
      }
    });
    form = new TForm(nullptr);
    form->SetBounds(kFormLeft, kFormTop, 400, 120);
    player = new TMediaPlayer(form);
    player->SetParent(form);
    player->SetBounds(kPlayerLeft, kPlayerTop, 29, 30);
    player->SetVisibleButtons(ButtonBit(TMPBtnType::btPlay));
    player->SetTabOrder(0);
    player->OnClick = [this](TComponent*, TMPBtnType b, bool& doDefault) {
      clicks.push_back(b);
      doDefault = allowDefault;
    };
    player->OnPostClick = [this](TComponent*, TMPBtnType b) { postClicks.push_back(b); };
    player->OnNotify = [this](TComponent*) { ++notifies; };
  }

  void TearDown() override {
    delete form;
    form = nullptr;
    ShutdownMci();
    SetModuleResources(nullptr);
    SetExceptionReporter(m_previousReporter);
    HeadlessFixture::TearDown();
  }

  void Show() {
    form->SetVisible(true);
    Pump();
  }

  static void Pump() { apptest::PumpLikeTheProgram(); }

  static std::string MidiPath(const std::string& name) {
    return std::string(TESSIVO_BINARY_DIR) + "/" + name;
  }

  void OpenKey() {
    player->SetFileName(MidiPath("do maior.MID"));
    player->Open();
    Pump();
  }

  POINT Screen(int x, int y) const { return {kFormLeft + kPlayerLeft + x, kFormTop + kPlayerTop + y}; }
  std::uint32_t Pixel(int x, int y) const {
    return headless::PresentedPixel(form->Handle(), kPlayerLeft + x, kPlayerTop + y) & 0xFFFFFF;
  }

  void Press(int x, int y) {
    headless::AdvanceClock(600);  // no double click with an earlier press
    POINT p = Screen(x, y);
    headless::MouseMove(p.x, p.y);
    headless::MouseDown();
    Pump();
  }
  void MoveTo(int x, int y) {
    POINT p = Screen(x, y);
    headless::MouseMove(p.x, p.y);
    Pump();
  }
  void Release() {
    headless::MouseUp();
    Pump();
  }
  void Click(int x, int y) {
    Press(x, y);
    Release();
  }

  // How many pixels of the Play glyph at (left, top) differ from the picture with `fill` for 'X'.
  int GlyphMismatches(int left, int top, std::uint32_t fill) const {
    int bad = 0;
    for (int row = 0; row < static_cast<int>(kPlayGlyph.size()); ++row) {
      for (int col = 0; col < 17; ++col) {
        const char c = kPlayGlyph[row][col];
        const std::uint32_t want = c == '.' ? kFace : c == 'g' ? kShadow : c == 'w' ? kLight : fill;
        bad += Pixel(left + col, top + row) == want ? 0 : 1;
      }
    }
    return bad;
  }

  TForm* form = nullptr;
  TMediaPlayer* player = nullptr;
  std::vector<std::string> reported;
  std::vector<TMPBtnType> clicks;
  std::vector<TMPBtnType> postClicks;
  int notifies = 0;
  bool allowDefault = true;

 private:
  ExceptionReporter m_previousReporter;
};

}  // namespace playertest
