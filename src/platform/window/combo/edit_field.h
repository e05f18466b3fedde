// SPDX-License-Identifier: GPL-3.0-or-later
// The edit field of the platform's combo box (class "Edit"): one line of cp1252 text with a
// caret, a selection, mouse selection, the editing keys and the clipboard (internal).
//
// The caret blinks while the field has the focus and stops, left shown, after a while without
// input, so an idle program sets no timer. The field's colours come from its parent's answer to
// WM_CTLCOLOREDIT, as for any edit control.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/types.h"
#include "platform/accessibility.h"
#include "platform/window/combo/edit_text.h"
#include "platform/window/window_object.h"

namespace combo {

class EditField : public window::WindowObject {
 public:
  static constexpr UINT kBlinkMs = 530;
  // Input-free time after which the caret stops blinking, unless TESSIVO_CARET_IDLE_MS says
  // otherwise (read when the field is made).
  static constexpr std::uint64_t kIdleStopMs = 10000;

  // The object of a new field window (window::ObjectWindowProc).
  static std::unique_ptr<window::WindowObject> Make(HWND hwnd, const CREATESTRUCT* cs);
  explicit EditField(HWND hwnd);

  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;

  const EditText& Content() const { return m_text; }
  // False for the field of a list-only combo box, which shows the current item only.
  bool TakesTyping() const;
  // The whole text replaced as the user's typing would replace it (one line, the combo box's
  // case, the limit), and the combo box told as of typing.
  void TypeOver(std::string_view text);

 private:
  // The text and caret before a change, kept only while a screen reader listens.
  struct Before {
    std::string text;
    int selStart = 0;
    int caret = 0;
  };
  std::optional<Before> BeforeChange() const;
  // A program wrote the text or the selection: what a reader hears of it.
  void Written(const std::optional<Before>& before);
  void TellCaretFrom(int caretBefore);

  void Create(const CREATESTRUCT* cs);
  void SetFont(HFONT font, bool redraw);
  void Paint();
  // Sets the text colours the parent answers (WM_CTLCOLOREDIT), greyed when disabled, and
  // returns the background brush.
  HBRUSH Colours(HDC dc);
  // The visible characters, the selection in the highlight colours and the caret.
  void PaintText(HDC dc, const RECT& client);
  int TextHeight() const { return m_textHeight; }
  int WidthOf(int from, int to) const;  // pixels of the characters [from, to)
  int PositionAt(int x) const;          // client x to a caret position
  int VisibleWidth() const;
  void ScrollToCaret();
  void Redraw();

  // Input
  void KeyDown(UINT vk);
  void Char(unsigned char c);
  void MouseDown(int x, bool extend);
  void MouseMove(int x);
  void MouseUp();
  void SelectWordAt(int x);
  // A change made by the user: redraw and tell a screen reader and the combo box.
  void Edited(const std::optional<Before>& before);

  // Clipboard
  void Copy();
  void Cut();
  void Paste();
  void Clear();

  // Caret
  void GainFocus(HWND lostBy);
  void LoseFocus(HWND gainedBy);
  // Input shows the caret at once; a key, a click or a focus change also starts its blink over
  // from there, while a mere pointer movement keeps the blink's rhythm.
  enum class CaretPhase { kKept, kRestarted };
  void RestartBlink(CaretPhase phase = CaretPhase::kRestarted);
  void Blink();

  EditText m_text;
  HFONT m_font = nullptr;
  std::array<int, 256> m_advance{};
  int m_textHeight = 0;
  int m_leftMargin = 0;
  int m_rightMargin = 0;
  int m_scroll = 0;  // pixels of text scrolled out at the left
  bool m_focused = false;
  bool m_caretShown = false;
  bool m_blinking = false;
  std::uint64_t m_lastInputMs = 0;
  std::uint64_t m_idleStopMs;
  bool m_dragging = false;
  bool m_redraw = true;
  std::unique_ptr<a11y::Provider> m_access;  // made when a screen reader first asks
};

}  // namespace combo
