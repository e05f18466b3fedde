// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form.h"

#include <algorithm>
#include <cctype>

#include "app/application.h"
#include "app/screen.h"
#include "base/mul_div.h"
#include "core/event_boundary.h"
#include "core/exceptions.h"
#include "core/window_description.h"
#include "platform/window.h"

namespace {

constexpr const char* kCannotChangeVisible = "Cannot change Visible in OnShow or OnHide";

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
  m_controlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  SetBounds(0, 0, 320, 240);
  SetScalingFlags(sfLeft | sfTop | sfWidth | sfHeight);
  TWinControl::SetVisible(false);
  SetColor(clBtnFace);
  if (Screen) {
    Screen->AddForm(this);
    m_pixelsPerInch = Screen->PixelsPerInch();
  }
}

TCustomForm::~TCustomForm() {
  MarkDestroying();
  // The controls go first, last created first, while the form they call back into still exists.
  DestroyComponents();
  if (Screen) {
    if (Screen->ActiveForm() == this) Screen->SetActiveForm(nullptr);
    Screen->RemoveForm(this);
  }
  if (Application) Application->UpdateVisible();
}

// ---- Creation --------------------------------------------------------------------------------
void TCustomForm::InitFromResource() {
  m_creating = true;
  // Reading starts from a clean slate: only what the description stores counts.
  m_clientWidth = 0;
  m_clientHeight = 0;
  m_textHeight = 0;
  m_oldCreateOrder = true;
  try {
    ReadWindowResource(this, Upper(ClassName()), ClassName());
  } catch (...) {
    m_creating = false;
    throw;
  }
  m_creating = false;
  if (m_oldCreateOrder) RunCreateEvent();
}

void TCustomForm::AfterConstruction() {
  if (!m_oldCreateOrder) RunCreateEvent();
}

void TCustomForm::RunCreateEvent() {
  if (OnCreate) RunAtBoundary(this, [this] { OnCreate(this); });
  if (m_visibleWish) {
    m_visibleWish = false;
    SetVisible(true);
  }
}

void TCustomForm::ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) {
  static const char* const kBorderStyles[] = {"bsNone",   "bsSingle",     "bsSizeable",
                                              "bsDialog", "bsToolWindow", "bsSizeToolWin"};
  static const char* const kPositions[] = {"poDesigned",        "poDefault",        "poDefaultPosOnly",
                                           "poDefaultSizeOnly", "poScreenCenter",   "poDesktopCenter",
                                           "poMainFormCenter",  "poOwnerFormCenter"};
  static const char* const kStates[] = {"wsNormal", "wsMinimized", "wsMaximized"};
  static const char* const kMonitors[] = {"dmDesktop", "dmPrimary", "dmMainForm", "dmActiveForm"};
  auto event = [&](TNotifyEvent& target) {
    std::string handler = DescIdentifier(value);
    target = root ? root->FindMethod(handler) : TNotifyEvent{};
    if (!target) throw TPropertyError{"Invalid property value: no handler " + handler};
  };
  if (name == "ClientWidth") {
    SetClientWidth(DescInteger(value));
  } else if (name == "ClientHeight") {
    SetClientHeight(DescInteger(value));
  } else if (name == "BorderStyle") {
    SetBorderStyle(DescEnum<TBorderStyle>(value, kBorderStyles));
  } else if (name == "BorderIcons") {
    unsigned icons = 0;
    for (const std::string& m : DescSet(value)) {
      if (m == "biSystemMenu")
        icons |= biSystemMenu;
      else if (m == "biMinimize")
        icons |= biMinimize;
      else if (m == "biMaximize")
        icons |= biMaximize;
      else if (m == "biHelp")
        icons |= biHelp;
      else
        InvalidPropertyValue();
    }
    SetBorderIcons(icons);
  } else if (name == "Position") {
    SetPosition(DescEnum<TPosition>(value, kPositions));
  } else if (name == "WindowState") {
    SetWindowState(DescEnum<TWindowState>(value, kStates));
  } else if (name == "DefaultMonitor") {
    m_defaultMonitor = DescEnum<TDefaultMonitor>(value, kMonitors);
  } else if (name == "Scaled") {
    SetScaled(DescBoolean(value));
  } else if (name == "PixelsPerInch") {
    SetPixelsPerInch(DescInteger(value));
  } else if (name == "TextHeight") {
    m_textHeight = DescInteger(value);
  } else if (name == "OldCreateOrder") {
    m_oldCreateOrder = DescBoolean(value);
  } else if (name == "OnCreate") {
    event(OnCreate);
  } else if (name == "OnShow") {
    event(OnShow);
  } else if (name == "OnHide") {
    event(OnHide);
  } else if (name == "OnPaint") {
    event(OnPaint);
  } else if (name == "OnDestroy") {
    event(OnDestroy);
  } else {
    TWinControl::ReadProperty(name, value, root);
  }
}

