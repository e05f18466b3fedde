// SPDX-License-Identifier: GPL-3.0-or-later
// The text of an edit field with its selection: what typing, deleting and pasting do to it, with
// no window or pixels involved (internal to the platform layer).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <string>
#include <string_view>

namespace combo {

class EditText {
 public:
  // The most characters a field holds when no smaller limit is set (a limit of 0 means this).
  static constexpr int kMaxLimit = 30000;

  const std::string& Text() const { return m_text; }
  int Length() const { return static_cast<int>(m_text.size()); }
  // Replaces everything, ignoring the limit (as a program's own write may); caret at the start.
  void SetText(std::string_view text);

  // The selection runs from the anchor to the caret; either may be the larger.
  int Anchor() const { return m_anchor; }
  int Caret() const { return m_caret; }
  int SelStart() const { return m_anchor < m_caret ? m_anchor : m_caret; }
  int SelEnd() const { return m_anchor < m_caret ? m_caret : m_anchor; }
  bool HasSelection() const { return m_anchor != m_caret; }
  std::string Selected() const;
  // Positions are clamped to the text; a negative end means the end of the text.
  void Select(int anchor, int caret);
  // Moves the caret; with `extend` the anchor stays, otherwise the selection collapses.
  void MoveTo(int pos, bool extend);

  // Puts `s` in place of the selection, cut so the text stays within the limit; the caret
  // follows the inserted text. False when nothing changed.
  bool ReplaceSelection(std::string_view s);
  // Delete and Backspace: the selection if any, otherwise the character after / before the caret.
  bool DeleteForward();
  bool DeleteBackward();

  int Limit() const { return m_limit; }
  void SetLimit(int limit);  // 0 or anything above the maximum: the maximum

  // Word boundaries for double clicks and Ctrl+arrows: a word is a run of characters other than
  // spaces and tabs.
  int WordStart(int pos) const;
  int WordEnd(int pos) const;
  int PreviousWord(int pos) const;
  int NextWord(int pos) const;

 private:
  int Clamp(int pos) const;
  bool IsSpace(int pos) const;

  std::string m_text;
  int m_anchor = 0;
  int m_caret = 0;
  int m_limit = kMaxLimit;
};

}  // namespace combo
