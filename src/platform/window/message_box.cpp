// SPDX-License-Identifier: GPL-3.0-or-later
// The modal message box: a top-level dialog of the platform's own, with the stop icon, the text
// and one OK button, run by a nested message loop.
//
// Button states (left mouse button):
//   press on OK         -> pressed, mouse captured, drawn sunken
//   drag out / back in  -> drawn raised / sunken, still captured
//   release             -> capture released; answers IDOK only when released over the button
// Enter, Space and Escape answer IDOK at once, as does closing the box through its frame.
//
// Every size in the box (font, icon, margins, button) is given for 96 pixels per inch and follows
// the screen's resolution, so the box keeps its proportions on any screen; the lines of the frames
// and edges stay one pixel, as the platform's other borders do.
//
// A screen reader finds an alert named by the caption, holding the message as a label and the OK
// button, whose "click" answers as the button does; the button has the focus while the box has.
#include "platform/message_box.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/a11y/default_provider.h"
#include "platform/accessibility.h"
#include "platform/backend/backend.h"
#include "platform/gdi.h"
#include "platform/gfx/screen.h"
#include "platform/window.h"
#include "platform/window/window_core.h"

namespace {

constexpr const char* kBoxClass = "#32770";
constexpr UINT kTextFlags = DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;

// The box's sizes at the screen's resolution, from their 96-dpi values.
struct BoxMetrics {
  static constexpr int kMargin = 12;
  static constexpr int kIconSize = 32;
  static constexpr int kButtonWidth = 75;
  static constexpr int kButtonHeight = 23;
  static constexpr int kFocusInset = 3;  // from the button's frame to its focus rectangle
  static constexpr int kMaxTextWidth = 420;
  static constexpr int kMinWidth = 180;

  explicit BoxMetrics(int pixelsPerInch) : dpi(pixelsPerInch) {}
  int Scaled(int value) const { return gfx::ScaledFromDefault(value, dpi); }

  int dpi;
  int margin = Scaled(kMargin);
  int iconSize = Scaled(kIconSize);
  int buttonWidth = Scaled(kButtonWidth);
  int buttonHeight = Scaled(kButtonHeight);
  int focusInset = Scaled(kFocusInset);
  int maxTextWidth = Scaled(kMaxTextWidth);
  int minWidth = Scaled(kMinWidth);
};

struct BoxState {
  std::string text;
  UINT flags = 0;
  BoxMetrics metrics{gfx::kDefaultPixelsPerInch};
  HFONT font = nullptr;
  RECT textRect{};
  RECT buttonRect{};
  bool hasIcon = false;
  bool pressed = false;                    // a press on the button is in progress
  bool down = false;                       // the button is drawn sunken
  int result = 0;                          // 0 while the box is open
  std::unique_ptr<a11y::Provider> access;  // made when a screen reader first asks
};

BoxState* StateOf(HWND hwnd) { return reinterpret_cast<BoxState*>(GetWindowLongPtr(hwnd, GWL_USERDATA)); }

bool InRect(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// The stop icon: a red disc with a dark rim and a white cross, drawn row by row so it is the same
// on every display. Its shape is given at 32 pixels and drawn at `size`: rim, cross and the gaps
// between them grow with it.
void DrawStopIcon(HDC dc, int left, int top, int size) {
  const double unit = size / static_cast<double>(BoxMetrics::kIconSize);
  const double c = (size - 1) / 2.0;
  const double r = size / 2.0 - unit;
  const double rim = r - 1.5 * unit;
  const double crossEnd = r - 6 * unit;
  const double crossHalfWidth2 = 8.0 * unit * unit;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double dx = x - c;
      double dy = y - c;
      double d2 = dx * dx + dy * dy;
      if (d2 > r * r) continue;
      COLORREF colour = d2 > rim * rim ? RGB(128, 0, 0) : RGB(255, 0, 0);
      // The cross: two bars of width about 4 along the diagonals, inside the inner circle.
      double a = dx - dy;
      double b = dx + dy;
      bool inCross = d2 < crossEnd * crossEnd && (a * a < crossHalfWidth2 || b * b < crossHalfWidth2);
      if (inCross) colour = RGB(255, 255, 255);
      SetPixel(dc, left + x, top + y, colour);
    }
  }
}

