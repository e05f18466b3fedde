// SPDX-License-Identifier: GPL-3.0-or-later
// Controls: components with a place on a parent, a font, a colour and input. TControl is the base
// of both the windowless controls that their parent paints (TGraphicControl: the labels) and the
// windowed ones (TWinControl: the form, the grid, the key selector, the media player).
//
// Messages reach a control through Perform -> WndProc, which handles what the control layer knows
// and passes the rest to DefaultHandler (for a windowed control: the window's own procedure).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/types.h"
#include "core/component.h"
#include "core/graphics.h"
#include "core/messages.h"
#include "platform/accessibility.h"

class TWinControl;

// Control style bits: what the control is, fixed by its constructor.
inline constexpr unsigned csAcceptsControls = 0x0001;
inline constexpr unsigned csCaptureMouse = 0x0002;
inline constexpr unsigned csClickEvents = 0x0008;
inline constexpr unsigned csFramed = 0x0010;
inline constexpr unsigned csSetCaption = 0x0020;
inline constexpr unsigned csOpaque = 0x0040;
inline constexpr unsigned csDoubleClicks = 0x0080;
inline constexpr unsigned csFixedWidth = 0x0100;
inline constexpr unsigned csFixedHeight = 0x0200;
inline constexpr unsigned csReplicatable = 0x1000;

// Control state bits: what the control is doing now.
inline constexpr unsigned csLButtonDown = 0x0001;
inline constexpr unsigned csClicked = 0x0002;
inline constexpr unsigned csFocusing = 0x0020;
inline constexpr unsigned csCreating = 0x0080;
inline constexpr unsigned csCustomPaint = 0x0100;
inline constexpr unsigned csDestroyingHandle = 0x0200;

// Scaling flags: which values were set since creation (by the constructor's defaults or by the
// window description); load-time scaling scales only those.
inline constexpr unsigned sfLeft = 0x01;
inline constexpr unsigned sfTop = 0x02;
inline constexpr unsigned sfWidth = 0x04;
inline constexpr unsigned sfHeight = 0x08;
inline constexpr unsigned sfFont = 0x10;
inline constexpr unsigned sfDesignSize = 0x20;
inline constexpr unsigned sfAll = 0x3F;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Shift state of an input event.
inline constexpr unsigned ssShift = 0x01;
inline constexpr unsigned ssAlt = 0x02;
inline constexpr unsigned ssCtrl = 0x04;
inline constexpr unsigned ssLeft = 0x08;
inline constexpr unsigned ssRight = 0x10;
inline constexpr unsigned ssMiddle = 0x20;
inline constexpr unsigned ssDouble = 0x40;
using TShiftState = unsigned;

// A colour by its identifier in a window description ("clBtnFace", "clBlack"); false if unknown.
bool IdentToColor(const std::string& ident, TColor* color);

// Shift state from a mouse message's key flags, and from the keyboard's state now.
TShiftState ShiftStateFromKeys(WPARAM mkFlags);
TShiftState KeyboardShiftState();

