// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/control.h"

#include "base/mul_div.h"
#include "core/win_control.h"
#include "core/window_description.h"
#include "platform/window.h"

namespace {
TControl* g_captureControl = nullptr;
}  // namespace

TControl* CaptureControl() { return g_captureControl; }

void SetCaptureControl(TControl* control) {
  g_captureControl = control;
  if (!control) {
    ReleaseCapture();
    return;
  }
  // A windowless control captures through the window of its nearest windowed ancestor.
  TControl* owner = control;
  while (owner && !owner->IsWindowed()) owner = owner->Parent();
  if (auto* win = dynamic_cast<TWinControl*>(owner); win && win->HandleAllocated()) {
    SetCapture(win->Handle());
  }
}

TShiftState ShiftStateFromKeys(WPARAM mk) {
  TShiftState s = 0;
  if (mk & MK_SHIFT) s |= ssShift;
  if (mk & MK_CONTROL) s |= ssCtrl;
  if (mk & MK_LBUTTON) s |= ssLeft;
  if (mk & MK_RBUTTON) s |= ssRight;
  if (mk & MK_MBUTTON) s |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

TShiftState KeyboardShiftState() {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

bool IdentToColor(const std::string& ident, TColor* color) {
  static const struct {
    const char* name;
    TColor value;
  } kColors[] = {{"clBlack", clBlack},
                 {"clMaroon", clMaroon},
                 {"clGreen", clGreen},
                 {"clOlive", clOlive},
                 {"clNavy", clNavy},
                 {"clGray", clGray},
                 {"clSilver", clSilver},
                 {"clRed", clRed},
                 {"clLime", clLime},
                 {"clYellow", clYellow},
                 {"clBlue", clBlue},
                 {"clWhite", clWhite},
                 {"clScrollBar", clScrollBar},
                 {"clWindow", clWindow},
                 {"clWindowFrame", clWindowFrame},
                 {"clWindowText", clWindowText},
                 {"clHighlight", clHighlight},
                 {"clHighlightText", clHighlightText},
                 {"clBtnFace", clBtnFace},
                 {"clBtnShadow", clBtnShadow},
                 {"clGrayText", clGrayText},
                 {"clBtnText", clBtnText},
                 {"clBtnHighlight", clBtnHighlight}};
  for (const auto& c : kColors) {
    if (ident == c.name) {
      *color = c.value;
      return true;
    }
  }
  return false;
}

namespace {

TColor ReadColor(const TDescValue& value) {
  if (value.kind == TDescValue::Kind::Integer) return static_cast<TColor>(value.integer);
  TColor color = 0;
  if (!IdentToColor(DescIdentifier(value), &color)) InvalidPropertyValue();
  return color;
}

void ReadFontProperty(TFont& font, const std::string& sub, const TDescValue& value) {
  if (sub == "Name") {
    font.SetName(DescText(value));
  } else if (sub == "Height") {
    font.SetHeight(DescInteger(value));
  } else if (sub == "Size") {
    font.SetSize(DescInteger(value));
  } else if (sub == "Color") {
    font.SetColor(ReadColor(value));
  } else if (sub == "Charset") {
    std::string id = DescIdentifier(value);
    if (id == "DEFAULT_CHARSET") {
      font.SetCharset(DEFAULT_CHARSET);
    } else if (id == "ANSI_CHARSET") {
      font.SetCharset(ANSI_CHARSET);
    } else {
      InvalidPropertyValue();
    }
  } else if (sub == "Style") {
    TFontStyles style = 0;
    for (const std::string& m : DescSet(value)) {
      if (m == "fsBold")
        style |= static_cast<unsigned>(TFontStyle::fsBold);
      else if (m == "fsItalic")
        style |= static_cast<unsigned>(TFontStyle::fsItalic);
      else if (m == "fsUnderline")
        style |= static_cast<unsigned>(TFontStyle::fsUnderline);
      else if (m == "fsStrikeOut")
        style |= static_cast<unsigned>(TFontStyle::fsStrikeOut);
      else
        InvalidPropertyValue();
    }
    font.SetStyle(style);
  } else {
    throw TPropertyError{"Property Font." + sub + " does not exist"};
  }
}

TNotifyEvent ReadEvent(const TDescValue& value, TComponent* root) {
  std::string handler = DescIdentifier(value);
  TNotifyEvent event = root ? root->FindMethod(handler) : TNotifyEvent{};
  if (!event) throw TPropertyError{"Invalid property value: no handler " + handler};
  return event;
}

}  // namespace

// ---- TControl --------------------------------------------------------------------------------
TControl::TControl(TComponent* owner) : TComponent(owner), m_font(std::make_unique<TFont>()) {
  m_font->OnChange = [this](TGraphicsObject*) { FontChanged(); };
}

TControl::~TControl() {
  if (g_captureControl == this) g_captureControl = nullptr;
  if (m_parent) m_parent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == m_parent) return;
  if (parent == this) return;
  if (m_parent) m_parent->RemoveControl(this);
  if (parent) {
    parent->InsertControl(this);
    if (m_parentFont) ParentFontChanged();
    if (m_parentColor) ParentColorChanged();
  }
}

void TControl::SetLeft(int v) {
  SetBounds(v, m_top, m_width, m_height);
  m_scalingFlags |= sfLeft;
}
void TControl::SetTop(int v) {
  SetBounds(m_left, v, m_width, m_height);
  m_scalingFlags |= sfTop;
}
void TControl::SetWidth(int v) {
  SetBounds(m_left, m_top, v, m_height);
  m_scalingFlags |= sfWidth;
}
void TControl::SetHeight(int v) {
  SetBounds(m_left, m_top, m_width, v);
  m_scalingFlags |= sfHeight;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == m_left && top == m_top && width == m_width && height == m_height) return;
  bool sized = width != m_width || height != m_height;
  InvalidateControl(m_visible, false);
  m_left = left;
  m_top = top;
  m_width = width;
  m_height = height;
  BoundsChanged();
  InvalidateControl(m_visible, false);
  if (sized) Resized();
}

