// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/app_test_form.h"

#include <stdexcept>

#include "app/main_form.h"
#include "app/program.h"
#include "core/window_description.h"
#include "platform/gdi.h"

TTestForm* TestForm = nullptr;
std::function<void(TTestForm*)> TTestForm::s_onCreate;
std::function<void(TTestForm*)> TTestForm::s_onShow;
std::function<void(TTestForm*)> TTestForm::s_onPaint;
std::function<void(TComponent*)> TTestForm::s_onComboBox1Change;
std::function<void(TTestBox*)> TTestBox::s_onDestroy;

// ---- TTestBox ------------------------------------------------------------------------------------
TTestBox::TTestBox(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 60, 24);
  SetTabStop(true);
  SetColor(clWhite);  // a colour of its own, not the window's
}

TTestBox::~TTestBox() {
  if (s_onDestroy) s_onDestroy(this);
}

void TTestBox::ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) {
  if (name == "WantArrows") {
    m_dialogCode = DescBoolean(value) ? DLGC_WANTARROWS : 0;
  } else if (name == "FailWith") {
    // An error object that is not one of the program's, raised while the window is read.
    throw std::runtime_error(DescText(value));
  } else {
    TCustomControl::ReadProperty(name, value, root);
  }
}

void TTestBox::WndProc(TMessage& message) {
  if (message.Msg == WM_GETDLGCODE) {
    message.Result = m_dialogCode;
    return;
  }
  if (message.Msg == CM_MOUSEENTER) {
    m_visits.push_back("enter");
    if (OnMouseArrives) OnMouseArrives();
  }
  if (message.Msg == CM_MOUSELEAVE) m_visits.push_back("leave");
  TCustomControl::WndProc(message);
}

void TTestBox::Paint() {
  ++m_paints;
  Canvas().Brush().SetColor(Color());
  RECT r = ClientRect();
  Canvas().FillRect(r);
}

void TTestBox::KeyDown(WORD& key, TShiftState shift) {
  m_keysDown.push_back(key);
  TCustomControl::KeyDown(key, shift);
}

void TTestBox::KeyPress(char& key) {
  m_chars += key;
  TCustomControl::KeyPress(key);
}

void TTestBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft && CanFocus()) SetFocus();
  TCustomControl::MouseDown(button, shift, x, y);
}

// ---- TTestForm -----------------------------------------------------------------------------------
TTestForm::TTestForm(TComponent* owner) : TForm(owner) { InitFromResource(); }

TTestBox* TTestForm::Box(const std::string& name) const { return dynamic_cast<TTestBox*>(Control(name)); }

TControl* TTestForm::Control(const std::string& name) const {
  auto it = m_fields.find(name);
  return it == m_fields.end() ? nullptr : dynamic_cast<TControl*>(it->second);
}

void TTestForm::ReadField(const std::string& name, TComponent* component) { m_fields[name] = component; }

TNotifyEvent TTestForm::FindMethod(const std::string& name) {
  if (name == "FormCreate") {
    return [this](TComponent*) {
      if (s_onCreate) s_onCreate(this);
    };
  }
  if (name == "FormPaint") {
    return [this](TComponent*) {
      if (s_onPaint) s_onPaint(this);
    };
  }
  if (name == "ComboBox1Change") {
    return [](TComponent* sender) {
      if (s_onComboBox1Change) s_onComboBox1Change(sender);
    };
  }
  if (name == "FormShow") {
    return [this](TComponent*) {
      if (s_onShow) s_onShow(this);
    };
  }
  return {};
}

namespace apptest {

void RegisterTestClasses() {
  RegisterMainWindowClasses();
  RegisterComponentClass("TTestBox", [](TComponent* owner) { return new TTestBox(owner); });
}

std::string TestFormDescription(const std::string& controls) {
  return "window TTestForm TestForm\n"
         "  Left 188\n"
         "  Top 107\n"
         "  BorderStyle bsDialog\n"
         "  Caption \"Formulário de teste\"\n"
         "  ClientHeight 200\n"
         "  ClientWidth 400\n"
         "  Color clBtnFace\n"
         "  Font.Charset DEFAULT_CHARSET\n"
         "  Font.Color clWindowText\n"
         "  Font.Height -11\n"
         "  Font.Name \"MS Sans Serif\"\n"
         "  Font.Style {}\n"
         "  OldCreateOrder false\n"
         "  OnCreate FormCreate\n"
         "  PixelsPerInch 96\n"
         "  TextHeight 13\n" +
         controls;
}

int RunTestFormSequence() {
  RegisterTestClasses();
  return RunMainSequence(TestForm);
}

}  // namespace apptest
