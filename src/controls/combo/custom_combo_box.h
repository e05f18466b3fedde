// SPDX-License-Identifier: GPL-3.0-or-later
// The combo box proper: its style, sorting, case conversion, typing completion and owner drawing,
// and TComboBox, the class the main window's description names for the key selector.
//
// Typing completion, for a character c typed into the field (AutoComplete on):
//
//   c            list            search text                      found          c
//   Backspace    -               (see Backspace)                  -              cancelled, OnChange
//   Tab          open, AutoDrop  -                                -              closes the list
//   Escape       -               -                                -              goes on
//   other        closed,AutoDrop opens the list, then as below
//   other        -               selection: filter[0, start) + c  item current,  cancelled
//                                else: filter + c                 rest selected
//                                                                 none           goes on (hand edit)
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controls/combo/custom_combo.h"

enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum class TBevelKind { bkNone, bkTile, bkSoft, bkFlat };
enum class TDragMode { dmManual, dmAutomatic };

// Owner-drawn item states, as a bit set.
inline constexpr unsigned odSelected = 0x01;
inline constexpr unsigned odFocused = 0x10;

using TDrawItemEvent = std::function<void(TComponent* sender, int index, const RECT& rect, unsigned state)>;
using TMeasureItemEvent = std::function<void(TComponent* sender, int index, int& height)>;

// Typing waits this long before a list-only style starts a new search.
inline constexpr std::uint32_t kCompletionResetMs = 500;

class TCustomComboBox : public TCustomCombo {
 public:
  explicit TCustomComboBox(TComponent* owner);
  ~TCustomComboBox() override;
  const char* ClassName() const override { return "TCustomComboBox"; }

  TComboBoxStyle Style() const { return m_style; }
  virtual void SetStyle(TComboBoxStyle style);
  bool Sorted() const { return m_sorted; }
  void SetSorted(bool sorted);
  TEditCharCase CharCase() const { return m_charCase; }
  void SetCharCase(TEditCharCase charCase);
  bool AutoComplete() const { return m_autoComplete; }
  void SetAutoComplete(bool value) { m_autoComplete = value; }
  bool AutoDropDown() const { return m_autoDropDown; }
  void SetAutoDropDown(bool value) { m_autoDropDown = value; }
  bool AutoCloseUp() const { return m_autoCloseUp; }
  void SetAutoCloseUp(bool value) { m_autoCloseUp = value; }
  // Drawn on top of the platform's painting when not bkNone (edges and a frame around the button).
  TBevelKind BevelKind() const { return m_bevelKind; }
  void SetBevelKind(TBevelKind kind);
  TDragMode DragMode() const { return m_dragMode; }
  void SetDragMode(TDragMode mode) { m_dragMode = mode; }
  const std::string& FilterText() const { return m_filter; }

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

  // Owner drawing (csOwnerDrawFixed, csOwnerDrawVariable): OnDrawItem, or the item's text 2
  // pixels from the left on its row, highlighted when selected, with a focus rectangle.
  virtual void DrawItem(int index, const RECT& rect, unsigned state);
  virtual void MeasureItem(int index, int& height);

  void WndProc(TMessage& message) override;
  void ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) override;

 protected:
  std::unique_ptr<TCustomComboBoxStrings> CreateItemsObject() override;
  // ItemHeight for the owner-drawn styles, otherwise the platform's row height.
  int GetItemHeight() override;
  int GetItemCount() override;
  TComboBoxStyle ComboStyle() const override { return m_style; }
  void CreateParams(TCreateParams& params) override;
  // OnKeyPress has run; typing completion follows.
  void KeyPress(char& key) override;

 private:
  // The lookup for a search text: true when an item was found and made current.
  bool SelectItem(const std::string& search);
  void Backspace();
  // Start and end of the field's selection (CB_GETEDITSEL).
  void EditSelection(int& start, int& end);

  TComboBoxStyle m_style = TComboBoxStyle::csDropDown;
  bool m_sorted = false;
  TEditCharCase m_charCase = TEditCharCase::ecNormal;
  bool m_autoComplete = true;
  bool m_autoDropDown = false;
  bool m_autoCloseUp = false;
  TBevelKind m_bevelKind = TBevelKind::bkNone;
  TDragMode m_dragMode = TDragMode::dmManual;
  std::string m_filter;
  std::uint32_t m_lastKeyTime = 0;
};

// Publishes the properties; adds no behaviour.
class TComboBox : public TCustomComboBox {
 public:
  explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
  const char* ClassName() const override { return "TComboBox"; }
};

// Makes TComboBox known to the window description reader.
void RegisterComboClasses();