void TControl::SetClientSize(int width, int height) {
  RECT client = ClientRect();
  SetBounds(m_left, m_top, m_width - client.right + width, m_height - client.bottom + height);
}

POINT TControl::ClientOrigin() const {
  POINT origin{m_left, m_top};
  if (m_parent) {
    POINT p = m_parent->ClientOrigin();
    if (!m_parent->IsWindowed()) {
      origin.x += p.x;
      origin.y += p.y;
    }
  }
  return origin;
}

POINT TControl::ClientToScreen(POINT pt) const {
  const TControl* c = this;
  POINT offset{0, 0};
  while (c && !c->IsWindowed()) {
    offset.x += c->m_left;
    offset.y += c->m_top;
    c = c->m_parent;
  }
  if (auto* win = dynamic_cast<const TWinControl*>(c); win && win->HandleAllocated()) {
    POINT p{pt.x + offset.x, pt.y + offset.y};
    ::ClientToScreen(win->Handle(), &p);
    return p;
  }
  return {pt.x + offset.x, pt.y + offset.y};
}

POINT TControl::ScreenToClient(POINT pt) const {
  POINT origin = ClientToScreen({0, 0});
  return {pt.x - origin.x, pt.y - origin.y};
}

void TControl::SetVisible(bool visible) {
  if (visible == m_visible) return;
  InvalidateControl(true, false);
  m_visible = visible;
  Perform(CM_VISIBLECHANGED, visible);
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == m_enabled) return;
  m_enabled = enabled;
  Perform(CM_ENABLEDCHANGED);
}

void TControl::SetText(const std::string& text) {
  if (text == GetText()) return;
  m_text = text;
  Perform(CM_TEXTCHANGED);
}

void TControl::SetParentFont(bool value) {
  if (value == m_parentFont) return;
  m_parentFont = value;
  if (value && m_parent) ParentFontChanged();
}

