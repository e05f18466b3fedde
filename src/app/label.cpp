// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/label.h"

#include "core/window_description.h"
#include "platform/gdi.h"

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
  // Opaque: without visual themes a label fills its rectangle with its colour.
  m_controlStyle = csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csReplicatable;
  SetBounds(0, 0, 65, 17);
  SetScalingFlags(sfLeft | sfTop | sfWidth | sfHeight);
}

UINT TCustomLabel::TextFlags() const {
  UINT flags = DT_EXPANDTABS;
  if (m_wordWrap) flags |= DT_WORDBREAK;
  if (!m_showAccelChar) flags |= DT_NOPREFIX;
  return flags;
}

void TCustomLabel::DoDrawText(RECT& rect, UINT flags) {
  std::string text = Caption();
  // An empty caption still measures one line high.
  if ((flags & DT_CALCRECT) && text.empty()) text.assign(1, ' ');
  TCanvas& canvas = Canvas();
  canvas.Font().Assign(Font());
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  if (!Enabled()) {
    // Embossed: a highlight copy one pixel right and down, the shadow copy on top.
    RECT shifted{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
    canvas.Font().SetColor(clBtnHighlight);
    canvas.DrawText(text, shifted, flags);
    canvas.Font().SetColor(clBtnShadow);
  }
  canvas.DrawText(text, rect, flags);
}

std::string TCustomLabel::ShownText() const {
  const std::string caption = Caption();
  if (!m_showAccelChar) return caption;
  std::string shown;
  shown.reserve(caption.size());
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 == caption.size()) break;  // a lone marker at the end shows nothing
      if (caption[i + 1] == '\r' || caption[i + 1] == '\n') continue;  // nor one before a line break
      ++i;  // the marked character shows, and "&&" one "&"
    }
    shown += caption[i];
  }
  return shown;
}

void TCustomLabel::Paint() {
  TCanvas& canvas = Canvas();
  RECT r = ClientRect();
  canvas.Brush().SetColor(Color());
  canvas.FillRect(r);
  UINT align = m_alignment == TAlignment::taRightJustify ? DT_RIGHT
               : m_alignment == TAlignment::taCenter     ? DT_CENTER
                                                         : DT_LEFT;
  DoDrawText(r, TextFlags() | align);
}

void TCustomLabel::AdjustBounds() {
  if (IsLoading() || !m_autoSize) return;
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return;
  Canvas().SetHandle(dc);
  RECT r = ClientRect();
  DoDrawText(r, TextFlags() | DT_CALCRECT);
  Canvas().SetHandle(nullptr);
  DeleteDC(dc);
  int x = Left();
  if (m_alignment == TAlignment::taRightJustify)
    x += Width() - r.right;
  else if (m_alignment == TAlignment::taCenter)
    x += (Width() - r.right) / 2;
  SetBounds(x, Top(), r.right, r.bottom);
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TCustomLabel::TextChanged() {
  Invalidate();
  AdjustBounds();
}

void TCustomLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

void TCustomLabel::SetAutoSize(bool value) {
  if (value == m_autoSize) return;
  m_autoSize = value;
  AdjustBounds();
}

void TCustomLabel::SetAlignment(TAlignment value) {
  if (value == m_alignment) return;
  m_alignment = value;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value) {
  if (value == m_layout) return;
  m_layout = value;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
  if (value == m_wordWrap) return;
  m_wordWrap = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
  if (value == m_showAccelChar) return;
  m_showAccelChar = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) {
  if (name == "AutoSize")
    SetAutoSize(DescBoolean(value));
  else if (name == "WordWrap")
    SetWordWrap(DescBoolean(value));
  else if (name == "ShowAccelChar")
    SetShowAccelChar(DescBoolean(value));
  else if (name == "Alignment") {
    std::string id = DescIdentifier(value);
    if (id == "taLeftJustify")
      SetAlignment(TAlignment::taLeftJustify);
    else if (id == "taRightJustify")
      SetAlignment(TAlignment::taRightJustify);
    else if (id == "taCenter")
      SetAlignment(TAlignment::taCenter);
    else
      InvalidPropertyValue();
  } else if (name == "Layout") {
    std::string id = DescIdentifier(value);
    if (id == "tlTop")
      SetLayout(TTextLayout::tlTop);
    else if (id == "tlCenter")
      SetLayout(TTextLayout::tlCenter);
    else if (id == "tlBottom")
      SetLayout(TTextLayout::tlBottom);
    else
      InvalidPropertyValue();
  } else {
    TGraphicControl::ReadProperty(name, value, root);
  }
}
