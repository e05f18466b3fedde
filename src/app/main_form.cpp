// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_form.h"

#include "app/label.h"
#include "controls/combo/custom_combo_box.h"
#include "controls/grid/grid_registration.h"
#include "controls/grid/string_grid.h"
#include "controls/player/media_player.h"
#include "core/window_description.h"
#include "theory/key_selection.h"

TForm1* Form1 = nullptr;

void RegisterMainWindowClasses() {
  RegisterComponentClass("TLabel", [](TComponent* owner) { return new TLabel(owner); });
  RegisterGridClasses();
  RegisterComboClasses();
  RegisterPlayerClasses();
}

TForm1::TForm1(TComponent* owner) : TForm(owner) { InitFromResource(); }

void TForm1::ReadField(const std::string& name, TComponent* component) {
  TLabel** labels[] = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6, &Label7};
  for (int i = 0; i < 7; ++i) {
    if (name == "Label" + std::to_string(i + 1)) *labels[i] = dynamic_cast<TLabel*>(component);
  }
  if (name == "StringGrid1") StringGrid1 = dynamic_cast<TStringGrid*>(component);
  if (name == "ComboBox1") ComboBox1 = dynamic_cast<TComboBox*>(component);
  if (name == "MediaPlayer1") MediaPlayer1 = dynamic_cast<TMediaPlayer*>(component);
}

TNotifyEvent TForm1::FindMethod(const std::string& name) {
  if (name == "FormCreate") return [this](TComponent* sender) { FormCreate(sender); };
  if (name == "StringGrid1Click") return [this](TComponent* sender) { StringGrid1Click(sender); };
  if (name == "ComboBox1Change") return [this](TComponent* sender) { ComboBox1Change(sender); };
  return {};
}

theory::HeaderCells TForm1::HeaderRow() {
  return {[this](int column) { return StringGrid1->CellText(column, 0); },
          [this](int column, const std::string& text) { StringGrid1->SetCellText(column, 0, text); }};
}

void TForm1::FormCreate(TComponent*) {
  if (StringGrid1) theory::ShowFunctionNames(HeaderRow());
  m_notes.Fill();
}

void TForm1::StringGrid1Click(TComponent*) {
  if (StringGrid1) theory::ToggleHeader(HeaderRow());
}

void TForm1::ComboBox1Change(TComponent*) {
  if (!ComboBox1 || !StringGrid1 || !MediaPlayer1) return;
  theory::SelectKey(
      ComboBox1->ItemIndex(), &m_keyIndex,
      {[this](int column, const std::string& text) { StringGrid1->SetCellText(column, 1, text); },
       [this](std::string_view fileName) { MediaPlayer1->SetFileName(std::string(fileName)); },
       [this] { MediaPlayer1->Open(); }});
}
