// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/combo/custom_combo.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "controls/combo/combo_box_strings.h"
#include "core/event_boundary.h"
#include "core/exceptions.h"
#include "core/window_description.h"
#include "platform/combo_box.h"
#include "platform/gdi.h"
#include "platform/window.h"

namespace {

constexpr const char* kErrorCreatingWindowClass = "Error creating window class";

// The open list is sized with the window hidden and without redrawing, then shown again.
constexpr UINT kSizeDropFlags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_HIDEWINDOW;
constexpr UINT kShowDropFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW;
static_assert(kSizeDropFlags == 0x9E && kShowDropFlags == 0x5F);

// The hook of the edit field (and of the simple style's list), whose value is the control, as
// core/win_control.cpp hooks a control's own window and says who clears the hook when.
constexpr std::uintptr_t kChildHook = 1;

TNotifyEvent ReadHandler(const TDescValue& value, TComponent* root) {
  std::string handler = DescIdentifier(value);
  TNotifyEvent event = root ? root->FindMethod(handler) : TNotifyEvent{};
  if (!event) throw TPropertyError{"Invalid property value: no handler " + handler};
  return event;
}

}  // namespace

// The hook of the edit field (and of the simple style's list). It is the edit field's event
// boundary: an error from a handler run by typing (OnChange during completion) is shown by the
// error display and the message goes no further.
LRESULT ComboChildProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, std::uintptr_t /*id*/,
                       std::uintptr_t refData) {
  auto* combo = reinterpret_cast<TCustomCombo*>(refData);
  TMessage m{msg, wParam, lParam, 0};
  RunAtBoundary(combo, [&] { combo->ComboWndProc(m, hwnd); });
  if (msg == WM_NCDESTROY) {
    if (hwnd == combo->m_editHandle) combo->m_editHandle = nullptr;
    if (hwnd == combo->m_listHandle) combo->m_listHandle = nullptr;
  }
  return m.Result;
}

TCustomCombo::TCustomCombo(TComponent* owner)
    : TCustomListControl(owner), m_canvas(std::make_unique<TCanvas>()) {
  // Clicks come from choosing an item, never from the mouse; the closed height is the platform's.
  m_controlStyle = csCaptureMouse | csDoubleClicks | csFixedHeight;
  SetBounds(0, 0, 145, 25);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

TCustomCombo::~TCustomCombo() {
  MarkDestroying();
  m_items.reset();
  m_savedItems.reset();
  // Destroyed directly: nothing is saved for a re-creation that will not come.
  if (m_handle) {
    HWND hwnd = m_handle;
    DestroyWindow(hwnd);
    m_handle = nullptr;
  }
  ReleaseChildren();
  m_canvas.reset();
}

void TCustomCombo::BindItems() {
  m_items = CreateItemsObject();
  m_items->SetComboBox(this);
}

TStrings& TCustomCombo::Items() { return *m_items; }

void TCustomCombo::SetItems(const TStrings& source) { m_items->Assign(source); }

// ---- Properties ------------------------------------------------------------------------------
void TCustomCombo::SetMaxLength(int length) {
  if (length < 0) length = 0;
  if (length == m_maxLength) return;
  m_maxLength = length;
  if (m_handle) SendMessage(m_handle, CB_LIMITTEXT, static_cast<WPARAM>(length), 0);
}

void TCustomCombo::SetItemHeight(int height) {
  if (height <= 0) return;
  m_itemHeight = height;
  RecreateWnd();
}

bool TCustomCombo::DroppedDown() { return m_handle && SendMessage(m_handle, CB_GETDROPPEDSTATE, 0, 0) != 0; }

void TCustomCombo::SetDroppedDown(bool dropped) {
  SendMessage(Handle(), CB_SHOWDROPDOWN, dropped ? 1 : 0, 0);
  InvalidateRect(m_handle, nullptr, TRUE);
}

std::string TCustomCombo::GetText() const {
  if (!m_handle) return m_storedText;
  LRESULT length = SendMessage(m_handle, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  LRESULT copied = SendMessage(m_handle, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data(), static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, length)));
}

