// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/combo/combo_box_strings.h"

#include <vector>

#include "controls/combo/custom_combo.h"
#include "core/exceptions.h"
#include "platform/combo_box.h"
#include "platform/window.h"

LRESULT TCustomComboBoxStrings::Send(UINT msg, WPARAM wParam, LPARAM lParam) const {
  return SendMessage(m_comboBox->Handle(), msg, wParam, lParam);
}

int TCustomComboBoxStrings::Count() const { return static_cast<int>(Send(CB_GETCOUNT, 0, 0)); }

std::string TCustomComboBoxStrings::Get(int index) const {
  LRESULT length = Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  LRESULT copied = Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  if (copied < 0) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(copied < length ? copied : length));
}

TObject* TCustomComboBoxStrings::GetObject(int index) const {
  LRESULT data = Send(CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
  if (data == CB_ERR) RaiseFmt<EStringListError>(kSListIndexError, index);
  return reinterpret_cast<TObject*>(data);
}

void TCustomComboBoxStrings::PutObject(int index, TObject* object) {
  Send(CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(object));
}

void TCustomComboBoxStrings::Delete(int index) { Send(CB_DELETESTRING, static_cast<WPARAM>(index), 0); }

int TCustomComboBoxStrings::IndexOf(std::string_view text) const {
  std::string s(text);
  return static_cast<int>(
      Send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(s.c_str())));
}

void TCustomComboBoxStrings::Clear() {
  std::string text = m_comboBox->GetText();
  Send(CB_RESETCONTENT, 0, 0);
  m_comboBox->SetText(text);
  m_comboBox->Repaint();
}

void TCustomComboBoxStrings::SetUpdateState(bool updating) {
  Send(WM_SETREDRAW, updating ? 0 : 1, 0);
  if (!updating) m_comboBox->Repaint();
}

int TComboBoxStrings::Add(const std::string& text) {
  LRESULT index = Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (index < 0) Raise<EOutOfResources>(kSInsertLineError);
  return static_cast<int>(index);
}

void TComboBoxStrings::Insert(int index, const std::string& text) {
  LRESULT result = Send(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
  if (result < 0) Raise<EOutOfResources>(kSInsertLineError);
}
