// SPDX-License-Identifier: GPL-3.0-or-later
// The key selector's item collection. It keeps no texts of its own: every operation goes to the
// platform list of the bound control, so the fifteen key names are held once, in the platform
// window. Reading the count or an item creates the control's window when it does not exist yet.
#pragma once

#include <string>
#include <string_view>

#include "base/types.h"
#include "core/string_list.h"

class TCustomCombo;

inline constexpr const char* kSInsertLineError = "Unable to insert a line";

class TCustomComboBoxStrings : public TStrings {
 public:
  TCustomComboBoxStrings() = default;
  ~TCustomComboBoxStrings() override = default;

  TCustomCombo* ComboBox() const { return m_comboBox; }
  void SetComboBox(TCustomCombo* comboBox) { m_comboBox = comboBox; }

  int Count() const override;
  // An invalid index gives an empty text, not an error.
  std::string Get(int index) const override;
  // An invalid index raises EStringListError "List index out of bounds (%d)".
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  void Delete(int index) override;
  // The platform's search: the first item equal to the text, ignoring case (accents folded too).
  int IndexOf(std::string_view text) const override;
  // Empties the list; the field keeps its text.
  void Clear() override;

 protected:
  // The outermost update switches the platform list's redrawing off, and back on with a repaint.
  void SetUpdateState(bool updating) override;
  LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam) const;

 private:
  TCustomCombo* m_comboBox = nullptr;
};

// Adding and inserting; a platform refusal raises EOutOfResources "Unable to insert a line" and
// leaves the items added before in place.
class TComboBoxStrings : public TCustomComboBoxStrings {
 public:
  int Add(const std::string& text) override;
  void Insert(int index, const std::string& text) override;
};
