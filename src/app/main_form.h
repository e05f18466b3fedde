// SPDX-License-Identifier: GPL-3.0-or-later
// Tessivo's main window: the key selector, the chord grid, the media player and seven labels, built
// from the description TFORM1, and the handlers that bind them to the harmonic field logic.
#pragma once

#include <string>

#include "app/form.h"
#include "theory/degree_header.h"
#include "theory/note_table.h"

class TComboBox;
class TLabel;
class TMediaPlayer;
class TStringGrid;

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* owner);
  const char* ClassName() const override { return "TForm1"; }

  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TLabel* Label3 = nullptr;
  TLabel* Label4 = nullptr;
  TLabel* Label5 = nullptr;
  TLabel* Label6 = nullptr;
  TLabel* Label7 = nullptr;
  TStringGrid* StringGrid1 = nullptr;
  TComboBox* ComboBox1 = nullptr;
  TMediaPlayer* MediaPlayer1 = nullptr;

  // The creation handler: the header row's function names, then the note table.
  void FormCreate(TComponent* sender);
  // A click on a white cell (or a keyboard move of the grid's current cell): the header row
  // switches between function names and Roman numerals.
  void StringGrid1Click(TComponent* sender);
  // The key selector's change event (a choice in the list, completed typing, Backspace, a hand
  // edit of the field): the chord row shows the chosen key's chords and the player opens its file.
  void ComboBox1Change(TComponent* sender);

  int KeyIndex() const { return m_keyIndex; }
  const theory::NoteTable& Notes() const { return m_notes; }

  void ReadField(const std::string& name, TComponent* component) override;
  TNotifyEvent FindMethod(const std::string& name) override;

 private:
  // The chosen key, 1..15; 0 until one is chosen.
  int m_keyIndex = 0;
  theory::NoteTable m_notes;

  // The grid's header row, as the degree header logic reaches it.
  theory::HeaderCells HeaderRow();
};

extern TForm1* Form1;

// Makes the classes of the main window's description known to the reader.
void RegisterMainWindowClasses();
