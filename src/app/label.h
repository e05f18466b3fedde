// SPDX-License-Identifier: GPL-3.0-or-later
// Static labels: windowless controls that their window paints. A label sizes itself to its caption
// (auto size), paints opaquely in its colour and shows "&" as the prefix marker.
#pragma once

#include "core/control.h"

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TTextLayout { tlTop, tlCenter, tlBottom };

class TCustomLabel : public TGraphicControl {
 public:
  explicit TCustomLabel(TComponent* owner);
  const char* ClassName() const override { return "TCustomLabel"; }

  bool AutoSize() const { return m_autoSize; }
  void SetAutoSize(bool value);
  TAlignment Alignment() const { return m_alignment; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return m_layout; }
  void SetLayout(TTextLayout value);
  bool WordWrap() const { return m_wordWrap; }
  void SetWordWrap(bool value);
  bool ShowAccelChar() const { return m_showAccelChar; }
  void SetShowAccelChar(bool value);

  void ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) override;
  void Loaded() override;

  // A reader hears what the label shows: the caption without its prefix markers.
  a11y::Role AccessibleRole() const override { return a11y::Role::kLabel; }
  std::string AccessibleName() const override { return ShownText(); }
  std::optional<std::string> AccessibleText() const override { return ShownText(); }
  // The caption as painted: with ShowAccelChar, "&" marks the next character ("&&" shows one "&").
  std::string ShownText() const;

 protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;
  // Measures the caption and takes the extent as the label's size, keeping Left and Top.
  void AdjustBounds();

 private:
  UINT TextFlags() const;
  void DoDrawText(RECT& rect, UINT flags);

  bool m_autoSize = true;
  TAlignment m_alignment = TAlignment::taLeftJustify;
  TTextLayout m_layout = TTextLayout::tlTop;
  bool m_wordWrap = false;
  bool m_showAccelChar = true;
};

class TLabel : public TCustomLabel {
 public:
  explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
  const char* ClassName() const override { return "TLabel"; }
};