void TControl::SetColor(TColor color) {
  if (color == m_color) return;
  m_color = color;
  m_parentColor = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value) {
  if (value == m_parentColor) return;
  m_parentColor = value;
  if (value && m_parent) ParentColorChanged();
}

void TControl::FontChanged() {
  // A font that differs from the one the parent would give is the control's own from now on.
  if (m_parent && !m_parent->Font().SameAs(*m_font)) m_parentFont = false;
  if (m_font->Height() != m_lastFontHeight) {
    m_scalingFlags |= sfFont;
    m_lastFontHeight = m_font->Height();
  }
  Perform(CM_FONTCHANGED);
}

void TControl::ParentFontChanged() {
  if (!m_parentFont || !m_parent) return;
  m_font->Assign(m_parent->Font());
  m_parentFont = true;  // assigning from the parent keeps the control following it
}

void TControl::ParentColorChanged() {
  if (!m_parentColor || !m_parent) return;
  m_color = m_parent->Color();
  Perform(CM_COLORCHANGED);
  m_parentColor = true;
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  WndProc(m);
  return m.Result;
}

void TControl::HandleMouseDown(TMessage& message, TMouseButton button, TShiftState extra) {
  if (m_controlStyle & csCaptureMouse) SetCaptureControl(this);
  if (button == TMouseButton::mbLeft && (m_controlStyle & csClickEvents)) {
    m_controlState |= csClicked;
  }
  if (button == TMouseButton::mbLeft) m_controlState |= csLButtonDown;
  int x = GET_X_LPARAM(message.LParam);
  int y = GET_Y_LPARAM(message.LParam);
  MouseDown(button, ShiftStateFromKeys(message.WParam) | extra, x, y);
}

void TControl::HandleMouseUp(TMessage& message, TMouseButton button) {
  int x = GET_X_LPARAM(message.LParam);
  int y = GET_Y_LPARAM(message.LParam);
  if (m_controlStyle & csCaptureMouse) SetCaptureControl(nullptr);
  if (button == TMouseButton::mbLeft) {
    m_controlState &= ~csLButtonDown;
    if (m_controlState & csClicked) {
      m_controlState &= ~csClicked;
      RECT r = ClientRect();
      if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) Click();
    }
  }
  MouseUp(button, ShiftStateFromKeys(message.WParam), x, y);
}

void TControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_LBUTTONDOWN:
      HandleMouseDown(message, TMouseButton::mbLeft, 0);
      return;
    case WM_LBUTTONDBLCLK:
      if (m_controlStyle & csDoubleClicks) {
        HandleMouseDown(message, TMouseButton::mbLeft, ssDouble);
        DblClick();
      } else {
        HandleMouseDown(message, TMouseButton::mbLeft, 0);
      }
      return;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      HandleMouseDown(message, TMouseButton::mbRight, 0);
      return;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      HandleMouseDown(message, TMouseButton::mbMiddle, 0);
      return;
    case WM_LBUTTONUP:
      HandleMouseUp(message, TMouseButton::mbLeft);
      return;
    case WM_RBUTTONUP:
      HandleMouseUp(message, TMouseButton::mbRight);
      return;
    case WM_MBUTTONUP:
      HandleMouseUp(message, TMouseButton::mbMiddle);
      return;
    case WM_MOUSEMOVE:
      MouseMove(ShiftStateFromKeys(message.WParam), GET_X_LPARAM(message.LParam),
                GET_Y_LPARAM(message.LParam));
      return;
    case WM_CANCELMODE:
    case CM_CANCELMODE:
      if (g_captureControl == this) SetCaptureControl(nullptr);
      m_controlState &= ~(csClicked | csLButtonDown);
      break;
    case CM_PARENTFONTCHANGED:
      ParentFontChanged();
      return;
    case CM_PARENTCOLORCHANGED:
      ParentColorChanged();
      return;
    case CM_FONTCHANGED:
    case CM_COLORCHANGED:
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
      if (message.Msg == CM_TEXTCHANGED) TextChanged();
      Invalidate();
      break;
    case CM_VISIBLECHANGED:
      InvalidateControl(true, false);
      break;
    default:
      break;
  }
  DefaultHandler(message);
}

