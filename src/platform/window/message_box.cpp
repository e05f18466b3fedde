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
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/accessibility.h"
#include "platform/gdi.h"
#include "platform/gfx/screen.h"
#include "platform/window.h"
#include "platform/window/a11y/default_provider.h"
#include "platform/window/window_core.h"
#include "platform/window/window_object.h"

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

// The message font, deleted with whoever holds it.
struct FontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// What the box shows and where. Laid out before the window is made, since the window's size comes
// from it, then handed to the window's object.
struct BoxContent {
  std::string text;
  BoxMetrics metrics{gfx::kDefaultPixelsPerInch};
  OwnedFont font;
  RECT textRect{};
  RECT buttonRect{};
  bool hasIcon = false;
};

// The object behind the box's window, owned by the window's record (window/window_object.h): it
// goes with the window however the window goes, so nothing else may keep a pointer to it. The
// modal loop finds it through the box's handle at each turn.
class BoxWindow final : public window::WindowObject {
 public:
  BoxWindow(HWND hwnd, BoxContent content) : WindowObject(hwnd), m_content(std::move(content)) {}

  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;

  const BoxContent& Content() const { return m_content; }
  // The first answer counts; 0 while the box is open.
  void Answer(int result) {
    if (m_result == 0) m_result = result;
  }
  int Result() const { return m_result; }
  // The answer is taken and the box is about to go: what it is asked while it goes (the focus
  // leaving it, a screen reader's questions) gets the default handling, as a plain window's.
  void Retire() { m_retired = true; }

 private:
  void OnPaint();
  LRESULT AnswerAccess(LPARAM objectId);

  BoxContent m_content;
  bool m_pressed = false;  // a press on the button is in progress
  bool m_down = false;     // the button is drawn sunken
  bool m_retired = false;
  int m_result = 0;
  std::unique_ptr<a11y::Provider> m_access;  // made when a screen reader first asks
};

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

