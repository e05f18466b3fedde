// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/win_control.h"

#include <algorithm>

#include "core/control_accessible.h"
#include "core/event_boundary.h"
#include "core/window_description.h"
#include "platform/gdi.h"
#include "platform/window.h"

namespace {

// How this layer reaches a control from its window, here and for the key selector's field
// (controls/combo/custom_combo.cpp): the control hooks its window (SetWindowSubclass) with itself
// as the hook's value. A control must see its window's messages before the window's own procedure
// anyway, so the one hook both hands it the messages and names it to FindControl; the window's
// user data stays with the platform classes a control builds on, and no table of the process
// outlives a window or a control. The window's record holds the hook, never the control, which
// stays owned by its owner. Who clears it:
// - the window goes first (a parent destroyed, the platform stopped): the hook sees WM_NCDESTROY,
//   the control forgets its handle there, and the platform drops the hook with the window;
// - the control goes first: it destroys its window (DestroyWnd), which runs the case above while
//   the control is still whole, and then removes the hook in case the window stayed.
// The hook's number tells this layer's hook apart from any other on the same window.
constexpr std::uintptr_t kControlHook = 1;

// The control whose window is being created: the class procedure binds the first message of a
// new window to it.
thread_local TWinControl* t_creating = nullptr;

}  // namespace

LRESULT ControlWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, std::uintptr_t /*id*/,
                       std::uintptr_t refData) {
  auto* control = reinterpret_cast<TWinControl*>(refData);
  TMessage m{msg, wParam, lParam, 0};
  // The event boundary: an error in any handler is reported here and the platform sees a normal
  // return.
  RunAtBoundary(control, [&] { control->WndProc(m); });
  if (msg == WM_NCDESTROY && control->m_handle == hwnd) control->m_handle = nullptr;
  return m.Result;
}

LRESULT TWinControl::InitWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWinControl* control = t_creating;
  if (!control) return DefWindowProc(hwnd, msg, wParam, lParam);
  t_creating = nullptr;
  // Handlers of the creation messages may already ask for the handle.
  control->m_handle = hwnd;
  // The window's own procedure (the platform class it is built on, or the default handling) goes
  // under the control's hook, where the control's default handling reaches it.
  SetWindowLongPtr(hwnd, GWL_WNDPROC, reinterpret_cast<std::intptr_t>(control->m_defWndProc));
  SetWindowSubclass(hwnd, &ControlWndProc, kControlHook, reinterpret_cast<std::uintptr_t>(control));
  return CallWindowProc(reinterpret_cast<WNDPROC>(GetWindowLongPtr(hwnd, GWL_WNDPROC)), hwnd, msg, wParam,
                        lParam);
}

TWinControl* TWinControl::FindControl(HWND hwnd) {
  std::uintptr_t control = 0;
  if (!GetWindowSubclass(hwnd, &ControlWndProc, kControlHook, &control)) return nullptr;
  return reinterpret_cast<TWinControl*>(control);
}

// ---- Construction and the window -------------------------------------------------------------
TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
  SetWindowed();
  m_brush.SetColor(Color());
}

TWinControl::~TWinControl() {
  // A provider made for a derived class answers from parts of it that are gone by now; a reader
  // asking while the window goes is answered by one for what is left.
  m_accessible.reset();
  // Children learn that their parent goes; they stay owned by their owner.
  while (!m_controls.empty()) {
    TControl* child = m_controls.back();
    child->SetParent(nullptr);
  }
  if (m_handle) DestroyWnd();
}

HWND TWinControl::Handle() {
  HandleNeeded();
  return m_handle;
}

void TWinControl::HandleNeeded() {
  // A window being made is not made twice when a creation message handler asks for it.
  if (m_handle || (m_controlState & csCreating)) return;
  if (m_parent) m_parent->HandleNeeded();
  // Children get their windows when they start showing (UpdateShowing) or are first needed.
  CreateWnd();
}