void TControl::DefaultHandler(TMessage& message) { message.Result = 0; }

void TControl::ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) {
  if (name == "Left")
    SetLeft(DescInteger(value));
  else if (name == "Top")
    SetTop(DescInteger(value));
  else if (name == "Width")
    SetWidth(DescInteger(value));
  else if (name == "Height")
    SetHeight(DescInteger(value));
  else if (name == "Caption" || name == "Text")
    SetText(DescText(value));
  else if (name == "Visible")
    SetVisible(DescBoolean(value));
  else if (name == "Enabled")
    SetEnabled(DescBoolean(value));
  else if (name == "Color")
    SetColor(ReadColor(value));
  else if (name == "ParentColor")
    SetParentColor(DescBoolean(value));
  else if (name == "ParentFont")
    SetParentFont(DescBoolean(value));
  else if (name.rfind("Font.", 0) == 0)
    ReadFontProperty(Font(), name.substr(5), value);
  else if (name == "OnClick")
    OnClick = ReadEvent(value, root);
  else if (name == "OnDblClick")
    OnDblClick = ReadEvent(value, root);
  else
    TComponent::ReadProperty(name, value, root);
}

a11y::Role TControl::AccessibleRole() const {
  return IsWindowed() ? a11y::Role::kPanel : a11y::Role::kFiller;
}

a11y::ObjectRef TControl::AccessibleRef() const {
  if (const auto* win = dynamic_cast<const TWinControl*>(this)) return {win->Handle(), a11y::kSelf};
  const TWinControl* parent = m_parent;
  if (parent == nullptr || m_partId == a11y::kSelf || parent->Handle() == nullptr) return {};
  return {parent->Handle(), m_partId};
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::InvalidateControl(bool isVisible, bool isOpaque) {
  if (!isVisible || !m_parent || !m_parent->HandleAllocated()) return;
  RECT r = BoundsRect();
  ::InvalidateRect(m_parent->Handle(), &r, !isOpaque);
}

void TControl::Invalidate() { InvalidateControl(m_visible, (m_controlStyle & csOpaque) != 0); }

void TControl::Update() {
  if (m_parent) m_parent->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::ChangeScale(int m, int d) {
  if (m == d) {
    m_scalingFlags = 0;
    return;
  }
  unsigned flags = IsLoading() ? m_scalingFlags : sfAll;
  int newLeft = (flags & sfLeft) ? MulDiv(m_left, m, d) : m_left;
  int newTop = (flags & sfTop) ? MulDiv(m_top, m, d) : m_top;
  int newWidth = m_width;
  if ((flags & sfWidth) && !(m_controlStyle & csFixedWidth)) {
    newWidth = (flags & sfLeft) ? MulDiv(m_left + m_width, m, d) - newLeft : MulDiv(m_width, m, d);
  }
  int newHeight = m_height;
  if ((flags & sfHeight) && !(m_controlStyle & csFixedHeight)) {
    newHeight = (flags & sfTop) ? MulDiv(m_top + m_height, m, d) - newTop : MulDiv(m_height, m, d);
  }
  SetBounds(newLeft, newTop, newWidth, newHeight);
  if (!m_parentFont && (flags & sfFont)) m_font->SetSize(MulDiv(m_font->Size(), m, d));
  m_scalingFlags = 0;
}

void TControl::BringToFront() {
  if (m_parent) m_parent->BringControlToFront(this);
}

// ---- TGraphicControl -------------------------------------------------------------------------
TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::WndProc(TMessage& message) {
  if (message.Msg == WM_PAINT) {
    // The parent hands over its context with the origin at our top-left and the clip set.
    m_canvas.SetHandle(reinterpret_cast<HDC>(message.WParam));
    m_canvas.Font().Assign(Font());
    Paint();
    m_canvas.SetHandle(nullptr);
    return;
  }
  TControl::WndProc(message);
}