void PaintButton(HDC dc, const BoxContent& content, bool down, bool focused) {
  RECT r = content.buttonRect;
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  // The default button carries a black frame; inside it the raised (or pressed) edge.
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  FrameRect(dc, &r, black);
  RECT inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  FillRect(dc, &inner, face);
  if (down) {
    HBRUSH shadow = GetSysColorBrush(COLOR_BTNSHADOW);
    FrameRect(dc, &inner, shadow);
  } else {
    RECT edge = inner;
    DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  }
  RECT textRect = inner;
  if (down) {
    textRect.left += 1;
    textRect.top += 1;
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawText(dc, "OK", 2, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (focused) {
    const int inset = content.metrics.focusInset;
    RECT focus{inner.left + inset, inner.top + inset, inner.right - inset, inner.bottom - inset};
    if (down) focus = {focus.left + 1, focus.top + 1, focus.right + 1, focus.bottom + 1};
    DrawFocusRect(dc, &focus);
  }
}

void Paint(HWND hwnd, HDC dc, const BoxContent& content, bool down) {
  RECT client{};
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldFont = SelectObject(dc, content.font.get());
  const BoxMetrics& m = content.metrics;
  if (content.hasIcon) DrawStopIcon(dc, m.margin, m.margin, m.iconSize);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  RECT textRect = content.textRect;
  DrawText(dc, content.text.data(), static_cast<int>(content.text.size()), &textRect, kTextFlags);
  PaintButton(dc, content, down, GetFocus() == hwnd);
  SelectObject(dc, oldFont);
}

void Redraw(HWND hwnd) { InvalidateRect(hwnd, nullptr, FALSE); }

// ---- What a screen reader finds -------------------------------------------------------------

constexpr a11y::ChildId kMessagePart = 1;
constexpr a11y::ChildId kButtonPart = 2;
constexpr char kButtonText[] = "OK";
constexpr char kClickAction[] = "click";

class BoxAccess : public a11y::Provider {
 public:
  explicit BoxAccess(BoxWindow& owner) : m_owner(owner), m_box(owner.Window()), m_content(owner.Content()) {}

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
        return m_content.text;
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
    RECT part = child == kMessagePart ? m_content.textRect : m_content.buttonRect;
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
    return child == kMessagePart ? std::optional<std::string>(m_content.text) : std::nullopt;
  }

  std::vector<std::string> ActionsOf(a11y::ChildId child) const override {
    return child == kButtonPart ? std::vector<std::string>{kClickAction} : std::vector<std::string>{};
  }
  void DoAction(a11y::ChildId child, int index) override {
    // What a release over the button does.
    if (child == kButtonPart && index == 0) m_owner.Answer(IDOK);
  }

  void GrabFocus(a11y::ChildId /*child*/) override {
    if (IsWindowVisible(m_box) && IsWindowEnabled(m_box)) SetFocus(m_box);
  }

 private:
  BoxWindow& m_owner;
  HWND m_box;
  const BoxContent& m_content;
};

LRESULT BoxWindow::AnswerAccess(LPARAM objectId) {
  if (objectId != a11y::kObjectIdClient) return 0;
  if (!m_access) m_access = std::make_unique<BoxAccess>(*this);
  return a11y::AnswerGetObject(m_access.get());
}

void BoxWindow::OnPaint() {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(m_hwnd, &ps);
  if (dc) Paint(m_hwnd, dc, m_content, m_down);
  EndPaint(m_hwnd, &ps);
}

LRESULT BoxWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND hwnd = m_hwnd;
  if (m_retired) return DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN || wParam == VK_SPACE || wParam == VK_ESCAPE) Answer(IDOK);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (InRect(m_content.buttonRect, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) {
        m_pressed = true;
        m_down = true;
        SetCapture(hwnd);
        Redraw(hwnd);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (m_pressed) {
        bool inside = InRect(m_content.buttonRect, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        if (inside != m_down) {
          m_down = inside;
          Redraw(hwnd);
        }
      }
      return 0;
    case WM_LBUTTONUP: {
      bool answer = m_pressed && m_down;
      m_pressed = false;
      m_down = false;
      if (GetCapture() == hwnd) ReleaseCapture();
      Redraw(hwnd);
      if (answer) Answer(IDOK);
      return 0;
    }
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      if (m_pressed) {
        m_pressed = false;
        m_down = false;
        Redraw(hwnd);
      }
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Redraw(hwnd);
      return 0;
    case WM_CLOSE:
      Answer(IDOK);
      return 0;
    case WM_GETOBJECT:
      return AnswerAccess(lParam);
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
SIZE LayOut(BoxContent& content) {
  const BoxMetrics& m = content.metrics;
  HDC measure = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(measure, content.font.get());
  RECT textRect{0, 0, m.maxTextWidth, 0};
  std::string shown = content.text.empty() ? std::string(1, ' ') : content.text;
  DrawText(measure, shown.data(), static_cast<int>(shown.size()), &textRect, kTextFlags | DT_CALCRECT);
  SelectObject(measure, old);
  DeleteDC(measure);
  const int textLeft = m.margin + (content.hasIcon ? m.iconSize + m.margin : 0);
  const int textHeight = textRect.bottom - textRect.top;
  const int bodyHeight = std::max(textHeight, content.hasIcon ? m.iconSize : 0);
  const int textTop = m.margin + (bodyHeight - textHeight) / 2;
  content.textRect = {textLeft, textTop, textLeft + (textRect.right - textRect.left), textTop + textHeight};
  const int width = std::max({content.textRect.right + m.margin, m.buttonWidth + 2 * m.margin, m.minWidth});
  const int buttonTop = m.margin + bodyHeight + m.margin;
  const int buttonLeft = (width - m.buttonWidth) / 2;
  content.buttonRect = {buttonLeft, buttonTop, buttonLeft + m.buttonWidth, buttonTop + m.buttonHeight};
  return {width, buttonTop + m.buttonHeight + m.margin};
}

// The box window, centred on the owner's monitor, with a dialog's system menu (Move and Close),
// its object holding the content. nullptr when it cannot be made (the content then goes).
HWND CreateBox(HWND owner, const char* caption, BoxContent content) {
  const SIZE size = LayOut(content);
  MONITORINFO info{};
  GetMonitorInfo(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &info);
  const int x = (info.rcMonitor.left + info.rcMonitor.right - size.cx) / 2;
  const int y = (info.rcMonitor.top + info.rcMonitor.bottom - size.cy) / 2;
  HWND box = CreateWindowEx(WS_EX_DLGMODALFRAME, kBoxClass, caption ? caption : "",
                            WS_POPUP | WS_CAPTION | WS_SYSMENU, x, y, size.cx, size.cy, owner, nullptr,
                            nullptr, nullptr);
  if (box == nullptr) return nullptr;
  if (!window::AttachObject(box, std::make_unique<BoxWindow>(box, std::move(content)))) {
    DestroyWindow(box);
    return nullptr;
  }
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

// How the nested loop ended: the answer (0 when the box went unanswered) and a quit request
// that arrived meanwhile.
struct ModalEnd {
  int answer = 0;
  std::optional<int> quitCode;
};

// The nested loop: every window still gets its painting, timers and posted messages; input to
// the disabled ones is refused by the platform. A quit request that arrives while the box is open
// ends the loop and is returned, for the outer loop. The box's object is looked up afresh at each
// turn, since any message may destroy the box (its owner destroyed, the platform stopped) and the
// object goes with it.
ModalEnd RunModal(HWND box) {
  for (;;) {
    const BoxWindow* object = window::ObjectOf<BoxWindow>(box);
    if (object == nullptr) return {};
    if (object->Result() != 0) return {object->Result(), std::nullopt};
    MSG msg{};
    const BOOL got = GetMessage(&msg, nullptr, 0, 0);
    if (got == 0) return {0, static_cast<int>(msg.wParam)};
    if (got < 0) return {};
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

}  // namespace

namespace window {

void RegisterMessageBoxClass() {
  WNDCLASS wc{};
  wc.style = CS_DBLCLKS | CS_SAVEBITS;
  wc.lpfnWndProc = &window::ObjectWindowProc<>;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kBoxClass;
  RegisterClass(&wc);
}

}  // namespace window

void WatchMessageBoxes(std::function<void(const ShownMessageBox&)> watcher) {
  if (window::PlatformState* running = window::RunningPlatform()) running->boxWatcher = std::move(watcher);
}

int MessageBox(HWND owner, const char* text, const char* caption, UINT flags) {
  if (owner && !IsWindow(owner)) owner = nullptr;
  BoxContent content;
  content.text = text ? text : "";
  content.hasIcon = (flags & MB_ICONMASK) == MB_ICONSTOP;
  content.metrics = BoxMetrics(gfx::ScreenPixelsPerInch());
  content.font.reset(CreateMessageFont(content.metrics));
  const std::string shownText = content.text;
  HWND box = CreateBox(owner, caption, std::move(content));
  if (box == nullptr) return 0;
  DisabledList disabled = DisableBehind(box, owner, flags);
  ShowWindow(box, SW_SHOWNORMAL);
  SetActiveWindow(box);
  SetFocus(box);
  UpdateWindow(box);
  // A copy: the watcher may stop watching while it answers.
  if (auto watcher = window::State().boxWatcher) watcher({box, shownText, caption ? caption : "", flags});

  const ModalEnd end = RunModal(box);

  for (HWND hwnd : disabled.windows) {
    if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
  }
  if (BoxWindow* object = window::ObjectOf<BoxWindow>(box)) {
    object->Retire();
    DestroyWindow(box);
  }
  if (owner && IsWindow(owner) && IsWindowVisible(owner)) SetActiveWindow(owner);
  if (end.quitCode) PostQuitMessage(*end.quitCode);
  return end.answer != 0 ? end.answer : IDOK;
}
