// SPDX-License-Identifier: GPL-3.0-or-later
// Native input events to window messages: mouse routing (capture, hit test, double clicks),
// keyboard routing to the focus window, and the key state that GetKeyState reports.
#include <array>
#include <cstdlib>

#include "base/cp1252.h"
#include "platform/window.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

constexpr UINT kDoubleClickMs = 500;
constexpr int kDoubleClickDistance = 4;

using KeyStates = std::array<BYTE, InputState::kKeyCount>;

void SetKey(KeyStates& keys, UINT vk, bool down) {
  if (vk == 0 || vk >= InputState::kKeyCount) return;
  if (down) {
    if ((keys[vk] & 0x80) == 0) keys[vk] ^= 0x01;
    keys[vk] |= 0x80;
  } else {
    keys[vk] &= static_cast<BYTE>(~0x80);
  }
}

void SyncModifiers(KeyStates& keys, unsigned modifiers) {
  auto sync = [&](UINT vk, bool down) {
    if (((keys[vk] & 0x80) != 0) != down) SetKey(keys, vk, down);
  };
  sync(VK_SHIFT, (modifiers & backend::kShift) != 0);
  sync(VK_CONTROL, (modifiers & backend::kControl) != 0);
  sync(VK_MENU, (modifiers & backend::kAlt) != 0);
}

bool IsExtendedKey(std::uint32_t keysym) {
  switch (keysym) {
    case backend::keys::kHome:
    case backend::keys::kLeft:
    case backend::keys::kUp:
    case backend::keys::kRight:
    case backend::keys::kDown:
    case backend::keys::kPageUp:
    case backend::keys::kPageDown:
    case backend::keys::kEnd:
    case backend::keys::kInsert:
    case backend::keys::kDelete:
    case backend::keys::kKeypadEnter:
    case backend::keys::kKeypadDivide:
    case backend::keys::kControlR:
    case backend::keys::kAltR:
      return true;
    default:
      return false;
  }
}

WPARAM MouseKeys(unsigned buttons, unsigned modifiers) {
  WPARAM mk = 0;
  if (buttons & 1) mk |= MK_LBUTTON;
  if (buttons & 2) mk |= MK_MBUTTON;
  if (buttons & 4) mk |= MK_RBUTTON;
  if (modifiers & backend::kShift) mk |= MK_SHIFT;
  if (modifiers & backend::kControl) mk |= MK_CONTROL;
  return mk;
}

UINT ButtonMessage(int button, bool down) {
  switch (button) {
    case 2:
      return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    case 3:
      return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    default:
      return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
  }
}

UINT ButtonVk(int button) { return button == 2 ? VK_MBUTTON : button == 3 ? VK_RBUTTON : VK_LBUTTON; }

bool IsPopupTop(const WindowRecord* rec) {
  return rec != nullptr && rec->IsTopLevel() && (rec->style & WS_POPUP) != 0 &&
         (rec->style & WS_CAPTION) != WS_CAPTION;
}

// Where a pointer event happened on the screen (events come relative to their top-level window
// when they name one). False when that window is gone.
bool ScreenPoint(const backend::InputEvent& e, POINT* screen) {
  *screen = {e.x, e.y};
  if (e.topLevel == nullptr) return true;
  const WindowRecord* top = Find(e.topLevel);
  if (top == nullptr) return false;
  *screen = {top->rect.left + e.x, top->rect.top + e.y};
  return true;
}

// Keeps the held buttons and their key states as a press or release arrives.
void TrackButtons(InputState& s, const backend::InputEvent& e) {
  const unsigned bit = (e.button >= 1 && e.button <= 3) ? 1u << (e.button - 1) : 0u;
  if (e.kind == backend::InputKind::ButtonPress) {
    s.buttons |= bit;
    SetKey(s.keys, ButtonVk(e.button), true);
  } else if (e.kind == backend::InputKind::ButtonRelease) {
    s.buttons &= ~bit;
    SetKey(s.keys, ButtonVk(e.button), false);
  }
}

// The window an uncaptured pointer event is for, or nullptr when nobody takes it.
HWND UncapturedTarget(const backend::InputEvent& e, POINT screen, bool press) {
  HWND target = nullptr;
  WindowRecord* top = e.topLevel ? Find(e.topLevel) : nullptr;
  if (top != nullptr && Showing(*top) && Contains(top->rect, screen)) {
    target = DeepestWindowAt(e.topLevel, screen);
  } else {
    // Outside the window it arrived at (the display keeps a pressed button's events with the
    // window it was pressed in): whichever of the program's windows is under the pointer.
    target = WindowFromPoint(screen);
  }
  WindowRecord* rec = Find(target);
  if (rec == nullptr) return nullptr;
  if (!EnabledChain(*rec)) {
    // A window inside a disabled top-level (a modal box is open) takes no mouse input; a press
    // there brings the box forward, so a box hidden behind the window is found again.
    const WindowRecord* disabledTop = TopLevelRecord(rec);
    if (press && disabledTop != nullptr && (disabledTop->style & WS_DISABLED) != 0) {
      if (HWND box = ModalBoxFor(disabledTop->handle)) Activate(box, WA_ACTIVE, false);
    }
    return nullptr;
  }
  return target;
}

