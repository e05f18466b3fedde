// SPDX-License-Identifier: GPL-3.0-or-later
// The operations every list control offers (the key selector is the one in this program): the
// item count, the current item, adding and clearing, and handing the current item to another list
// control. Moving the current item is the one operation the base itself does: a copy, then a delete.
#pragma once

#include <string>

#include "core/win_control.h"

class TObject;

class TCustomListControl : public TWinControl {
 public:
  explicit TCustomListControl(TComponent* owner) : TWinControl(owner) {}
  const char* ClassName() const override { return "TCustomListControl"; }

  virtual int GetCount() = 0;
  virtual int GetItemIndex() = 0;
  virtual void SetItemIndex(int index) = 0;
  virtual void AddItem(const std::string& text, TObject* object) = 0;
  virtual void Clear() = 0;
  virtual void ClearSelection() = 0;
  virtual void CopySelection(TCustomListControl* destination) = 0;
  virtual void DeleteSelected() = 0;
  virtual void MoveSelection(TCustomListControl* destination) {
    CopySelection(destination);
    DeleteSelected();
  }
  virtual void SelectAll() = 0;

  int ItemIndex() { return GetItemIndex(); }
};