void TCustomForm::SetScaled(bool value) {
  if (value == Scaled()) return;
  m_pixelsPerInch = value ? (Screen ? Screen->PixelsPerInch() : 96) : 0;
}

void TCustomForm::SetPixelsPerInch(int value) {
  if (value == m_pixelsPerInch) return;
  if (value != 0 && value < 36) return;
  if (IsLoading() && !Scaled()) return;
  m_pixelsPerInch = value;
}

void TCustomForm::SetClientWidth(int width) {
  if (IsLoading() && (ComponentState() & csReading)) {
    m_clientWidth = width;
    SetScalingFlags(ScalingFlags() | sfWidth);
    return;
  }
  SetClientSize(width, ClientHeight());
}

void TCustomForm::SetClientHeight(int height) {
  if (IsLoading() && (ComponentState() & csReading)) {
    m_clientHeight = height;
    SetScalingFlags(ScalingFlags() | sfHeight);
    return;
  }
  SetClientSize(ClientWidth(), height);
}

void TCustomForm::SetClientSize(int width, int height) {
  // The desktop's frame lies outside the window's rectangle on this platform, so the outer size
  // that gives the asked client area is the client area itself plus nothing; ask the platform.
  RECT r{0, 0, width, height};
  if (HandleAllocated()) {
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLong(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLong(Handle(), GWL_EXSTYLE)));
  }
  SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
}

int TCustomForm::MeasureTextHeight() {
  HDC dc = GetDC(Handle());
  if (!dc) return 0;
  m_canvas.SetHandle(dc);
  m_canvas.Font().Assign(Font());
  int height = m_canvas.TextHeight("0");
  m_canvas.SetHandle(nullptr);
  ReleaseDC(Handle(), dc);
  return height;
}

void TCustomForm::ScaleAtLoad() {
  int stored = m_pixelsPerInch;
  int textHeight = m_textHeight;
  int screen = Screen ? Screen->PixelsPerInch() : 96;
  if (stored != 0 && textHeight > 0) {
    if ((ScalingFlags() & sfFont) && stored != screen) {
      Font().SetHeight(MulDiv(Font().Height(), screen, stored));
    }
    m_pixelsPerInch = screen;
    int measured = MeasureTextHeight();
    if (measured != textHeight) {
      for (int i = 0; i < ControlCount(); ++i) Controls(i)->ChangeScale(measured, textHeight);
      if (m_clientWidth > 0) m_clientWidth = MulDiv(m_clientWidth, measured, textHeight);
      if (m_clientHeight > 0) m_clientHeight = MulDiv(m_clientHeight, measured, textHeight);
      SetScalingFlags(0);
      return;
    }
  }
  // No scaling: the controls are visited at 1/1 only to clear their flags.
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->ChangeScale(1, 1);
  SetScalingFlags(0);
}

void TCustomForm::ReadStateEnd() {
  ScaleAtLoad();
  HandleNeeded();
  if (m_clientWidth > 0) SetClientSize(m_clientWidth, ClientHeight());
  if (m_clientHeight > 0) SetClientSize(ClientWidth(), m_clientHeight);
}

void TCustomForm::Loaded() { TWinControl::Loaded(); }

// ---- Window ----------------------------------------------------------------------------------
void TCustomForm::SetBorderStyle(TBorderStyle style) {
  if (style == m_borderStyle) return;
  m_borderStyle = style;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomForm::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WindowClass.style = CS_DBLCLKS;
  params.WindowClass.hbrBackground = nullptr;
  if (!Parent()) {
    params.Style &= ~(WS_CHILD | WS_GROUP | WS_TABSTOP);
    params.WndParent = Application ? Application->AppWindow() : nullptr;
  }
  unsigned icons = m_borderIcons;
  switch (m_borderStyle) {
    case TBorderStyle::bsNone:
      if (!Parent()) params.Style |= WS_POPUP;
      icons = 0;
      break;
    case TBorderStyle::bsSingle:
    case TBorderStyle::bsToolWindow:
      params.Style |= WS_CAPTION;
      break;
    case TBorderStyle::bsSizeable:
    case TBorderStyle::bsSizeToolWin:
      params.Style |= WS_CAPTION | WS_THICKFRAME;
      break;
    case TBorderStyle::bsDialog:
      params.Style |= WS_POPUP | WS_CAPTION;
      params.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      params.WindowClass.style = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
      icons &= biSystemMenu | biHelp;
      break;
  }
  if (m_borderStyle == TBorderStyle::bsToolWindow || m_borderStyle == TBorderStyle::bsSizeToolWin) {
    params.ExStyle |= WS_EX_TOOLWINDOW;
    icons &= biSystemMenu;
  }
  if (icons & biSystemMenu) params.Style |= WS_SYSMENU;
  if (icons & biHelp) params.ExStyle |= WS_EX_CONTEXTHELP;
  bool keepsState = m_borderStyle == TBorderStyle::bsSingle || m_borderStyle == TBorderStyle::bsSizeable;
  if (keepsState) {
    if (icons & biMinimize) params.Style |= WS_MINIMIZEBOX;
    if (icons & biMaximize) params.Style |= WS_MAXIMIZEBOX;
    if (m_windowState == TWindowState::wsMinimized) params.Style |= WS_MINIMIZE;
    if (m_windowState == TWindowState::wsMaximized) params.Style |= WS_MAXIMIZE;
  } else {
    m_windowState = TWindowState::wsNormal;
  }
  params.X = Left();
  params.Y = Top();
}

