// SPDX-License-Identifier: GPL-3.0-or-later
// What every combo box shares: the platform "COMBOBOX" window it wraps, the drop-down count, the
// events, the command notifications, the handling of the edit field's messages and the sizing of
// the open list. The items, the current item and the field's text live in the platform window;
// this class only keeps them while the window does not exist (stored text, stored index while
// loading, saved items while the window is re-created).
//
// The open state of the list, as the control sees it:
//
//   state    event                                   action                           next
//   closed   button, F4, Alt+Down (CBN_DROPDOWN)     OnDropDown, size the drop window open
//   closed   Up/Down in the field (CBN_SELCHANGE)    choose the current item          closed
//   open     mouse choice (CBN_SELCHANGE)            choose the current item          closed
//   open     Enter or Escape as a character          CB_SHOWDROPDOWN 0, char dropped  closed
//   open     press on another control (cancel mode)  CB_SHOWDROPDOWN 0                closed
//   open     focus moved during OnDropDown           post WM_CANCELMODE (and close
//                                                    when the focus left the control) closed
//   open     CBN_CLOSEUP                             OnCloseUp                        closed
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "controls/combo/custom_list_control.h"
#include "core/graphics.h"
#include "core/string_list.h"

class TCustomComboBoxStrings;

enum class TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomCombo : public TCustomListControl {
 public:
  explicit TCustomCombo(TComponent* owner);
  ~TCustomCombo() override;
  const char* ClassName() const override { return "TCustomCombo"; }

  // ---- Properties ----
  TStrings& Items();
  // Copies the strings and their objects of `source` into the bound collection.
  virtual void SetItems(const TStrings& source);
  int DropDownCount() const { return m_dropDownCount; }
  // Stored only: it takes effect at the next opening of the list.
  virtual void SetDropDownCount(int count) { m_dropDownCount = count; }
  // The height of a list row (see GetItemHeight).
  int ItemHeight() { return GetItemHeight(); }
  // Values above 0 are stored and re-create the window when it exists; others are ignored.
  virtual void SetItemHeight(int height);
  int MaxLength() const { return m_maxLength; }
  void SetMaxLength(int length);
  bool DroppedDown();
  void SetDroppedDown(bool dropped);
  // The field's text; the stored text while the window does not exist.
  std::string GetText() const override;
  // Writes only a different text (exact comparison); no event fires.
  void SetText(const std::string& text) override;

  HWND EditHandle() const { return m_editHandle; }
  HWND ListHandle() const { return m_listHandle; }
  HWND DropHandle() const { return m_dropHandle; }
  // The edit field or the list has the focus (or the control window itself, for the list-only
  // styles, which have no edit field to take it).
  bool Focused() const override;

  // ---- Events ----
  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;

  // ---- List control operations ----
  int GetCount() override { return GetItemCount(); }
  int GetItemIndex() override;
  // No event fires; while loading the index is kept and applied at the end of loading.
  void SetItemIndex(int index) override;
  void AddItem(const std::string& text, TObject* object) override;
  void Clear() override;
  void ClearSelection() override { SetItemIndex(-1); }
  void CopySelection(TCustomListControl* destination) override;
  void DeleteSelected() override;
  void SelectAll() override;

  void WndProc(TMessage& message) override;
  void ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) override;
  void Loaded() override;

 protected:
  // ---- Overridable steps, in slot order ----
  virtual void AdjustDropDown();
  // A message for a child window (the edit field; the list of the simple style) on its way to
  // the child's own procedure.
  virtual void ComboWndProc(TMessage& message, HWND child);
  virtual std::unique_ptr<TCustomComboBoxStrings> CreateItemsObject() = 0;
  virtual int GetItemHeight() = 0;
  virtual int GetItemCount() = 0;

  // ---- Notifications ----
  // The changed notice up the parents, then OnChange.
  virtual void Change();
  // OnSelect, or the change event when there is none.
  virtual void Select();
  virtual void DropDown();
  virtual void CloseUp();

  // The style the window is made with; the shared part knows only the drop-down style.
  virtual TComboBoxStyle ComboStyle() const { return TComboBoxStyle::csDropDown; }
  bool HasEditField() const {
    return ComboStyle() == TComboBoxStyle::csDropDown || ComboStyle() == TComboBoxStyle::csSimple;
  }

  void CreateParams(TCreateParams& params) override;
  void WindowCreated() override;
  void WindowDestroying() override;
  void DestroyWnd() override;

  // The bound collection; the derived constructor makes it with CreateItemsObject.
  void BindItems();
  int m_itemHeight = 16;
  TCanvas& Canvas() { return *m_canvas; }

 private:
  friend LRESULT ComboChildProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, std::uintptr_t id,
                                std::uintptr_t refData);
  void HandleCommand(TMessage& message);
  void ChooseCurrentItem();
  void OpenList();
  // Colours for the edit field and the list, asked before they draw.
  void AnswerControlColor(TMessage& message);
  void MouseDownOnButton(TMessage& message);
  // The key-press step on a WM_CHAR; true when the message goes no further.
  bool CharMessage(TMessage& message);
  // Hooks a child window so its messages come to ComboWndProc first.
  void HookChild(HWND child);
  void ReleaseChildren();

  std::unique_ptr<TCustomComboBoxStrings> m_items;
  std::unique_ptr<TStringList> m_savedItems;
  std::unique_ptr<TCanvas> m_canvas;
  int m_storedIndex = -1;
  std::string m_storedText;
  int m_savedIndex = -1;
  int m_dropDownCount = 8;
  int m_maxLength = 0;
  bool m_sizing = false;
  bool m_holdsCapture = false;  // taken by a press on the button, let go at its release
  bool m_focused = false;
  bool m_focusChanged = false;
  HWND m_editHandle = nullptr;
  HWND m_listHandle = nullptr;
  HWND m_dropHandle = nullptr;
};