using TMouseEvent =
    std::function<void(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TComponent* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TComponent* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TComponent* sender, char& key)>;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  const char* ClassName() const override { return "TControl"; }

  // ---- Place ----
  TWinControl* Parent() const { return m_parent; }
  virtual void SetParent(TWinControl* parent);
  int Left() const { return m_left; }
  int Top() const { return m_top; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  void SetLeft(int v);
  void SetTop(int v);
  void SetWidth(int v);
  void SetHeight(int v);
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return {m_left, m_top, m_left + m_width, m_top + m_height}; }
  virtual RECT ClientRect() const { return {0, 0, m_width, m_height}; }
  int ClientWidth() const { return ClientRect().right; }
  int ClientHeight() const { return ClientRect().bottom; }
  virtual void SetClientSize(int width, int height);
  POINT ClientToScreen(POINT pt) const;
  POINT ScreenToClient(POINT pt) const;
  // Top-left of the client area in the coordinates of the nearest windowed ancestor's client area
  // (itself when windowed).
  virtual POINT ClientOrigin() const;

  // ---- State ----
  bool Visible() const { return m_visible; }
  virtual void SetVisible(bool visible);
  bool Enabled() const { return m_enabled; }
  virtual void SetEnabled(bool enabled);
  unsigned ControlStyle() const { return m_controlStyle; }
  void SetControlStyle(unsigned style) { m_controlStyle = style; }
  unsigned ControlState() const { return m_controlState; }
  void SetControlState(unsigned state) { m_controlState = state; }
  unsigned ScalingFlags() const { return m_scalingFlags; }
  void SetScalingFlags(unsigned flags) { m_scalingFlags = flags; }

  // ---- Appearance ----
  std::string Caption() const { return GetText(); }
  void SetCaption(const std::string& text) { SetText(text); }
  virtual std::string GetText() const { return m_text; }
  virtual void SetText(const std::string& text);
  TFont& Font() { return *m_font; }
  const TFont& Font() const { return *m_font; }
  bool ParentFont() const { return m_parentFont; }
  void SetParentFont(bool value);
  TColor Color() const { return m_color; }
  void SetColor(TColor color);
  bool ParentColor() const { return m_parentColor; }
  void SetParentColor(bool value);

  // ---- Events ----
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;

  // ---- Messages and painting ----
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  virtual void WndProc(TMessage& message);
  virtual void DefaultHandler(TMessage& message);
  virtual void Invalidate();
  void Repaint();
  virtual void Update();
  // Scales the control by m/d as load-time scaling does (edges, not sizes).
  virtual void ChangeScale(int m, int d);
  void BringToFront();

  bool IsWindowed() const { return m_windowed; }

  // ---- What a screen reader is told ----
  // A windowed control is a panel and a windowless one a filler unless its class says what it
  // is; the name is the caption; a control that shows a text of its own gives it.
  virtual a11y::Role AccessibleRole() const;
  virtual std::string AccessibleName() const { return Caption(); }
  virtual std::optional<std::string> AccessibleText() const { return std::nullopt; }
  // The object a reader knows the control by: its window, or for a windowless control its part
  // of the parent's window. A null window while there is none.
  a11y::ObjectRef AccessibleRef() const;

  void ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) override;

 protected:
  friend class TWinControl;
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void FontChanged();
  virtual void TextChanged() {}
  virtual void Resized() {}
  virtual void ParentFontChanged();
  virtual void ParentColorChanged();
  // The control's bounds changed (moved or sized); windowed controls move their window.
  virtual void BoundsChanged() {}
  // Invalidates the control's rectangle on its parent (windowless controls).
  void InvalidateControl(bool isVisible, bool isOpaque);

  void SetWindowed() { m_windowed = true; }

  TWinControl* m_parent = nullptr;
  int m_left = 0;
  int m_top = 0;
  int m_width = 0;
  int m_height = 0;
  unsigned m_controlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  unsigned m_controlState = 0;
  unsigned m_scalingFlags = 0;

 private:
  void HandleMouseDown(TMessage& message, TMouseButton button, TShiftState extra);
  void HandleMouseUp(TMessage& message, TMouseButton button);

  bool m_windowed = false;
  // A windowless control's number among its parent's parts, given when it joins the parent: it
  // stays the same while the control lies there, so a reader's reference to it keeps meaning it.
  a11y::ChildId m_partId = a11y::kSelf;
  bool m_visible = true;
  bool m_enabled = true;
  std::string m_text;
  std::unique_ptr<TFont> m_font;
  int m_lastFontHeight = 0;  // the height at the last font change; 0 before the first
  bool m_parentFont = true;
  TColor m_color = clWindow;
  bool m_parentColor = true;
};

// A windowless control painted by its parent into the parent's window (the labels).
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;
  const char* ClassName() const override { return "TGraphicControl"; }
  void WndProc(TMessage& message) override;
  TCanvas& Canvas() { return m_canvas; }

 protected:
  virtual void Paint() {}

 private:
  TCanvas m_canvas;
};

// The windowed control, or windowless control, under the given mouse capture (nullptr: none).
TControl* CaptureControl();
void SetCaptureControl(TControl* control);