void TCustomForm::ModifySystemMenu() {
  HMENU menu = GetSystemMenu(Handle(), FALSE);
  if (!menu) return;
  if (m_borderStyle == TBorderStyle::bsDialog) {
    DeleteMenu(menu, SC_TASKLIST, MF_BYCOMMAND);
    DeleteMenu(menu, 7, MF_BYPOSITION);
    DeleteMenu(menu, 5, MF_BYPOSITION);
    DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_MINIMIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_RESTORE, MF_BYCOMMAND);
  } else {
    if (!(m_borderIcons & biMinimize)) EnableMenuItem(menu, SC_MINIMIZE, MF_BYCOMMAND | MF_GRAYED);
    if (!(m_borderIcons & biMaximize)) EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
  }
}

void TCustomForm::WindowCreated() {
  HICON icon = nullptr;
  if (m_borderStyle != TBorderStyle::bsDialog && Application) icon = Application->Icon();
  SendMessage(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void TCustomForm::PaintWindow(HDC dc) {
  if (!OnPaint) return;
  m_canvas.SetHandle(dc);
  m_canvas.Font().Assign(Font());
  m_canvas.Brush().SetColor(Color());
  OnPaint(this);
  m_canvas.SetHandle(nullptr);
}

// ---- Showing ---------------------------------------------------------------------------------
void TCustomForm::SetVisible(bool visible) {
  if (m_creating && visible) {
    m_visibleWish = true;
    return;
  }
  if (m_inShowHide) Raise<EInvalidOperation>(kCannotChangeVisible);
  TWinControl::SetVisible(visible);
}

void TCustomForm::SetWindowState(TWindowState state) {
  if (state == m_windowState) return;
  m_windowState = state;
  if (HandleAllocated() && Showing()) {
    ShowWindow(Handle(), state == TWindowState::wsMinimized   ? SW_MINIMIZE
                         : state == TWindowState::wsMaximized ? SW_SHOWMAXIMIZED
                                                              : SW_SHOWNORMAL);
  }
}

void TCustomForm::ShowingChanged() {
  if (Showing()) {
    // The active form's monitor: with one screen nothing moves.
    if (Application) Application->UpdateVisible();
    if (OnShow) {
      m_inShowHide = true;
      RunAtBoundary(this, [this] { OnShow(this); });
      m_inShowHide = false;
    }
    if (m_position == TPosition::poScreenCenter || m_position == TPosition::poDesktopCenter) {
      int sw = GetSystemMetrics(SM_CXSCREEN);
      int sh = GetSystemMetrics(SM_CYSCREEN);
      SetBounds((sw - Width()) / 2, (sh - Height()) / 2, Width(), Height());
    }
    m_position = TPosition::poDesigned;
    int cmd = m_windowState == TWindowState::wsMinimized   ? SW_SHOWMINNOACTIVE
              : m_windowState == TWindowState::wsMaximized ? SW_SHOWMAXIMIZED
                                                           : SW_SHOWNORMAL;
    ShowWindow(Handle(), cmd);
  } else {
    if (OnHide) {
      m_inShowHide = true;
      RunAtBoundary(this, [this] { OnHide(this); });
      m_inShowHide = false;
    }
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
    if (Application) Application->UpdateVisible();
  }
}

// ---- Focus -----------------------------------------------------------------------------------
void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control == this) control = nullptr;
  m_activeControl = control;
  if (control && m_active && control->HandleAllocated() && !m_creating) {
    if (GetFocus() != control->Handle()) ::SetFocus(control->Handle());
  }
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
  if (control == this) return true;
  TWinControl* old = m_focusedControl;
  m_focusedControl = control;
  m_activeControl = control;
  if (Screen) Screen->SetActiveControl(control);
  if (old != control) {
    if (old) old->DoExit();
    if (control) control->DoEnter();
  }
  return true;
}

void TCustomForm::FocusControl(TWinControl* control) {
  m_activeControl = control;
  if (m_active && control) ::SetFocus(control->Handle());
}

