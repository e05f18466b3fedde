// SPDX-License-Identifier: GPL-3.0-or-later
// The screen object: the screen's pixels per inch (read once, when it is made), the forms in
// creation order, and which form and control are active.
#pragma once

#include <vector>

class TCustomForm;
class TWinControl;

class TScreen {
 public:
  TScreen();
  int PixelsPerInch() const { return m_pixelsPerInch; }
  int Width() const;
  int Height() const;

  const std::vector<TCustomForm*>& Forms() const { return m_forms; }
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);

  TCustomForm* ActiveForm() const { return m_activeForm; }
  void SetActiveForm(TCustomForm* form) { m_activeForm = form; }
  TWinControl* ActiveControl() const { return m_activeControl; }
  void SetActiveControl(TWinControl* control) { m_activeControl = control; }

 private:
  int m_pixelsPerInch = 96;
  std::vector<TCustomForm*> m_forms;
  TCustomForm* m_activeForm = nullptr;
  TWinControl* m_activeControl = nullptr;
};

// The one screen object of the program; exists from before the application object to the end.
extern TScreen* Screen;
