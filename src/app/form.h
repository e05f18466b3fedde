// SPDX-License-Identifier: GPL-3.0-or-later
// Forms: top-level windows built from a window description. The form reads its description, scales
// its layout to the screen, makes a dialog frame for bsDialog, shows itself where the description
// puts it, keeps track of its active control, moves the focus with Tab and closes the program when
// it is the main window and closes.
#pragma once

#include <string>
#include <vector>

#include "core/graphics.h"
#include "core/win_control.h"

enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum class TDefaultMonitor { dmDesktop, dmPrimary, dmMainForm, dmActiveForm };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// Border icons, as a bit set.
inline constexpr unsigned biSystemMenu = 1;
inline constexpr unsigned biMinimize = 2;
inline constexpr unsigned biMaximize = 4;
inline constexpr unsigned biHelp = 8;

enum class TTabDirection { Backward, Forward };
enum class TTabStops { Any, Required };
enum class TParentRule { AnyParent, SameParent };

class TCustomForm : public TWinControl, public TFocusHost {
 public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;
  const char* ClassName() const override { return "TCustomForm"; }

  // ---- Properties ----
  TBorderStyle BorderStyle() const { return m_borderStyle; }
  void SetBorderStyle(TBorderStyle style);
  unsigned BorderIcons() const { return m_borderIcons; }
  void SetBorderIcons(unsigned icons) { m_borderIcons = icons; }
  TPosition Position() const { return m_position; }
  void SetPosition(TPosition position) { m_position = position; }
  TWindowState WindowState() const { return m_windowState; }
  void SetWindowState(TWindowState state);
  TDefaultMonitor DefaultMonitor() const { return m_defaultMonitor; }
  bool Scaled() const { return m_pixelsPerInch != 0; }
  void SetScaled(bool value);
  int PixelsPerInch() const { return m_pixelsPerInch; }
  void SetPixelsPerInch(int value);
  int StoredTextHeight() const { return m_textHeight; }
  bool OldCreateOrder() const { return m_oldCreateOrder; }
  TCanvas& Canvas() { return m_canvas; }

  void SetVisible(bool visible) override;
  void SetClientSize(int width, int height) override;
  void SetClientWidth(int width);
  void SetClientHeight(int height);

  // ---- Events ----
  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnPaint;
  TNotifyEvent OnDestroy;
  std::function<void(TComponent* sender, bool& canClose)> OnCloseQuery;
  std::function<void(TComponent* sender, TCloseAction& action)> OnClose;

  // ---- Creation ----
  // Runs OnCreate inside the error display's boundary, then applies a remembered Visible.
  void RunCreateEvent();
  // Called once the object is complete (by LaunchForm): runs the create event for a form that does
  // not use the old creation order.
  void AfterConstruction();
  int MeasureTextHeight();

  // ---- Focus ----
  TWinControl* ActiveControl() const override { return m_activeControl; }
  void SetActiveControl(TWinControl* control);
  bool SetFocusedControl(TWinControl* control) override;
  void FocusControl(TWinControl* control) override;
  TWinControl* NextTabControl(TWinControl* current, TTabDirection direction, TTabStops stops,
                              TParentRule parent) const;
  void FocusNextControl(TWinControl* current, TTabDirection direction, TTabStops stops);
  bool Active() const { return m_active; }

  // ---- Closing ----
  void RequestClose();
  bool AskCanClose();

  // A top-level form is a frame to a reader, named by its caption.
  a11y::Role AccessibleRole() const override;

  void ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) override;
  void ReadStateEnd() override;
  void Loaded() override;
  void WndProc(TMessage& message) override;

 protected:
  // Reads the form's description (RT_RCDATA named after the class in upper case). Derived forms
  // call it from their constructor, when their class name and handlers are in place.
  void InitFromResource();
  void CreateParams(TCreateParams& params) override;
  void WindowCreated() override;
  void PaintWindow(HDC dc) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void ScaleAtLoad();
  void ShowingChanged();
  void Activate(bool active);
  void ModifySystemMenu();
  bool HandleDialogKey(WORD key);

  TBorderStyle m_borderStyle = TBorderStyle::bsSizeable;
  unsigned m_borderIcons = biSystemMenu | biMinimize | biMaximize;
  TPosition m_position = TPosition::poDesigned;
  TWindowState m_windowState = TWindowState::wsNormal;
  TDefaultMonitor m_defaultMonitor = TDefaultMonitor::dmActiveForm;
  int m_pixelsPerInch = 96;
  int m_textHeight = 0;
  int m_clientWidth = 0;  // stored client size while reading; 0 when not stored
  int m_clientHeight = 0;
  bool m_oldCreateOrder = true;
  bool m_creating = false;
  bool m_visibleWish = false;  // Visible set to true while being created
  bool m_inShowHide = false;   // OnShow / OnHide running
  bool m_active = false;
  TWinControl* m_activeControl = nullptr;
  TWinControl* m_focusedControl = nullptr;
  TCanvas m_canvas;
};

class TForm : public TCustomForm {
 public:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
  const char* ClassName() const override { return "TForm"; }
};