void TWinControl::CreateParams(TCreateParams& params) {
  params = TCreateParams{};
  params.Caption = GetText();
  params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (m_controlStyle & csAcceptsControls) {
    params.Style |= WS_CLIPCHILDREN;
    params.ExStyle |= WS_EX_CONTROLPARENT;
  }
  if (!Enabled()) params.Style |= WS_DISABLED;
  if (m_tabStop) params.Style |= WS_TABSTOP;
  params.X = m_left;
  params.Y = m_top;
  params.Width = m_width;
  params.Height = m_height;
  if (m_parent) params.WndParent = m_parent->Handle();
  params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  params.WindowClass.lpfnWndProc = DefWindowProc;
  params.WindowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  params.WinClassName = ClassName();
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  m_defWndProc = params.WindowClass.lpfnWndProc ? params.WindowClass.lpfnWndProc : DefWindowProc;
  m_onPlatformClass = !params.BaseClassName.empty();
  if (m_onPlatformClass) {
    WNDCLASS base{};
    if (GetClassInfo(nullptr, params.BaseClassName.c_str(), &base)) {
      m_defWndProc = base.lpfnWndProc;
    }
  }
  WNDCLASS existing{};
  if (!GetClassInfo(nullptr, params.WinClassName.c_str(), &existing)) {
    WNDCLASS wc = params.WindowClass;
    wc.lpfnWndProc = InitWndProc;
    wc.lpszClassName = params.WinClassName.c_str();
    RegisterClass(&wc);
  } else if (existing.lpfnWndProc != InitWndProc) {
    // The name is taken by a class this layer did not make; re-register ours under it.
    UnregisterClass(params.WinClassName.c_str(), nullptr);
    WNDCLASS wc = params.WindowClass;
    wc.lpfnWndProc = InitWndProc;
    wc.lpszClassName = params.WinClassName.c_str();
    RegisterClass(&wc);
  }
  CreateWindowHandle(params);
  if (!m_handle) return;
  WindowCreated();
}

void TWinControl::CreateWindowHandle(const TCreateParams& params) {
  m_controlState |= csCreating;
  t_creating = this;
  HWND hwnd = CreateWindowEx(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(),
                             params.Style, params.X, params.Y, params.Width, params.Height, params.WndParent,
                             nullptr, nullptr, nullptr);
  t_creating = nullptr;
  m_controlState &= ~csCreating;
  m_handle = hwnd;
  if (hwnd) UpdateBounds();
}

void TWinControl::DestroyWnd() {
  if (!m_handle) return;
  WindowDestroying();
  m_controlState |= csDestroyingHandle;
  HWND hwnd = m_handle;
  // Our children's windows go with ours; their controls forget them as the platform destroys them.
  DestroyWindow(hwnd);
  RemoveWindowSubclass(hwnd, &ControlWndProc, kControlHook);
  m_handle = nullptr;
  m_showing = false;
  m_controlState &= ~csDestroyingHandle;
}

void TWinControl::RecreateWnd() {
  if (!m_handle) return;
  bool hadFocus = Focused();
  DestroyWnd();
  UpdateShowing();
  if (!m_handle && m_parent && m_parent->HandleAllocated()) HandleNeeded();
  if (hadFocus && m_handle) ::SetFocus(m_handle);
}

// ---- Children --------------------------------------------------------------------------------
void TWinControl::InsertControl(TControl* control) {
  if (std::find(m_controls.begin(), m_controls.end(), control) != m_controls.end()) return;
  m_controls.push_back(control);
  control->m_parent = this;
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    m_tabList.push_back(win);
    if (m_showing) win->UpdateShowing();
  } else {
    control->m_partId = ++m_lastPartId;
    control->Invalidate();
  }
}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(m_controls.begin(), m_controls.end(), control);
  if (it == m_controls.end()) return;
  control->Invalidate();
  m_controls.erase(it);
  m_tabList.erase(std::remove(m_tabList.begin(), m_tabList.end(), control), m_tabList.end());
  control->m_parent = nullptr;
  control->m_partId = a11y::kSelf;
  if (auto* win = dynamic_cast<TWinControl*>(control); win && win->m_handle && !IsDestroying()) {
    win->DestroyWnd();
  }
}

void TWinControl::BringControlToFront(TControl* control) {
  auto it = std::find(m_controls.begin(), m_controls.end(), control);
  if (it == m_controls.end()) return;
  m_controls.erase(it);
  m_controls.push_back(control);
  control->Invalidate();
}

TControl* TWinControl::ControlAtPos(POINT pt, bool allowDisabled, bool allowWindowed) const {
  for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
    TControl* c = *it;
    if (c->IsWindowed() && !allowWindowed) continue;
    if (!c->Visible() || (!c->Enabled() && !allowDisabled)) continue;
    RECT r = c->BoundsRect();
    if (pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom) return c;
  }
  return nullptr;
}