void TCustomCombo::SetText(const std::string& text) {
  if (GetText() == text) return;
  if (!m_handle) {
    m_storedText = text;
    return;
  }
  SendMessage(m_handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  Perform(CM_TEXTCHANGED);
}

bool TCustomCombo::Focused() const {
  if (!m_handle) return false;
  HWND focus = GetFocus();
  if (!focus) return false;
  return focus == m_editHandle || focus == m_listHandle || (!HasEditField() && focus == m_handle);
}

// ---- List control operations -----------------------------------------------------------------
int TCustomCombo::GetItemIndex() {
  if (IsLoading()) return m_storedIndex;
  return static_cast<int>(SendMessage(Handle(), CB_GETCURSEL, 0, 0));
}

void TCustomCombo::SetItemIndex(int index) {
  if (IsLoading()) {
    m_storedIndex = index;
    return;
  }
  if (GetItemIndex() != index) SendMessage(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void TCustomCombo::AddItem(const std::string& text, TObject* object) { m_items->AddObject(text, object); }

void TCustomCombo::Clear() {
  SetText("");
  m_items->Clear();
  m_savedIndex = -1;
}

void TCustomCombo::CopySelection(TCustomListControl* destination) {
  int index = GetItemIndex();
  if (index != -1 && destination) destination->AddItem(m_items->Get(index), m_items->GetObject(index));
}

void TCustomCombo::DeleteSelected() {
  int index = GetItemIndex();
  if (index != -1) m_items->Delete(index);
}

void TCustomCombo::SelectAll() { SendMessage(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(0, 0xFFFF)); }

// ---- Events ----------------------------------------------------------------------------------
void TCustomCombo::Change() {
  for (TWinControl* parent = Parent(); parent; parent = parent->Parent()) {
    parent->Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this));
  }
  if (OnChange) OnChange(this);
}

void TCustomCombo::Select() {
  if (OnSelect) {
    OnSelect(this);
  } else {
    Change();
  }
}

void TCustomCombo::DropDown() {
  if (OnDropDown) OnDropDown(this);
}

void TCustomCombo::CloseUp() {
  if (OnCloseUp) OnCloseUp(this);
}

// ---- The window ------------------------------------------------------------------------------
void TCustomCombo::CreateParams(TCreateParams& params) {
  TCustomListControl::CreateParams(params);
  WNDCLASS base{};
  if (!GetClassInfo(nullptr, kComboBoxClass, &base)) Raise<EOutOfResources>(kErrorCreatingWindowClass);
  base.style =
      (base.style & ~(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS)) | CS_HREDRAW | CS_VREDRAW;
  base.hInstance = params.WindowClass.hInstance;
  base.lpszClassName = nullptr;
  params.WindowClass = base;
  params.BaseClassName = kComboBoxClass;
  params.Style |= WS_VSCROLL | CBS_HASSTRINGS | CBS_AUTOHSCROLL;
}

void TCustomCombo::WindowCreated() {
  SendMessage(m_handle, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 1);
  UpdateBounds();
  SendMessage(m_handle, CB_LIMITTEXT, static_cast<WPARAM>(m_maxLength), 0);
  m_dropHandle = m_handle;
  if (m_savedItems) {
    std::unique_ptr<TStringList> saved = std::move(m_savedItems);
    m_items->Assign(*saved);
    if (m_savedIndex != -1) SendMessage(m_handle, CB_SETCURSEL, static_cast<WPARAM>(m_savedIndex), 0);
  }
  if (HasEditField()) {
    HWND first = GetWindow(m_handle, GW_CHILD);
    if (ComboStyle() == TComboBoxStyle::csSimple) {
      m_listHandle = first;
      if (m_listHandle) HookChild(m_listHandle);
      m_editHandle = first ? GetWindow(first, GW_HWNDNEXT) : nullptr;
    } else {
      m_editHandle = first;
    }
    if (m_editHandle) {
      HookChild(m_editHandle);
      SendMessage(m_editHandle, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    }
  }
  // From now on the text lives in the window.
  m_storedText.clear();
}

void TCustomCombo::HookChild(HWND child) {
  SetWindowSubclass(child, &ComboChildProc, kChildHook, reinterpret_cast<std::uintptr_t>(this));
}

void TCustomCombo::ReleaseChildren() {
  for (HWND child : {m_editHandle, m_listHandle}) {
    if (child) RemoveWindowSubclass(child, &ComboChildProc, kChildHook);
  }
}

void TCustomCombo::WindowDestroying() {
  // The text and the items live in the window: keep them for the window that replaces it.
  m_storedText = GetText();
  if (GetItemCount() > 0) {
    m_savedIndex = GetItemIndex();
    m_savedItems = std::make_unique<TStringList>();
    m_savedItems->Assign(*m_items);
  }
}

void TCustomCombo::DestroyWnd() {
  TCustomListControl::DestroyWnd();
  ReleaseChildren();
  m_editHandle = nullptr;
  m_listHandle = nullptr;
  m_dropHandle = nullptr;
}

// ---- Notifications ---------------------------------------------------------------------------
void TCustomCombo::HandleCommand(TMessage& message) {
  message.Result = 0;
  if (IsDestroying() || !m_items) return;
  switch (static_cast<int>(HIWORD(message.WParam))) {
    case CBN_SELCHANGE:
      ChooseCurrentItem();
      break;
    case CBN_DBLCLK:
      DblClick();
      break;
    case CBN_SETFOCUS:
      // Input-method settings would be applied here; cp1252 text has no input-method modes.
      m_focused = true;
      m_focusChanged = true;
      break;
    case CBN_KILLFOCUS:
      m_focused = false;
      m_focusChanged = true;
      break;
    case CBN_EDITCHANGE:
      Change();
      break;
    case CBN_DROPDOWN:
      OpenList();
      break;
    case CBN_CLOSEUP:
      CloseUp();
      break;
    default:
      break;
  }
}

// The platform has already made the user's item current; the field shows its text before any
// handler runs, so OnChange reads ItemIndex and Text as the user sees them.
void TCustomCombo::ChooseCurrentItem() {
  int index = GetItemIndex();
  SetText(index >= 0 ? m_items->Get(index) : std::string());
  Click();
  Select();
}

void TCustomCombo::OpenList() {
  m_focusChanged = false;
  DropDown();
  AdjustDropDown();
  if (m_focusChanged) {
    PostMessage(m_handle, WM_CANCELMODE, 0, 0);
    if (!m_focused) PostMessage(m_handle, CB_SHOWDROPDOWN, 0, 0);
  }
}

// The drop window's height decides the open list's: one row per item, at most DropDownCount rows
// and at least one, below the closed field.
void TCustomCombo::AdjustDropDown() {
  int rows = std::max(1, std::min(GetItemCount(), m_dropDownCount));
  int height = rows * GetItemHeight() + Height() + 2;
  m_sizing = true;
  try {
    SetWindowPos(m_dropHandle, nullptr, 0, 0, Width(), height, kSizeDropFlags);
  } catch (...) {
    m_sizing = false;
    throw;
  }
  m_sizing = false;
  SetWindowPos(m_dropHandle, nullptr, 0, 0, 0, 0, kShowDropFlags);
}

// ---- Messages --------------------------------------------------------------------------------
bool TCustomCombo::CharMessage(TMessage& message) {
  if (DoKeyPress(message)) return true;
  char ch = static_cast<char>(message.WParam);
  if ((ch == '\r' || ch == '\x1b') && DroppedDown()) {
    SetDroppedDown(false);
    return true;
  }
  return false;
}

void TCustomCombo::ComboWndProc(TMessage& message, HWND child) {
  if (message.Msg == WM_SYSCOMMAND) {
    WndProc(message);
    return;
  }
  TFocusHost* host = FocusHost();
  if (static_cast<void*>(host) == static_cast<void*>(this)) host = nullptr;
  if (message.Msg >= WM_KEYFIRST && message.Msg <= WM_KEYLAST && host && host->WantChildKey(this, message)) {
    return;
  }
  bool isList = child == m_listHandle;
  switch (message.Msg) {
    case WM_SETFOCUS:
      if (host && !host->SetFocusedControl(this)) return;
      break;
    case WM_KILLFOCUS:
      if (m_controlState & csFocusing) return;
      break;
    case WM_GETDLGCODE:
      if (DroppedDown()) {
        message.Result = DLGC_WANTALLKEYS;
        return;
      }
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (!isList && DoKeyDown(message)) return;
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (!isList && DoKeyUp(message)) return;
      break;
    case WM_CHAR:
      if (CharMessage(message)) return;
      break;
    case CN_KEYDOWN:
    case CN_CHAR:
    case CN_SYSKEYDOWN:
    case CN_SYSCHAR:
      WndProc(message);
      return;
    default:
      break;
  }
  message.Result = DefSubclassProc(child, message.Msg, message.WParam, message.LParam);
  if (message.Msg == WM_LBUTTONDBLCLK) DblClick();
  // The platform resets the margins for a new font; the field keeps none.
  if (message.Msg == WM_SETFONT && child == m_editHandle && m_editHandle) {
    SendMessage(m_editHandle, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  }
}

void TCustomCombo::AnswerControlColor(TMessage& message) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  SetTextColor(dc, ColorToRGB(Font().Color()));
  SetBkColor(dc, ColorToRGB(Color()));
  m_brush.SetColor(Color());
  message.Result = reinterpret_cast<LRESULT>(m_brush.Handle());
}

// A press on the button: the active control learns that the mouse went elsewhere, the platform
// opens or closes the list, and the control holds the mouse only while it is the active control.
// The open list keeps the capture the platform gave it: taking it away would leave the list
// unable to see the release that chooses a row.
void TCustomCombo::MouseDownOnButton(TMessage& message) {
  TFocusHost* host = FocusHost();
  if (static_cast<void*>(host) == static_cast<void*>(this)) host = nullptr;
  if (host) {
    if (TWinControl* active = host->ActiveControl()) {
      active->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(this));
    }
  }
  DefaultHandler(message);
  if (m_handle && GetCapture() == nullptr) {
    SetCapture(m_handle);
    m_holdsCapture = true;
    if (!host || host->ActiveControl() != this) {
      m_holdsCapture = false;
      ReleaseCapture();
    }
  }
  MouseDown(TMouseButton::mbLeft, ShiftStateFromKeys(message.WParam), GET_X_LPARAM(message.LParam),
            GET_Y_LPARAM(message.LParam));
}

void TCustomCombo::WndProc(TMessage& message) {
  if (IsCtlColorMessage(message.Msg) ||
      (message.Msg >= CN_CTLCOLORMSGBOX && message.Msg <= CN_CTLCOLORSTATIC)) {
    // The edit field and the list ask the combo box before they draw.
    AnswerControlColor(message);
    return;
  }
  switch (message.Msg) {
    case WM_CREATE:
      TCustomListControl::WndProc(message);
      if (!m_storedText.empty()) SetWindowText(m_handle, m_storedText.c_str());
      return;
    case WM_CHAR:
      if (!CharMessage(message)) DefaultHandler(message);
      return;
    case WM_SIZE:
      // While the open list is sized the window is briefly as tall as the list; the control keeps
      // its closed height.
      if (m_sizing) {
        DefaultHandler(message);
        return;
      }
      break;
    case WM_GETDLGCODE:
      DefaultHandler(message);
      if (DroppedDown()) message.Result |= DLGC_WANTALLKEYS;
      return;
    case WM_LBUTTONDOWN:
      MouseDownOnButton(message);
      return;
    case WM_LBUTTONUP:
      DefaultHandler(message);
      // Only a capture this control took is let go; the open list's stays with the platform.
      if (m_holdsCapture) {
        m_holdsCapture = false;
        if (m_handle && GetCapture() == m_handle) ReleaseCapture();
      }
      return;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      // The platform tracks the button and the list itself.
      DefaultHandler(message);
      return;
    case CM_CANCELMODE:
      if (reinterpret_cast<TControl*>(message.LParam) != this && m_handle) {
        SendMessage(m_handle, CB_SHOWDROPDOWN, 0, 0);
      }
      return;
    case WM_NCCALCSIZE:
      // The window has no non-client area: WS_VSCROLL is the list's, not the field's.
      message.Result = 0;
      return;
    case WM_PAINT:
      DefaultHandler(message);
      return;
    case WM_ERASEBKGND:
      if (ComboStyle() == TComboBoxStyle::csSimple && Parent()) {
        RECT r{};
        GetClientRect(m_handle, &r);
        TBrush brush;
        brush.SetColor(Parent()->Color());
        FillRect(reinterpret_cast<HDC>(message.WParam), &r, brush.Handle());
        message.Result = 1;
        return;
      }
      break;
    case CN_COMMAND:
      HandleCommand(message);
      return;
    case CM_TEXTCHANGED:
      // The window already has the text; nothing else depends on it.
      TextChanged();
      return;
    case CM_FONTCHANGED:
      if (m_handle) {
        SendMessage(m_handle, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 1);
        UpdateBounds();
      }
      break;
    default:
      break;
  }
  TCustomListControl::WndProc(message);
}

void TCustomCombo::ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) {
  if (name == "Items") {
    // The batch needs the platform list, so the window is made here (the form's first).
    TStringsUpdate update(*m_items);
    m_items->Clear();
    for (const std::string& text : DescList(value)) m_items->Add(text);
  } else if (name == "ItemIndex") {
    SetItemIndex(DescInteger(value));
  } else if (name == "DropDownCount") {
    SetDropDownCount(DescInteger(value));
  } else if (name == "ItemHeight") {
    SetItemHeight(DescInteger(value));
  } else if (name == "MaxLength") {
    SetMaxLength(DescInteger(value));
  } else if (name == "OnChange") {
    OnChange = ReadHandler(value, root);
  } else if (name == "OnSelect") {
    OnSelect = ReadHandler(value, root);
  } else if (name == "OnDropDown") {
    OnDropDown = ReadHandler(value, root);
  } else if (name == "OnCloseUp") {
    OnCloseUp = ReadHandler(value, root);
  } else {
    TCustomListControl::ReadProperty(name, value, root);
  }
}

void TCustomCombo::Loaded() {
  TCustomListControl::Loaded();
  if (m_storedIndex != -1) SetItemIndex(m_storedIndex);
}