// The message for a press: a double click when the window's class asks for them and this press
// follows the last one closely enough in time and place.
UINT PressMessage(InputState& s, const backend::InputEvent& e, HWND target, POINT screen) {
  UINT message = ButtonMessage(e.button, true);
  const bool wantsDouble = (Find(target)->cls->wc.style & CS_DBLCLKS) != 0;
  const bool isDouble = wantsDouble && !s.lastWasDouble && s.lastClickWnd == target &&
                        s.lastClickButton == e.button && e.timeMs >= s.lastClickTime &&
                        e.timeMs - s.lastClickTime <= kDoubleClickMs &&
                        std::abs(screen.x - s.lastClickPt.x) <= kDoubleClickDistance &&
                        std::abs(screen.y - s.lastClickPt.y) <= kDoubleClickDistance;
  if (isDouble) message += WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
  s.lastWasDouble = isDouble;
  s.lastClickWnd = target;
  s.lastClickButton = e.button;
  s.lastClickTime = e.timeMs;
  s.lastClickPt = screen;
  return message;
}

bool ConvertMouse(const backend::InputEvent& e, MSG* out) {
  InputState& s = State().input;
  POINT screen{};
  if (!ScreenPoint(e, &screen)) return false;
  SyncModifiers(s.keys, e.modifiers);
  const bool press = e.kind == backend::InputKind::ButtonPress;
  const bool release = e.kind == backend::InputKind::ButtonRelease;
  TrackButtons(s, e);

  if (ScrollTrackingActive()) {
    if (release) {
      ScrollTrackRelease(screen);
    } else {
      ScrollTrackMove(screen);
    }
    return false;
  }

  HWND target = GetCapture();
  const bool captured = target != nullptr;
  if (!captured) target = UncapturedTarget(e, screen, press);
  if (target == nullptr) return false;

  if (press) {
    WindowRecord* top = TopLevelRecord(Find(target));
    if (top != nullptr && top->handle != GetActiveWindow() && !IsPopupTop(top) &&
        (top->style & WS_DISABLED) == 0) {
      Activate(top->handle, WA_CLICKACTIVE, false);
      if (Find(target) == nullptr) return false;
    }
  }

  if (!captured) {
    const LRESULT hit = SendMessage(target, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
    if (Find(target) == nullptr) return false;
    if (press && e.button == 1 && (hit == HTVSCROLL || hit == HTHSCROLL)) {
      ScrollBarPress(target, hit == HTVSCROLL ? SB_VERT : SB_HORZ, screen);
      return false;
    }
    if (hit != HTCLIENT) return false;
  }

  UINT message = WM_MOUSEMOVE;
  if (press) {
    message = PressMessage(s, e, target, screen);
  } else if (release) {
    message = ButtonMessage(e.button, false);
  }
  const POINT origin = ClientOriginOnScreen(*Find(target));
  *out = MSG{};
  out->hwnd = target;
  out->message = message;
  out->wParam = MouseKeys(s.buttons, e.modifiers);
  out->lParam = MAKELPARAM(screen.x - origin.x, screen.y - origin.y);
  out->time = static_cast<DWORD>(e.timeMs);
  out->pt = screen;
  return true;
}

bool ConvertWheel(const backend::InputEvent& e, MSG* out) {
  InputState& s = State().input;
  POINT screen{};
  if (!ScreenPoint(e, &screen)) return false;
  SyncModifiers(s.keys, e.modifiers);
  HWND target = GetFocus();
  if (target == nullptr) target = WindowFromPoint(screen);
  WindowRecord* rec = Find(target);
  if (rec == nullptr || !EnabledChain(*rec)) return false;
  *out = MSG{};
  out->hwnd = target;
  out->message = WM_MOUSEWHEEL;
  out->wParam = MAKEWPARAM(static_cast<int>(MouseKeys(s.buttons, e.modifiers)), e.wheelDelta);
  out->lParam = MAKELPARAM(screen.x, screen.y);
  out->time = static_cast<DWORD>(e.timeMs);
  out->pt = screen;
  return true;
}

bool ConvertKey(const backend::InputEvent& e, MSG* out) {
  InputState& s = State().input;
  const bool press = e.kind == backend::InputKind::KeyPress;
  unsigned modifiers = e.modifiers;
  if (e.keysym == backend::keys::kIsoLeftTab) modifiers |= backend::kShift;  // Shift+Tab
  SyncModifiers(s.keys, modifiers);
  UINT vk = KeysymToVk(e.keysym);
  std::string chars = press ? text::Utf8ToCp1252(e.textUtf8) : std::string();
  if (vk == 0) {
    if (chars.empty()) return false;
    vk = VK_PROCESSKEY;
  }
  HWND target = GetFocus();
  if (target == nullptr) target = GetActiveWindow();
  WindowRecord* rec = Find(target);
  if (rec == nullptr) return false;
  WindowRecord* top = TopLevelRecord(rec);
  if (top == nullptr || (top->style & WS_DISABLED) != 0) return false;

  const bool wasDown = (s.keys[vk] & 0x80) != 0;
  SetKey(s.keys, vk, press);
  const bool alt = (s.keys[VK_MENU] & 0x80) != 0 || (vk == VK_MENU && !press);
  const bool ctrl = (s.keys[VK_CONTROL] & 0x80) != 0;
  // F10 is the menu key: a system key even without Alt.
  const bool sys = (alt && !ctrl) || vk == VK_F10;
  LPARAM lParam = 1;
  if (press && !e.textUtf8.empty()) {
    // The characters ride with the key-down; the scan-code field carries the slot's number.
    // A slot is taken even when no character survived the code page, so that nothing is made
    // up for the key later.
    int id = s.nextText;
    s.nextText = s.nextText >= 255 ? 1 : s.nextText + 1;
    s.texts[static_cast<std::size_t>(id)] = {vk, target, chars};
    lParam |= static_cast<LPARAM>(id) << 16;
  }
  if (IsExtendedKey(e.keysym)) lParam |= 1L << 24;
  if (alt) lParam |= 1L << 29;
  if (wasDown) lParam |= 1L << 30;
  if (!press) lParam |= static_cast<LPARAM>(1UL << 31);
  *out = MSG{};
  out->hwnd = target;
  out->message = press ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  out->wParam = vk;
  out->lParam = lParam;
  out->time = static_cast<DWORD>(e.timeMs);
  out->pt = State().backend.CursorPos();
  return true;
}

// Characters for a key-down the program made up itself (no input method involved).
std::string FallbackChars(UINT vk) {
  const bool shift = (State().input.keys[VK_SHIFT] & 0x80) != 0;
  const bool ctrl = (State().input.keys[VK_CONTROL] & 0x80) != 0;
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return std::string(1, static_cast<char>(vk - 'A' + 1));
    return std::string(1, static_cast<char>(shift ? vk : vk - 'A' + 'a'));
  }
  if (vk >= '0' && vk <= '9' && !shift) return std::string(1, static_cast<char>(vk));
  switch (vk) {
    case VK_SPACE:
      return " ";
    case VK_RETURN:
      return "\r";
    case VK_BACK:
      return "\b";
    case VK_TAB:
      return "\t";
    case VK_ESCAPE:
      return "\x1b";
    default:
      return {};
  }
}

}  // namespace