// ---- Focus and tab order ---------------------------------------------------------------------
int TWinControl::TabOrder() const {
  if (!m_parent) return -1;
  const auto& list = m_parent->m_tabList;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (!m_parent) return;
  auto& list = m_parent->m_tabList;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  if (order < 0 || order >= static_cast<int>(list.size())) {
    list.push_back(this);
  } else {
    list.insert(list.begin() + order, this);
  }
}

void TWinControl::SetTabStop(bool value) {
  if (value == m_tabStop) return;
  m_tabStop = value;
  if (m_handle) {
    LONG style = GetWindowLong(m_handle, GWL_STYLE);
    SetWindowLong(m_handle, GWL_STYLE,
                  value ? (style | static_cast<LONG>(WS_TABSTOP)) : (style & ~static_cast<LONG>(WS_TABSTOP)));
  }
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : m_tabList) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

bool TWinControl::Focused() const { return m_handle && GetFocus() == m_handle; }

bool TWinControl::CanFocus() const {
  const TControl* c = this;
  while (c) {
    if (!c->Visible() || !c->Enabled()) return false;
    if (!c->Parent()) break;
    c = c->Parent();
  }
  return true;
}

TFocusHost* TWinControl::FocusHost() const {
  const TControl* c = this;
  while (c->Parent()) c = c->Parent();
  return dynamic_cast<TFocusHost*>(const_cast<TControl*>(c));
}

void TWinControl::SetFocus() {
  if (TFocusHost* host = FocusHost(); host && static_cast<const void*>(host) != this) {
    host->FocusControl(this);
  } else if (Visible()) {
    ::SetFocus(Handle());
  }
}

void TWinControl::SetVisible(bool visible) {
  if (visible == Visible()) return;
  TControl::SetVisible(visible);
  UpdateShowing();
}

void TWinControl::UpdateShowing() {
  bool show = Visible() && (m_parent ? m_parent->m_showing : true);
  if (show && !m_handle) {
    if (m_parent && !m_parent->m_handle) return;
    CreateWnd();
    if (!m_handle) return;
  }
  if (show == m_showing) return;
  m_showing = show;
  // Children are in place before their parent appears, and gone after it disappears.
  if (show) {
    for (TControl* child : m_controls) {
      if (auto* win = dynamic_cast<TWinControl*>(child)) win->UpdateShowing();
    }
    Perform(CM_SHOWINGCHANGED);
  } else {
    Perform(CM_SHOWINGCHANGED);
    for (TControl* child : m_controls) {
      if (auto* win = dynamic_cast<TWinControl*>(child)) win->UpdateShowing();
    }
  }
}

void TWinControl::SetCtl3D(bool value) {
  m_parentCtl3D = false;
  if (value == m_ctl3D) return;
  m_ctl3D = value;
  Perform(CM_CTL3DCHANGED);
}

void TWinControl::SetParentCtl3D(bool value) {
  if (value == m_parentCtl3D) return;
  m_parentCtl3D = value;
  if (value && m_parent && m_parent->Ctl3D() != m_ctl3D) {
    m_ctl3D = m_parent->Ctl3D();
    Perform(CM_CTL3DCHANGED);
  }
}

// ---- Geometry and painting -------------------------------------------------------------------
void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (left == m_left && top == m_top && width == m_width && height == m_height) return;
  if (m_handle) {
    // The platform may refuse a size (a drop-down combo's height comes from its font); we read
    // back what it made.
    SetWindowPos(m_handle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateBounds();
  } else {
    TControl::SetBounds(left, top, width, height);
  }
}

void TWinControl::BoundsChanged() {}

void TWinControl::UpdateBounds() {
  if (!m_handle) return;
  RECT r{};
  GetWindowRect(m_handle, &r);
  HWND parent = GetParent(m_handle);
  if (parent && (GetWindowLong(m_handle, GWL_STYLE) & static_cast<LONG>(WS_CHILD))) {
    POINT tl{r.left, r.top};
    ::ScreenToClient(parent, &tl);
    r = {tl.x, tl.y, tl.x + (r.right - r.left), tl.y + (r.bottom - r.top)};
  }
  bool sized = (r.right - r.left) != m_width || (r.bottom - r.top) != m_height;
  m_left = r.left;
  m_top = r.top;
  m_width = r.right - r.left;
  m_height = r.bottom - r.top;
  if (sized) Resized();
}

RECT TWinControl::ClientRect() const {
  if (m_handle) {
    RECT r{};
    GetClientRect(m_handle, &r);
    return r;
  }
  return TControl::ClientRect();
}

