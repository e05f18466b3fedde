// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window/combo/edit_text.h"

#include <algorithm>

namespace combo {

void EditText::SetText(std::string_view text) {
  m_text.assign(text.begin(), text.end());
  m_anchor = 0;
  m_caret = 0;
}

std::string EditText::Selected() const {
  return m_text.substr(static_cast<std::size_t>(SelStart()), static_cast<std::size_t>(SelEnd() - SelStart()));
}

int EditText::Clamp(int pos) const { return std::clamp(pos, 0, Length()); }

void EditText::Select(int anchor, int caret) {
  m_anchor = anchor < 0 ? Length() : Clamp(anchor);
  m_caret = caret < 0 ? Length() : Clamp(caret);
}

void EditText::MoveTo(int pos, bool extend) {
  m_caret = Clamp(pos);
  if (!extend) m_anchor = m_caret;
}

bool EditText::ReplaceSelection(std::string_view s) {
  const int start = SelStart();
  const int removed = SelEnd() - start;
  const int room = std::max(0, m_limit - (Length() - removed));
  const std::string_view inserted =
      s.substr(0, std::min<std::size_t>(s.size(), static_cast<std::size_t>(room)));
  if (removed == 0 && inserted.empty()) return false;
  m_text.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(removed), inserted);
  m_caret = m_anchor = start + static_cast<int>(inserted.size());
  return true;
}

bool EditText::DeleteForward() {
  if (!HasSelection()) {
    if (m_caret >= Length()) return false;
    m_anchor = m_caret + 1;
  }
  return ReplaceSelection({});
}

bool EditText::DeleteBackward() {
  if (!HasSelection()) {
    if (m_caret <= 0) return false;
    m_anchor = m_caret - 1;
  }
  return ReplaceSelection({});
}

void EditText::SetLimit(int limit) { m_limit = (limit <= 0 || limit > kMaxLimit) ? kMaxLimit : limit; }

bool EditText::IsSpace(int pos) const {
  const char c = m_text[static_cast<std::size_t>(pos)];
  return c == ' ' || c == '\t';
}

int EditText::WordStart(int pos) const {
  pos = Clamp(pos);
  if (pos < Length() && IsSpace(pos)) {
    while (pos > 0 && IsSpace(pos - 1)) --pos;
    return pos;
  }
  while (pos > 0 && !IsSpace(pos - 1)) --pos;
  return pos;
}

int EditText::WordEnd(int pos) const {
  pos = Clamp(pos);
  if (pos < Length() && IsSpace(pos)) {
    while (pos < Length() && IsSpace(pos)) ++pos;
    return pos;
  }
  while (pos < Length() && !IsSpace(pos)) ++pos;
  return pos;
}

int EditText::PreviousWord(int pos) const {
  pos = Clamp(pos);
  while (pos > 0 && IsSpace(pos - 1)) --pos;
  while (pos > 0 && !IsSpace(pos - 1)) --pos;
  return pos;
}

int EditText::NextWord(int pos) const {
  pos = Clamp(pos);
  while (pos < Length() && !IsSpace(pos)) ++pos;
  while (pos < Length() && IsSpace(pos)) ++pos;
  return pos;
}

}  // namespace combo
