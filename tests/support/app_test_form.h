// SPDX-License-Identifier: GPL-3.0-or-later
// A window of the tests' own for whole-program runs: a form read from its own description
// (TTESTFORM in a swapped resource set) holding simple windowed controls, so focus order, the
// dialog keys and the error display can be driven where the main window has no windowed control
// to use yet.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/form.h"
#include "core/win_control.h"

// A focusable box: takes the focus when clicked, says which dialog keys it wants, and records the
// keys and characters that reach it as ordinary input.
class TTestBox : public TCustomControl {
 public:
  explicit TTestBox(TComponent* owner);
  const char* ClassName() const override { return "TTestBox"; }

  LRESULT DialogCode() const { return m_dialogCode; }
  void SetDialogCode(LRESULT code) { m_dialogCode = code; }
  const std::vector<WORD>& KeysDown() const { return m_keysDown; }
  const std::string& Characters() const { return m_chars; }
  int Paints() const { return m_paints; }
  // "enter" and "leave" as the mouse came and went, in order.
  const std::vector<std::string>& MouseVisits() const { return m_visits; }
  ~TTestBox() override;
  // Runs when the mouse comes over the box (set by a test; may throw).
  std::function<void()> OnMouseArrives;
  // Told of every box as it is destroyed (set by a test).
  static std::function<void(TTestBox*)> s_onDestroy;

  void ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) override;
  void WndProc(TMessage& message) override;

 protected:
  void Paint() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  LRESULT m_dialogCode = DLGC_WANTARROWS;
  std::vector<WORD> m_keysDown;
  std::string m_chars;
  int m_paints = 0;
  std::vector<std::string> m_visits;
};

class TTestForm : public TForm {
 public:
  explicit TTestForm(TComponent* owner);
  const char* ClassName() const override { return "TTestForm"; }

  // What FormCreate does in the next run (set by the test before the run).
  static std::function<void(TTestForm*)> s_onCreate;
  // What FormShow (the OnShow handler a description may name) does.
  static std::function<void(TTestForm*)> s_onShow;
  // What FormPaint (an OnPaint handler a description may name) does.
  static std::function<void(TTestForm*)> s_onPaint;
  // What ComboBox1Change (an OnChange handler a description may name) does, with its sender.
  static std::function<void(TComponent*)> s_onComboBox1Change;

  // The controls read into the form, by name.
  TTestBox* Box(const std::string& name) const;
  TControl* Control(const std::string& name) const;

  void ReadField(const std::string& name, TComponent* component) override;
  TNotifyEvent FindMethod(const std::string& name) override;

 private:
  std::map<std::string, TComponent*> m_fields;
};

extern TTestForm* TestForm;

namespace apptest {

// Registers TTestBox and the main window's classes with the description reader.
void RegisterTestClasses();
// A description of TTestForm at 188, 107 with a 400 x 200 client area, followed by `controls`
// (description lines, UTF-8).
std::string TestFormDescription(const std::string& controls);
// Runs the program's main sequence with TTestForm as the main window.
int RunTestFormSequence();

}  // namespace apptest