POINT TWinControl::ClientOrigin() const {
  POINT p{0, 0};
  if (m_handle) ::ClientToScreen(m_handle, &p);
  return p;
}

void TWinControl::Invalidate() {
  if (m_handle) ::InvalidateRect(m_handle, nullptr, !(m_controlStyle & csOpaque));
}

void TWinControl::Update() {
  if (m_handle) UpdateWindow(m_handle);
}

void TWinControl::ChangeScale(int m, int d) {
  // Children first, then the control itself, so a child scales against its parent's old size.
  for (TControl* child : m_controls) child->ChangeScale(m, d);
  TControl::ChangeScale(m, d);
}

void TWinControl::PaintControls(HDC dc, const RECT& paintRect) {
  for (TControl* child : m_controls) {
    if (child->IsWindowed() || !child->Visible()) continue;
    RECT r = child->BoundsRect();
    if (r.right <= paintRect.left || r.left >= paintRect.right || r.bottom <= paintRect.top ||
        r.top >= paintRect.bottom) {
      continue;
    }
    int saved = SaveDC(dc);
    POINT org{};
    GetViewportOrgEx(dc, &org);
    SetViewportOrgEx(dc, org.x + r.left, org.y + r.top, nullptr);
    IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
    child->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    RestoreDC(dc, saved);
  }
}

void TWinControl::PaintWindow(HDC dc) {
  TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
  DefaultHandler(m);
}