TWinControl* TCustomForm::NextTabControl(TWinControl* current, TTabDirection direction, TTabStops stops,
                                         TParentRule parent) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  int count = static_cast<int>(list.size());
  bool forward = direction == TTabDirection::Forward;
  auto found = std::find(list.begin(), list.end(), current);
  int start = found != list.end() ? static_cast<int>(found - list.begin()) : (forward ? count - 1 : 0);
  const TWinControl* container = current ? current->Parent() : this;
  int i = start;
  do {
    i = forward ? (i + 1) % count : (i + count - 1) % count;
    TWinControl* c = list[i];
    bool qualifies = c->CanFocus() && (stops == TTabStops::Any || c->TabStop()) &&
                     (parent == TParentRule::AnyParent || c->Parent() == container);
    if (qualifies) return c;
  } while (i != start);
  return nullptr;
}

void TCustomForm::FocusNextControl(TWinControl* current, TTabDirection direction, TTabStops stops) {
  TParentRule parent = stops == TTabStops::Required ? TParentRule::AnyParent : TParentRule::SameParent;
  if (TWinControl* next = NextTabControl(current, direction, stops, parent)) next->SetFocus();
}

// Tab moves the focus among tab stops; an arrow key, among the active control's siblings. With
// every focusable control of this window claiming the arrows, only Tab reaches here in practice.
bool TCustomForm::HandleDialogKey(WORD key) {
  if (GetKeyState(VK_MENU) >= 0) {
    if (key == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
      FocusNextControl(m_activeControl,
                       GetKeyState(VK_SHIFT) < 0 ? TTabDirection::Backward : TTabDirection::Forward,
                       TTabStops::Required);
      return true;
    }
    if ((key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) && m_activeControl) {
      bool forward = key == VK_RIGHT || key == VK_DOWN;
      FocusNextControl(m_activeControl, forward ? TTabDirection::Forward : TTabDirection::Backward,
                       TTabStops::Any);
      return true;
    }
  }
  for (int i = 0; i < ControlCount(); ++i) {
    if (Controls(i)->Perform(CM_DIALOGKEY, key) != 0) return true;
  }
  return false;
}

void TCustomForm::Activate(bool active) {
  m_active = active;
  if (!active) return;
  if (Screen) Screen->SetActiveForm(this);
  if (!m_activeControl) {
    m_activeControl =
        NextTabControl(nullptr, TTabDirection::Forward, TTabStops::Required, TParentRule::AnyParent);
  }
  if (m_activeControl && m_activeControl->CanFocus()) {
    ::SetFocus(m_activeControl->Handle());
  } else {
    ::SetFocus(Handle());
  }
}

a11y::Role TCustomForm::AccessibleRole() const {
  return Parent() == nullptr ? a11y::Role::kFrame : TWinControl::AccessibleRole();
}

// ---- Closing ---------------------------------------------------------------------------------
bool TCustomForm::AskCanClose() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::RequestClose() {
  if (!AskCanClose()) return;
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (Application && Application->PrimaryForm() == this) {
    Application->RequestQuit();
  } else if (action == TCloseAction::caMinimize) {
    SetWindowState(TWindowState::wsMinimized);
  } else {
    // Hidden: caHide, and caFree too, as freeing a secondary form is not needed by this program.
    SetVisible(false);
  }
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == TOperation::opRemove) {
    if (component == m_activeControl) m_activeControl = nullptr;
    if (component == m_focusedControl) m_focusedControl = nullptr;
  }
}

void TCustomForm::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_NCCREATE:
      TWinControl::WndProc(message);
      ModifySystemMenu();
      return;
    case CM_SHOWINGCHANGED:
      ShowingChanged();
      return;
    case WM_ACTIVATE:
      TWinControl::WndProc(message);
      Activate(LOWORD(message.WParam) != WA_INACTIVE && !HIWORD(message.WParam));
      return;
    case WM_SETFOCUS:
      // The form's own window passes the focus on to its active control.
      if (m_activeControl && m_activeControl->HandleAllocated() && m_activeControl->CanFocus()) {
        ::SetFocus(m_activeControl->Handle());
        return;
      }
      break;
    case WM_CLOSE:
      RequestClose();
      message.Result = 0;
      return;
    case WM_QUERYENDSESSION:
      message.Result = AskCanClose() ? 1 : 0;
      return;
    case CM_DIALOGKEY:
      message.Result = HandleDialogKey(static_cast<WORD>(message.WParam)) ? 1 : 0;
      return;
    case CM_DIALOGCHAR:
      message.Result = 0;
      for (int i = 0; i < ControlCount() && !message.Result; ++i) {
        message.Result = Controls(i)->Perform(CM_DIALOGCHAR, message.WParam, message.LParam);
      }
      return;
    default:
      break;
  }
  TWinControl::WndProc(message);
}
