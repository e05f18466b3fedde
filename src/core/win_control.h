// SPDX-License-Identifier: GPL-3.0-or-later
// Windowed controls: controls with a platform window of their own.
//
// The window is made when first needed (HandleNeeded: the parent's window first) or when the
// control starts showing. Its procedure is the event boundary: every message goes through the
// control's WndProc inside a handler that reports exceptions and returns normally. Child
// notifications (WM_COMMAND, WM_CTLCOLOR*) are reflected to the child control as CN_* messages;
// mouse messages over windowless children (the labels) go to those children.
//
// Keyboard routing helpers: the application loop offers each keyboard message to the target
// control as CN_KEYDOWN/CN_CHAR first (RouteKeyMessage); a dialog key the control does not want
// goes to its form's dialog-key step (CM_DIALOGKEY).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/control.h"

class TWinControl;

struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  HWND WndParent = nullptr;
  WNDCLASS WindowClass{};
  std::string WinClassName;
  // A platform class this control's class is built on ("COMBOBOX"); empty for the layer's own.
  std::string BaseClassName;
};

// What a windowed control needs from the form it lies on; the form implements it.
class TFocusHost {
 public:
  virtual ~TFocusHost() = default;
  // The control's window took the focus; false refuses it (the focus then goes nowhere new).
  virtual bool SetFocusedControl(TWinControl* control) = 0;
  virtual TWinControl* ActiveControl() const = 0;
  // Makes `control` the active control and gives it the focus when the form is active.
  virtual void FocusControl(TWinControl* control) = 0;
  // A keyboard message for a child window that a control made itself (the key selector's edit
  // field) is offered here first; true claims it. No window of this program claims any.
  virtual bool WantChildKey(TWinControl* control, TMessage& message) {
    (void)control;
    (void)message;
    return false;
  }
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;
  const char* ClassName() const override { return "TWinControl"; }

  HWND Handle();
  HWND Handle() const { return m_handle; }
  bool HandleAllocated() const { return m_handle != nullptr; }
  void HandleNeeded();
  void RecreateWnd();

  // ---- Children ----
  int ControlCount() const { return static_cast<int>(m_controls.size()); }
  TControl* Controls(int index) const { return m_controls.at(index); }
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void BringControlToFront(TControl* control);
  // The windowless or windowed child at a client point (topmost first), or nullptr.
  TControl* ControlAtPos(POINT pt, bool allowDisabled, bool allowWindowed = false) const;

  // ---- Focus and tab order ----
  int TabOrder() const;
  void SetTabOrder(int order);
  bool TabStop() const { return m_tabStop; }
  void SetTabStop(bool value);
  // Windowed children in tab order, each followed at once by its own list (depth first).
  void GetTabOrderList(std::vector<TWinControl*>& list) const;
  // Whether the focus window is this control's; a control whose window has child windows of its
  // own (the key selector's edit field) answers for them too.
  virtual bool Focused() const;
  virtual bool CanFocus() const;
  virtual void SetFocus();
  bool Showing() const { return m_showing; }

  bool Ctl3D() const { return m_ctl3D; }
  void SetCtl3D(bool value);
  bool ParentCtl3D() const { return m_parentCtl3D; }
  void SetParentCtl3D(bool value);

  // ---- Geometry and painting ----
  void SetBounds(int left, int top, int width, int height) override;
  RECT ClientRect() const override;
  POINT ClientOrigin() const override;
  void Invalidate() override;
  void Update() override;
  void ChangeScale(int m, int d) override;
  // Paints the windowless children that meet the paint rectangle, in creation order.
  void PaintControls(HDC dc, const RECT& paintRect);

  // ---- Events ----
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  void ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) override;

  // The control of a window made by this layer, or nullptr.
  static TWinControl* FindControl(HWND hwnd);

  // What the window answers a screen reader (core/control_accessible.h), made on first use and
  // kept for the control's life, so it outlives every re-creation of the window.
  a11y::Provider& Accessible();

  void SetVisible(bool visible) override;
  // Recomputes whether the window shows (it and all parents visible) and creates it when it does.
  void UpdateShowing();
  // The form this control lies on, or nullptr.
  TFocusHost* FocusHost() const;

  // Key notifications the application loop sends before translating a keyboard message.
  // Returns true when the control (or the form's dialog-key step) consumed the message.
  static bool RouteKeyMessage(const MSG& msg);

  void DoEnter() {
    if (OnEnter) OnEnter(this);
  }
  void DoExit() {
    if (OnExit) OnExit(this);
  }

 protected:
  virtual void CreateParams(TCreateParams& params);
  // The provider Accessible() makes: a control with parts of its own (cells, buttons) gives one
  // that answers for them.
  virtual std::unique_ptr<a11y::Provider> CreateAccessible();
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void DestroyWnd();
  // The window exists; a control sends it what the window must know (its font, its texts).
  virtual void WindowCreated() {}
  // The window is about to go; controls keep what lives in it (the key selector's items).
  virtual void WindowDestroying() {}
  virtual void PaintWindow(HDC dc);
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void KeyPress(char& key);
  // Offers a key to the control's parents as a child key; true when one claims it.
  bool ChildKey(WORD key);
  // The key-down, key-up and key-press steps (the On* event, then the virtual step); true when
  // the key was set to 0, which drops the message. A changed key is written back into it.
  bool DoKeyDown(TMessage& message);
  bool DoKeyUp(TMessage& message);
  bool DoKeyPress(TMessage& message);
  void BoundsChanged() override;
  // Reads the window's bounds back after the platform moved or sized it.
  void UpdateBounds();
  void FontChanged() override;

  HWND m_handle = nullptr;
  WNDPROC m_defWndProc = nullptr;  // the window's own procedure, under the control's hook
  TBrush m_brush;

 private:
  // The hook through which the control's window hands it its messages (win_control.cpp).
  friend LRESULT ControlWndProc(HWND, UINT, WPARAM, LPARAM, std::uintptr_t, std::uintptr_t);
  // The class procedure of every window this layer makes: hooks the new window to the control
  // being created at its first message, then hands over to the hook.
  static LRESULT InitWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void PaintHandler(TMessage& message);
  bool IsControlMouseMsg(TMessage& message);
  void HandleKeyNotify(TMessage& message);
  void HandleCharNotify(TMessage& message);

  std::vector<TControl*> m_controls;  // all children, bottom of the z-order first
  std::vector<TWinControl*> m_tabList;
  std::unique_ptr<a11y::Provider> m_accessible;
  a11y::ChildId m_lastPartId = a11y::kSelf;  // the number the last windowless child was given
  // Built on a platform class (BaseClassName): that class answers a reader for the window.
  bool m_onPlatformClass = false;
  int m_readTabOrder = -1;  // the TabOrder the description stored; -1 when none
  bool m_tabStop = false;
  bool m_showing = false;
  bool m_ctl3D = true;
  bool m_parentCtl3D = true;
};

// A windowed control that draws itself on a canvas (the grid, the media player).
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;
  const char* ClassName() const override { return "TCustomControl"; }
  TCanvas& Canvas() { return m_canvas; }

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;

 private:
  TCanvas m_canvas;
};