void PaintButton(HDC dc, const BoxState& state, bool focused) {
  RECT r = state.buttonRect;
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  // The default button carries a black frame; inside it the raised (or pressed) edge.
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  FrameRect(dc, &r, black);
  RECT inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  FillRect(dc, &inner, face);
  if (state.down) {
    HBRUSH shadow = GetSysColorBrush(COLOR_BTNSHADOW);
    FrameRect(dc, &inner, shadow);
  } else {
    RECT edge = inner;
    DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  }
  RECT textRect = inner;
  if (state.down) {
    textRect.left += 1;
    textRect.top += 1;
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawText(dc, "OK", 2, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (focused) {
    const int inset = state.metrics.focusInset;
    RECT focus{inner.left + inset, inner.top + inset, inner.right - inset, inner.bottom - inset};
    if (state.down) focus = {focus.left + 1, focus.top + 1, focus.right + 1, focus.bottom + 1};
    DrawFocusRect(dc, &focus);
  }
}

void Paint(HWND hwnd, HDC dc, const BoxState& state) {
  RECT client{};
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldFont = SelectObject(dc, state.font);
  const BoxMetrics& m = state.metrics;
  if (state.hasIcon) DrawStopIcon(dc, m.margin, m.margin, m.iconSize);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  RECT textRect = state.textRect;
  DrawText(dc, state.text.data(), static_cast<int>(state.text.size()), &textRect, kTextFlags);
  PaintButton(dc, state, GetFocus() == hwnd);
  SelectObject(dc, oldFont);
}

void Redraw(HWND hwnd) { InvalidateRect(hwnd, nullptr, FALSE); }

void Answer(HWND hwnd, int result) {
  if (BoxState* state = StateOf(hwnd); state && state->result == 0) state->result = result;
}

// ---- What a screen reader finds -------------------------------------------------------------

constexpr a11y::ChildId kMessagePart = 1;
constexpr a11y::ChildId kButtonPart = 2;
constexpr char kButtonText[] = "OK";
constexpr char kClickAction[] = "click";

class BoxAccess : public a11y::Provider {
 public:
  BoxAccess(HWND box, const BoxState& state) : m_box(box), m_state(state) {}

  a11y::Role RoleOf(a11y::ChildId child) const override {
    switch (child) {
      case a11y::kSelf:
        return a11y::Role::kAlert;
      case kMessagePart:
        return a11y::Role::kLabel;
      case kButtonPart:
        return a11y::Role::kPushButton;
      default:
        return a11y::Role::kInvalid;
    }
  }

  std::string NameOf(a11y::ChildId child) const override {
    switch (child) {
      case a11y::kSelf:
        return a11y::WindowTextOf(m_box);
      case kMessagePart:
        return m_state.text;
      case kButtonPart:
        return kButtonText;
      default:
        return {};
    }
  }

  a11y::StateSet StatesOf(a11y::ChildId child) const override {
    using a11y::State;
    const a11y::StateSet box = a11y::WindowStates(m_box);
    if (child == a11y::kSelf) {
      // The keyboard focus is the button's: the box itself is never the focused part.
      return a11y::StateSet(box).Set(State::kModal).Set(State::kFocused, false);
    }
    if (!Exists(child)) return {};
    a11y::StateSet part;
    for (State shared : {State::kShowing, State::kVisible, State::kEnabled, State::kSensitive}) {
      part.Set(shared, box.Has(shared));
    }
    if (child == kButtonPart) part.Set(State::kFocusable).Set(State::kFocused, GetFocus() == m_box);
    return part;
  }

  RECT BoundsOf(a11y::ChildId child) const override {
    if (child == a11y::kSelf) return a11y::WindowScreenRect(m_box);
    if (!Exists(child)) return {};
    RECT part = child == kMessagePart ? m_state.textRect : m_state.buttonRect;
    POINT origin{0, 0};
    ClientToScreen(m_box, &origin);
    return {part.left + origin.x, part.top + origin.y, part.right + origin.x, part.bottom + origin.y};
  }

  std::vector<a11y::ObjectRef> ChildrenOf(a11y::ChildId child) const override {
    if (child != a11y::kSelf) return {};
    return {{m_box, kMessagePart}, {m_box, kButtonPart}};
  }

  a11y::ChildId FocusedChild() const override { return kButtonPart; }
  bool Exists(a11y::ChildId child) const override { return child >= a11y::kSelf && child <= kButtonPart; }

  std::optional<std::string> TextOf(a11y::ChildId child) const override {
    return child == kMessagePart ? std::optional<std::string>(m_state.text) : std::nullopt;
  }

  std::vector<std::string> ActionsOf(a11y::ChildId child) const override {
    return child == kButtonPart ? std::vector<std::string>{kClickAction} : std::vector<std::string>{};
  }
  void DoAction(a11y::ChildId child, int index) override {
    // What a release over the button does.
    if (child == kButtonPart && index == 0) Answer(m_box, IDOK);
  }

  void GrabFocus(a11y::ChildId /*child*/) override {
    if (IsWindowVisible(m_box) && IsWindowEnabled(m_box)) SetFocus(m_box);
  }

 private:
  HWND m_box;
  const BoxState& m_state;
};

LRESULT AnswerAccess(HWND hwnd, BoxState& state, LPARAM objectId) {
  if (objectId != a11y::kObjectIdClient) return 0;
  if (!state.access) state.access = std::make_unique<BoxAccess>(hwnd, state);
  return a11y::AnswerGetObject(state.access.get());
}

LRESULT BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  BoxState* state = StateOf(hwnd);
  if (!state) return DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      HDC dc = BeginPaint(hwnd, &ps);
      if (dc) Paint(hwnd, dc, *state);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN || wParam == VK_SPACE || wParam == VK_ESCAPE) Answer(hwnd, IDOK);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (InRect(state->buttonRect, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) {
        state->pressed = true;
        state->down = true;
        SetCapture(hwnd);
        Redraw(hwnd);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (state->pressed) {
        bool inside = InRect(state->buttonRect, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        if (inside != state->down) {
          state->down = inside;
          Redraw(hwnd);
        }
      }
      return 0;
    case WM_LBUTTONUP: {
      bool answer = state->pressed && state->down;
      state->pressed = false;
      state->down = false;
      if (GetCapture() == hwnd) ReleaseCapture();
      Redraw(hwnd);
      if (answer) Answer(hwnd, IDOK);
      return 0;
    }
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      if (state->pressed) {
        state->pressed = false;
        state->down = false;
        Redraw(hwnd);
      }
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Redraw(hwnd);
      return 0;
    case WM_CLOSE:
      Answer(hwnd, IDOK);
      return 0;
    case WM_GETOBJECT:
      return AnswerAccess(hwnd, *state, lParam);
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

struct DisabledList {
  HWND box = nullptr;
  std::vector<HWND> windows;
};

BOOL DisableForTask(HWND hwnd, LPARAM lParam) {
  auto* list = reinterpret_cast<DisabledList*>(lParam);
  if (hwnd != list->box && IsWindowEnabled(hwnd)) {
    list->windows.push_back(hwnd);
    EnableWindow(hwnd, FALSE);
  }
  return TRUE;
}

// The message font: 8 points at the screen's resolution (11 pixels at 96 dpi).
HFONT CreateMessageFont(const BoxMetrics& metrics) {
  constexpr int kPointSize = 8;
  constexpr int kPointsPerInch = 72;
  LOGFONT lf{};
  lf.lfHeight = -((kPointSize * metrics.dpi + kPointsPerInch / 2) / kPointsPerInch);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::strcpy(lf.lfFaceName, "MS Sans Serif");
  return CreateFontIndirect(&lf);
}

// The text wraps at a sensible width; the icon sits at the left, the button below, centred.
// Fills in the text and button rectangles and returns the box's client size.
SIZE LayOut(BoxState& state) {
  const BoxMetrics& m = state.metrics;
  HDC measure = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(measure, state.font);
  RECT textRect{0, 0, m.maxTextWidth, 0};
  std::string shown = state.text.empty() ? std::string(1, ' ') : state.text;
  DrawText(measure, shown.data(), static_cast<int>(shown.size()), &textRect, kTextFlags | DT_CALCRECT);
  SelectObject(measure, old);
  DeleteDC(measure);
  const int textLeft = m.margin + (state.hasIcon ? m.iconSize + m.margin : 0);
  const int textHeight = textRect.bottom - textRect.top;
  const int bodyHeight = std::max(textHeight, state.hasIcon ? m.iconSize : 0);
  const int textTop = m.margin + (bodyHeight - textHeight) / 2;
  state.textRect = {textLeft, textTop, textLeft + (textRect.right - textRect.left), textTop + textHeight};
  const int width = std::max({state.textRect.right + m.margin, m.buttonWidth + 2 * m.margin, m.minWidth});
  const int buttonTop = m.margin + bodyHeight + m.margin;
  const int buttonLeft = (width - m.buttonWidth) / 2;
  state.buttonRect = {buttonLeft, buttonTop, buttonLeft + m.buttonWidth, buttonTop + m.buttonHeight};
  return {width, buttonTop + m.buttonHeight + m.margin};
}

// The box window, centred on the owner's monitor, with a dialog's system menu (Move and Close).
HWND CreateBox(HWND owner, const char* caption, SIZE size, BoxState& state) {
  MONITORINFO info{};
  GetMonitorInfo(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &info);
  const int x = (info.rcMonitor.left + info.rcMonitor.right - size.cx) / 2;
  const int y = (info.rcMonitor.top + info.rcMonitor.bottom - size.cy) / 2;
  HWND box = CreateWindowEx(WS_EX_DLGMODALFRAME, kBoxClass, caption ? caption : "",
                            WS_POPUP | WS_CAPTION | WS_SYSMENU, x, y, size.cx, size.cy, owner, nullptr,
                            nullptr, nullptr);
  if (box == nullptr) return nullptr;
  SetWindowLongPtr(box, GWL_USERDATA, reinterpret_cast<std::intptr_t>(&state));
  if (HMENU menu = GetSystemMenu(box, FALSE)) {
    for (UINT command : {SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE})
      DeleteMenu(menu, command, MF_BYCOMMAND);
  }
  return box;
}

// Modality: the owner (or, task-modal without an owner, every window of the program) takes no
// input while the box is open. Returns what was disabled, to enable again afterwards.
DisabledList DisableBehind(HWND box, HWND owner, UINT flags) {
  DisabledList disabled;
  disabled.box = box;
  if (owner) {
    if (IsWindowEnabled(owner)) {
      disabled.windows.push_back(owner);
      EnableWindow(owner, FALSE);
    }
  } else if (flags & MB_TASKMODAL) {
    EnumThreadWindows(GetCurrentThreadId(), DisableForTask, reinterpret_cast<LPARAM>(&disabled));
  }
  return disabled;
}

// The nested loop: every window still gets its painting, timers and posted messages; input to
// the disabled ones is refused by the platform. A quit request that arrives while the box is open
// ends the loop and is returned, for the outer loop.
std::optional<int> RunModal(HWND box, const BoxState& state) {
  while (state.result == 0 && IsWindow(box)) {
    MSG msg{};
    const BOOL got = GetMessage(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got < 0) break;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  return std::nullopt;
}

}  // namespace

namespace window {

void RegisterMessageBoxClass() {
  WNDCLASS wc{};
  wc.style = CS_DBLCLKS | CS_SAVEBITS;
  wc.lpfnWndProc = BoxProc;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kBoxClass;
  RegisterClass(&wc);
}

}  // namespace window

int MessageBox(HWND owner, const char* text, const char* caption, UINT flags) {
  if (owner && !IsWindow(owner)) owner = nullptr;
  BoxState state;
  state.text = text ? text : "";
  state.flags = flags;
  state.hasIcon = (flags & MB_ICONMASK) == MB_ICONSTOP;
  state.metrics = BoxMetrics(gfx::ScreenPixelsPerInch());
  state.font = CreateMessageFont(state.metrics);
  HWND box = CreateBox(owner, caption, LayOut(state), state);
  if (box == nullptr) {
    DeleteObject(state.font);
    return 0;
  }
  DisabledList disabled = DisableBehind(box, owner, flags);
  ShowWindow(box, SW_SHOWNORMAL);
  SetActiveWindow(box);
  SetFocus(box);
  UpdateWindow(box);
  window::State().backend.MessageBoxShown(box, state.text, caption ? caption : "", flags);

  const std::optional<int> quitCode = RunModal(box, state);

  for (HWND hwnd : disabled.windows) {
    if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
  }
  if (IsWindow(box)) {
    SetWindowLongPtr(box, GWL_USERDATA, 0);
    DestroyWindow(box);
  }
  DeleteObject(state.font);
  if (owner && IsWindow(owner) && IsWindowVisible(owner)) SetActiveWindow(owner);
  if (quitCode) PostQuitMessage(*quitCode);
  return state.result != 0 ? state.result : IDOK;
}