void TWinControl::PaintHandler(TMessage& message) {
  PAINTSTRUCT ps{};
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  bool own = dc == nullptr;
  if (own) dc = BeginPaint(m_handle, &ps);
  if (!dc) return;
  // The paint ends properly (the context restored, the update validated) also when a control's
  // painting raises: the error goes on to the window procedure's boundary.
  struct EndGuard {
    HWND hwnd;
    HDC dc;
    PAINTSTRUCT* ps;
    int saved = 0;
    ~EndGuard() {
      if (saved) RestoreDC(dc, saved);
      if (ps) EndPaint(hwnd, ps);
    }
  } guard{m_handle, dc, own ? &ps : nullptr};
  RECT paintRect = ps.rcPaint;
  if (!own) GetClipBox(dc, &paintRect);
  guard.saved = SaveDC(dc);
  // Opaque windowless children paint their whole rectangle: keep the control's own painting out.
  bool hasGraphic = false;
  for (TControl* child : m_controls) {
    if (child->IsWindowed() || !child->Visible()) continue;
    hasGraphic = true;
    if (child->ControlStyle() & csOpaque) {
      RECT r = child->BoundsRect();
      ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
  }
  RECT clip{};
  if (GetClipBox(dc, &clip) != NULLREGION) PaintWindow(dc);
  RestoreDC(dc, guard.saved);
  guard.saved = 0;
  if (hasGraphic) PaintControls(dc, paintRect);
}

// ---- Accessibility ---------------------------------------------------------------------------
a11y::Provider& TWinControl::Accessible() {
  if (!m_accessible) m_accessible = CreateAccessible();
  return *m_accessible;
}

std::unique_ptr<a11y::Provider> TWinControl::CreateAccessible() {
  return std::make_unique<TWinControlAccessible>(*this);
}

// ---- Messages --------------------------------------------------------------------------------
bool TWinControl::IsControlMouseMsg(TMessage& message) {
  TControl* target = nullptr;
  POINT pt{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
  TControl* capture = CaptureControl();
  if (capture && capture->Parent() == this && !capture->IsWindowed()) {
    target = capture;
  } else if (!capture || capture == this) {
    target = ControlAtPos(pt, false);
  }
  if (!target) return false;
  RECT r = target->BoundsRect();
  TMessage m{message.Msg, message.WParam, MAKELPARAM(pt.x - r.left, pt.y - r.top), 0};
  target->WndProc(m);
  message.Result = m.Result;
  return true;
}

bool TWinControl::DoKeyDown(TMessage& message) {
  WORD key = static_cast<WORD>(message.WParam);
  TShiftState shift = KeyboardShiftState();
  if (OnKeyDown) OnKeyDown(this, key, shift);
  if (key == 0) return true;
  KeyDown(key, shift);
  if (key == 0) return true;
  message.WParam = key;
  return false;
}

bool TWinControl::DoKeyUp(TMessage& message) {
  WORD key = static_cast<WORD>(message.WParam);
  TShiftState shift = KeyboardShiftState();
  if (OnKeyUp) OnKeyUp(this, key, shift);
  if (key == 0) return true;
  KeyUp(key, shift);
  if (key == 0) return true;
  message.WParam = key;
  return false;
}

bool TWinControl::DoKeyPress(TMessage& message) {
  char ch = static_cast<char>(message.WParam);
  if (OnKeyPress) OnKeyPress(this, ch);
  if (ch == 0) return true;
  KeyPress(ch);
  if (ch == 0) return true;
  message.WParam = static_cast<unsigned char>(ch);
  return false;
}

void TWinControl::KeyDown(WORD&, TShiftState) {}
void TWinControl::KeyUp(WORD&, TShiftState) {}
void TWinControl::KeyPress(char&) {}

bool TWinControl::ChildKey(WORD key) {
  for (TWinControl* p = m_parent; p; p = dynamic_cast<TWinControl*>(p->Parent())) {
    if (p->Perform(CM_CHILDKEY, key, reinterpret_cast<LPARAM>(this)) != 0) return true;
  }
  return false;
}

// Key-down notification, offered before the message is translated: dialog keys that the control
// does not want go to the form's dialog-key step.
//
//   key                         asks for           goes to the form when
//   Cancel, Return, Esc, Exec   DLGC_WANTALLKEYS   the control's WM_GETDLGCODE lacks the bit
//   Tab                         DLGC_WANTTAB       and it does not claim the key as special
//   arrows                      DLGC_WANTARROWS
//   anything else               (not a dialog key: dispatched normally)
void TWinControl::HandleKeyNotify(TMessage& message) {
  WORD key = static_cast<WORD>(message.WParam);
  message.Result = 0;
  if (ChildKey(key)) {
    message.Result = 1;
    return;
  }
  LRESULT mask = 0;
  switch (key) {
    case VK_CANCEL:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_EXECUTE:
      mask = DLGC_WANTALLKEYS;
      break;
    case VK_TAB:
      mask = DLGC_WANTTAB;
      break;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      mask = DLGC_WANTARROWS;
      break;
    default:
      return;
  }
  if (Perform(CM_WANTSPECIALKEY, key, message.LParam) != 0) return;
  if (Perform(WM_GETDLGCODE) & mask) return;
  if (auto* form = dynamic_cast<TWinControl*>(FocusHost())) {
    if (form->Perform(CM_DIALOGKEY, key, message.LParam) != 0) message.Result = 1;
  }
}

void TWinControl::HandleCharNotify(TMessage& message) {
  message.Result = 0;
  if (Perform(WM_GETDLGCODE) & DLGC_WANTCHARS) return;
  if (auto* form = dynamic_cast<TWinControl*>(FocusHost())) {
    if (form->Perform(CM_DIALOGCHAR, message.WParam, message.LParam) != 0) message.Result = 1;
  }
}

bool TWinControl::RouteKeyMessage(const MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  HWND target = GetCapture();
  TWinControl* control = nullptr;
  if (target) {
    control = FindControl(target);
    if (!control) return false;  // captured by a window this layer does not know
  } else {
    for (HWND h = msg.hwnd; h && !control; h = GetParent(h)) {
      control = FindControl(h);
      if (!(GetWindowLong(h, GWL_STYLE) & static_cast<LONG>(WS_CHILD))) break;
    }
  }
  if (!control) return false;
  LRESULT consumed = 0;
  RunAtBoundary(control, [&] { consumed = control->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam); });
  return consumed != 0;
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  for (TControl* child : m_controls) child->Perform(CM_PARENTFONTCHANGED);
}

// A window procedure's switch, one case per message: long by its nature, and read case by case.
// NOLINTNEXTLINE(readability-function-size)
void TWinControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_PAINT:
      PaintHandler(message);
      return;
    case WM_ERASEBKGND:
      if (!(m_controlStyle & csOpaque)) {
        RECT r{};
        GetClientRect(m_handle, &r);
        m_brush.SetColor(Color());
        ::FillRect(reinterpret_cast<HDC>(message.WParam), &r, m_brush.Handle());
      }
      message.Result = 1;
      return;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      if (IsControlMouseMsg(message)) return;
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (DoKeyDown(message)) return;
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (DoKeyUp(message)) return;
      break;
    case WM_CHAR:
      if (DoKeyPress(message)) return;
      break;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
      HandleKeyNotify(message);
      return;
    case CN_CHAR:
    case CN_SYSCHAR:
      HandleCharNotify(message);
      return;
    case WM_CANCELMODE:
      // A windowless child holds the mouse through this window: its press ends too.
      if (TControl* capture = CaptureControl(); capture && capture != this && capture->Parent() == this) {
        capture->Perform(WM_CANCELMODE);
      }
      break;
    case WM_SETFOCUS:
      if (TFocusHost* host = FocusHost(); host && static_cast<void*>(host) != this) {
        if (!host->SetFocusedControl(this)) return;
      }
      break;
    case WM_COMMAND:
      if (message.LParam != 0) {
        if (TWinControl* child = FindControl(reinterpret_cast<HWND>(message.LParam))) {
          message.Result = child->Perform(CN_COMMAND, message.WParam, message.LParam);
          return;
        }
      }
      break;
    case WM_SIZE:
    case WM_MOVE:
      if (!(m_controlState & csCreating)) UpdateBounds();
      break;
    case CM_SHOWINGCHANGED:
      if (m_handle) {
        SetWindowPos(m_handle, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                         (m_showing ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
      }
      return;
    case CM_ENABLEDCHANGED:
      if (m_handle) EnableWindow(m_handle, Enabled());
      break;
    case CM_COLORCHANGED:
      m_brush.SetColor(Color());
      for (TControl* child : m_controls) child->Perform(CM_PARENTCOLORCHANGED);
      break;
    case CM_CTL3DCHANGED:
      for (TControl* child : m_controls) {
        if (auto* win = dynamic_cast<TWinControl*>(child)) win->Perform(CM_PARENTCTL3DCHANGED);
      }
      break;
    case CM_PARENTCTL3DCHANGED:
      if (m_parentCtl3D && m_parent && m_parent->Ctl3D() != m_ctl3D) {
        m_ctl3D = m_parent->Ctl3D();
        Perform(CM_CTL3DCHANGED);
      }
      return;
    case CM_TEXTCHANGED:
      if (m_handle) SetWindowText(m_handle, GetText().c_str());
      break;
    case WM_GETOBJECT:
      if (message.LParam == a11y::kObjectIdClient && !m_onPlatformClass) {
        message.Result = a11y::AnswerGetObject(&Accessible());
        return;
      }
      break;
    default:
      if (IsCtlColorMessage(message.Msg)) {
        if (TWinControl* child = FindControl(reinterpret_cast<HWND>(message.LParam))) {
          message.Result = child->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
          return;
        }
      }
      break;
  }
  TControl::WndProc(message);
}

void TWinControl::DefaultHandler(TMessage& message) {
  // The layer's own messages never reach the platform.
  if (message.Msg >= CM_BASE && message.Msg < CN_BASE + 0x400) {
    message.Result = 0;
    return;
  }
  if (!m_handle) {
    message.Result = 0;
    return;
  }
  message.Result = DefSubclassProc(m_handle, message.Msg, message.WParam, message.LParam);
}

void TWinControl::ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) {
  if (name == "TabOrder") {
    int order = DescInteger(value);
    if (IsLoading() && m_parent) {
      // Controls are read one at a time, so a stored order may name a place that only later
      // siblings fill: keep the list sorted by the orders stored so far.
      m_readTabOrder = order;
      auto& list = m_parent->m_tabList;
      list.erase(std::remove(list.begin(), list.end(), this), list.end());
      auto at = std::find_if(list.begin(), list.end(),
                             [order](const TWinControl* c) { return c->m_readTabOrder > order; });
      list.insert(at, this);
    } else {
      SetTabOrder(order);
    }
  } else if (name == "TabStop") {
    SetTabStop(DescBoolean(value));
  } else if (name == "Ctl3D") {
    SetCtl3D(DescBoolean(value));
  } else if (name == "ParentCtl3D") {
    SetParentCtl3D(DescBoolean(value));
  } else if (name == "OnEnter" || name == "OnExit") {
    std::string handler = DescIdentifier(value);
    TNotifyEvent event = root ? root->FindMethod(handler) : TNotifyEvent{};
    if (!event) throw TPropertyError{"Invalid property value: no handler " + handler};
    (name == "OnEnter" ? OnEnter : OnExit) = event;
  } else {
    TControl::ReadProperty(name, value, root);
  }
}

// ---- TCustomControl --------------------------------------------------------------------------
TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWindow(HDC dc) {
  m_canvas.SetHandle(dc);
  m_canvas.Font().Assign(Font());
  m_controlState |= csCustomPaint;
  Paint();
  m_controlState &= ~csCustomPaint;
  m_canvas.SetHandle(nullptr);
}