bool ConvertInput(const backend::InputEvent& event, MSG* out) {
  switch (event.kind) {
    case backend::InputKind::PointerMove:
    case backend::InputKind::ButtonPress:
    case backend::InputKind::ButtonRelease:
      return ConvertMouse(event, out);
    case backend::InputKind::Wheel:
      return ConvertWheel(event, out);
    case backend::InputKind::KeyPress:
    case backend::InputKind::KeyRelease:
      return ConvertKey(event, out);
  }
  return false;
}

bool KeyText(const MSG& msg, std::string* chars) {
  const int id = static_cast<int>((static_cast<std::uintptr_t>(msg.lParam) >> 16) & 0xFF);
  if (id == 0) {
    *chars = FallbackChars(static_cast<UINT>(msg.wParam));
    return !chars->empty();
  }
  const InputState::KeyText& entry = State().input.texts[static_cast<std::size_t>(id)];
  if (entry.vk != msg.wParam || entry.hwnd != msg.hwnd) return false;
  *chars = entry.chars;
  return true;
}

}  // namespace window

using namespace window;

short GetKeyState(int vk) {
  if (vk < 0 || static_cast<std::size_t>(vk) >= InputState::kKeyCount) return 0;
  BYTE b = State().input.keys[static_cast<std::size_t>(vk)];
  return static_cast<short>(((b & 0x80) ? 0x8000 : 0) | (b & 0x01));
}

BOOL GetCursorPos(POINT* pt) {
  PlatformState* running = RunningPlatform();
  if (pt == nullptr || running == nullptr) return FALSE;
  *pt = running->backend.CursorPos();
  return TRUE;
}

HCURSOR LoadCursor(HINSTANCE, std::uintptr_t id) {
  // The desktop's pointer is used everywhere; the handle only names the standard shape.
  if (id == 0 || id > 0xFFFF) return nullptr;
  return reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(0x7F000000u) | id);
}

UINT GetDoubleClickTime() { return kDoubleClickMs; }
