// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window/combo/edit_field.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/cp1252.h"
#include "platform/combo_box.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "platform/window/a11y/platform_events.h"
#include "platform/window/combo/clipboard.h"
#include "platform/window/combo/combo_access.h"
#include "platform/window/combo/combo_internal.h"
#include "platform/window/combo/font_measure.h"

namespace combo {
namespace {

constexpr std::uintptr_t kCaretTimer = 1;
constexpr int kCaretWidth = 1;
// Margin the field takes from its font when asked to (EC_USEFONTINFO).
constexpr int kFontInfoMargin = 1;
constexpr unsigned char kBackspace = 0x08;
constexpr unsigned char kCtrlC = 0x03;
constexpr unsigned char kCtrlV = 0x16;
constexpr unsigned char kCtrlX = 0x18;
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDeleteChar = 0x7F;
constexpr int kMaxWord = 0xFFFF;
// A one-line field scrolls a quarter of its width at a time when the caret leaves it.
constexpr int kScrollJumpParts = 4;
constexpr char kIdleStopVariable[] = "TESSIVO_CARET_IDLE_MS";

bool KeyHeld(int vk) { return GetKeyState(vk) < 0; }

// The field of a list-only combo box shows the current item and takes no editing.
bool ReadOnly(HWND field) { return (combo::FieldOwnerStyle(field) & CBS_DROPDOWNLIST) == CBS_DROPDOWNLIST; }

std::string CaseConverted(std::string s, DWORD style) {
  for (char& c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (style & CBS_UPPERCASE) c = static_cast<char>(text::UpperCp1252(b));
    if (style & CBS_LOWERCASE) c = static_cast<char>(text::LowerCp1252(b));
  }
  return s;
}

// How long the caret blinks without input: a whole number of milliseconds from the environment
// (0 for a caret that never blinks; a test of the idle program need not wait ten seconds), else
// the default. A value that is no such number is named on stderr and the default kept.
std::uint64_t IdleStopMs() {
  const char* value = std::getenv(kIdleStopVariable);
  if (value == nullptr || value[0] == '\0') return EditField::kIdleStopMs;
  const char* end = value + std::strlen(value);
  std::uint64_t ms = 0;
  const auto [stop, error] = std::from_chars(value, end, ms);
  if (error == std::errc() && stop == end) return ms;
  std::fprintf(stderr,
               "tessivo: %s=\"%s\" is not a whole number of milliseconds; the caret stops blinking "
               "after %llu ms without input\n",
               kIdleStopVariable, value, static_cast<unsigned long long>(EditField::kIdleStopMs));
  return EditField::kIdleStopMs;
}

}  // namespace

EditField::EditField(HWND hwnd) : WindowObject(hwnd), m_idleStopMs(IdleStopMs()) {}

std::unique_ptr<window::WindowObject> EditField::Make(HWND hwnd, const CREATESTRUCT*) {
  return std::make_unique<EditField>(hwnd);
}

void EditField::Create(const CREATESTRUCT* cs) {
  if (cs != nullptr && cs->lpszName != nullptr) m_text.SetText(cs->lpszName);
  SetFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), false);
}

// A window procedure's switch, one case per message: long by its nature, and read case by case.
// NOLINTNEXTLINE(readability-function-size)
LRESULT EditField::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE:
      // The field keeps its text itself: the window's own text stays empty.
      Create(reinterpret_cast<const CREATESTRUCT*>(lParam));
      return TRUE;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint fills the whole field
    case WM_SETFONT:
      SetFont(reinterpret_cast<HFONT>(wParam), LOWORD(static_cast<std::uintptr_t>(lParam)) != 0);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(m_font);
    case WM_SETREDRAW:
      m_redraw = wParam != 0;
      if (m_redraw) Redraw();
      return 0;
    case WM_SIZE:
      ScrollToCaret();
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_SETTEXT: {
      const char* s = reinterpret_cast<const char*>(lParam);
      const std::optional<Before> before = BeforeChange();
      m_text.SetText(s != nullptr ? s : "");
      Written(before);
      m_scroll = 0;
      ScrollToCaret();
      Redraw();
      return TRUE;
    }
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(lParam);
      const int size = static_cast<int>(wParam);
      if (buffer == nullptr || size <= 0) return 0;
      const int n = std::min(size - 1, m_text.Length());
      std::memcpy(buffer, m_text.Text().data(), static_cast<std::size_t>(n));
      buffer[n] = '\0';
      return n;
    }
    case WM_GETTEXTLENGTH:
      return m_text.Length();
    case EM_GETSEL: {
      if (auto* start = reinterpret_cast<DWORD*>(wParam)) *start = static_cast<DWORD>(m_text.SelStart());
      if (auto* end = reinterpret_cast<DWORD*>(lParam)) *end = static_cast<DWORD>(m_text.SelEnd());
      return MAKELPARAM(std::min(m_text.SelStart(), kMaxWord), std::min(m_text.SelEnd(), kMaxWord));
    }
    case EM_SETSEL: {
      const int start = static_cast<int>(static_cast<std::intptr_t>(wParam));
      const int end = static_cast<int>(lParam);
      const int caretBefore = m_text.Caret();
      if (start < 0) {
        m_text.MoveTo(m_text.Caret(), false);  // -1: no selection, the caret stays
      } else {
        m_text.Select(start, end);
      }
      TellCaretFrom(caretBefore);
      ScrollToCaret();
      Redraw();
      return 0;
    }
    case EM_REPLACESEL: {
      const char* s = reinterpret_cast<const char*>(lParam);
      const std::optional<Before> before = BeforeChange();
      if (m_text.ReplaceSelection(s != nullptr ? s : "")) Edited(before);
      return 0;
    }
    case EM_LIMITTEXT:
      m_text.SetLimit(static_cast<int>(wParam));
      return 0;
    case EM_SETMARGINS: {
      const int left =
          wParam == EC_USEFONTINFO ? kFontInfoMargin : LOWORD(static_cast<std::uintptr_t>(lParam));
      const int right =
          wParam == EC_USEFONTINFO ? kFontInfoMargin : HIWORD(static_cast<std::uintptr_t>(lParam));
      if (wParam == EC_USEFONTINFO || (wParam & EC_LEFTMARGIN)) m_leftMargin = left;
      if (wParam == EC_USEFONTINFO || (wParam & EC_RIGHTMARGIN)) m_rightMargin = right;
      ScrollToCaret();
      Redraw();
      return 0;
    }
    case EM_GETMARGINS:
      return MAKELPARAM(m_leftMargin, m_rightMargin);
    case WM_CUT:
      Cut();
      return 0;
    case WM_COPY:
      Copy();
      return 0;
    case WM_PASTE:
      Paste();
      return 0;
    case WM_CLEAR:
      Clear();
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      RestartBlink();
      if (combo::FieldKey(m_hwnd, msg, static_cast<UINT>(wParam))) return 0;
      if (msg == WM_SYSKEYDOWN) return DefWindowProc(m_hwnd, msg, wParam, lParam);
      KeyDown(static_cast<UINT>(wParam));
      return 0;
    case WM_CHAR:
      RestartBlink();
      Char(static_cast<unsigned char>(wParam));
      return 0;
    case WM_LBUTTONDOWN:
      MouseDown(GET_X_LPARAM(lParam), (wParam & MK_SHIFT) != 0);
      return 0;
    case WM_LBUTTONDBLCLK:
      RestartBlink();
      SelectWordAt(GET_X_LPARAM(lParam));
      return 0;
    case WM_MOUSEMOVE:
      // The pointer passing over the field is input for the idle time, not a reason to show the
      // caret anew.
      RestartBlink(CaretPhase::kKept);
      if (m_dragging) MouseMove(GET_X_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      MouseUp();
      return 0;
    case WM_CAPTURECHANGED:
      m_dragging = false;
      return 0;
    case WM_SETFOCUS:
      GainFocus(reinterpret_cast<HWND>(wParam));
      return 0;
    case WM_KILLFOCUS:
      LoseFocus(reinterpret_cast<HWND>(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kCaretTimer) Blink();
      return 0;
    case WM_GETOBJECT:
      return AnswerAccess(m_access, lParam, *this, &MakeFieldAccess);
    default:
      return DefWindowProc(m_hwnd, msg, wParam, lParam);
  }
}

void EditField::SetFont(HFONT font, bool redraw) {
  m_font = font;
  const FontMeasure measure(font);
  m_textHeight = measure.TextHeight();
  for (std::size_t c = 0; c < m_advance.size(); ++c)
    m_advance[c] = measure.Advance(static_cast<unsigned char>(c));
  ScrollToCaret();
  if (redraw) Redraw();
}

int EditField::WidthOf(int from, int to) const {
  int w = 0;
  const std::string& s = m_text.Text();
  for (int i = std::max(0, from); i < to && i < m_text.Length(); ++i) {
    w += m_advance[static_cast<unsigned char>(s[static_cast<std::size_t>(i)])];
  }
  return w;
}

int EditField::PositionAt(int x) const {
  const int target = x - m_leftMargin + m_scroll;
  const std::string& s = m_text.Text();
  int pen = 0;
  for (int i = 0; i < m_text.Length(); ++i) {
    const int advance = m_advance[static_cast<unsigned char>(s[static_cast<std::size_t>(i)])];
    if (target < pen + advance / 2 + advance % 2) return i;
    pen += advance;
  }
  return m_text.Length();
}

int EditField::VisibleWidth() const {
  RECT client{};
  GetClientRect(m_hwnd, &client);
  return std::max(kCaretWidth, static_cast<int>(client.right) - m_leftMargin - m_rightMargin);
}

// Keeps the caret inside the field, jumping a quarter of the width at a time as a classic
// one-line edit does, and never leaves blank room at the right when the text could fill it.
void EditField::ScrollToCaret() {
  const int visible = VisibleWidth();
  const int caret = WidthOf(0, m_text.Caret());
  const int total = WidthOf(0, m_text.Length());
  if (caret < m_scroll) {
    m_scroll = std::max(0, caret - visible / kScrollJumpParts);
  } else if (caret >= m_scroll + visible) {
    m_scroll = caret - visible + kCaretWidth + visible / kScrollJumpParts;
  }
  m_scroll = std::min(m_scroll, std::max(0, total + kCaretWidth - visible));
  if (total + kCaretWidth <= visible) m_scroll = 0;
}

void EditField::Redraw() {
  if (m_redraw) InvalidateRect(m_hwnd, nullptr, FALSE);
}

void EditField::Paint() {
  const PaintScope paint(m_hwnd);
  HDC dc = paint.Dc();
  if (dc == nullptr || !m_redraw) return;
  RECT client{};
  GetClientRect(m_hwnd, &client);
  FillRect(dc, &client, Colours(dc));
  HGDIOBJ oldFont = SelectObject(dc, m_font != nullptr ? m_font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  PaintText(dc, client);
  SelectObject(dc, oldFont);
}

HBRUSH EditField::Colours(HDC dc) {
  HWND parent = GetParent(m_hwnd);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  auto brush = reinterpret_cast<HBRUSH>(parent != nullptr ? SendMessage(parent, WM_CTLCOLOREDIT,
                                                                        reinterpret_cast<WPARAM>(dc),
                                                                        reinterpret_cast<LPARAM>(m_hwnd))
                                                          : 0);
  if (brush == nullptr) brush = GetSysColorBrush(COLOR_WINDOW);
  const bool enabled = IsWindowEnabled(m_hwnd) && (parent == nullptr || IsWindowEnabled(parent));
  if (!enabled) {
    brush = GetSysColorBrush(COLOR_BTNFACE);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  }
  return brush;
}

void EditField::PaintText(HDC dc, const RECT& client) {
  const int top = std::max(0, (static_cast<int>(client.bottom) - m_textHeight) / 2);
  const int originX = m_leftMargin - m_scroll;
  const RECT clip{m_leftMargin, 0, std::max(m_leftMargin, static_cast<int>(client.right) - m_rightMargin),
                  client.bottom};
  const std::string& s = m_text.Text();
  // The selection shows only while the field has the focus.
  const int selStart = m_focused ? m_text.SelStart() : 0;
  const int selEnd = m_focused ? m_text.SelEnd() : 0;
  // Only the characters that can be seen are drawn: a long text scrolled far costs no more.
  const int firstVisible = std::max(0, PositionAt(clip.left) - 1);
  const int lastVisible = std::min(m_text.Length(), PositionAt(clip.right) + 1);
  auto drawRun = [&](int from, int to, bool selected) {
    from = std::max(from, firstVisible);
    to = std::min(to, lastVisible);
    if (from >= to) return;
    const int x = originX + WidthOf(0, from);
    RECT box{x, top, x + WidthOf(from, to), top + m_textHeight};
    RECT shown{std::max(box.left, clip.left), box.top, std::min(box.right, clip.right), box.bottom};
    if (selected) {
      const COLORREF oldText = SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      const COLORREF oldBk = SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
      ExtTextOut(dc, x, top, ETO_OPAQUE | ETO_CLIPPED, &shown, s.data() + from, static_cast<UINT>(to - from),
                 nullptr);
      SetTextColor(dc, oldText);
      SetBkColor(dc, oldBk);
    } else {
      ExtTextOut(dc, x, top, ETO_CLIPPED, &shown, s.data() + from, static_cast<UINT>(to - from), nullptr);
    }
  };
  drawRun(0, selStart, false);
  drawRun(selStart, selEnd, true);
  drawRun(selEnd, m_text.Length(), false);
  if (m_focused && m_caretShown) {
    const int x = originX + WidthOf(0, m_text.Caret());
    RECT caret{x, top, x + kCaretWidth, top + m_textHeight};
    if (caret.left >= clip.left && caret.right <= clip.right + kCaretWidth) InvertRect(dc, &caret);
  }
}

// ---- Input ----------------------------------------------------------------------------------

void EditField::KeyDown(UINT vk) {
  const bool shift = KeyHeld(VK_SHIFT);
  const bool ctrl = KeyHeld(VK_CONTROL);
  const int caretBefore = m_text.Caret();
  switch (vk) {
    case VK_LEFT:
      m_text.MoveTo(ctrl ? m_text.PreviousWord(m_text.Caret()) : m_text.Caret() - 1, shift);
      break;
    case VK_RIGHT:
      m_text.MoveTo(ctrl ? m_text.NextWord(m_text.Caret()) : m_text.Caret() + 1, shift);
      break;
    case VK_HOME:
      m_text.MoveTo(0, shift);
      break;
    case VK_END:
      m_text.MoveTo(m_text.Length(), shift);
      break;
    case VK_DELETE: {
      if (ReadOnly(m_hwnd)) return;
      if (shift) {
        Cut();
        return;
      }
      const std::optional<Before> before = BeforeChange();
      if (m_text.DeleteForward()) Edited(before);
      return;
    }
    case VK_INSERT:
      if (ctrl) Copy();
      if (shift && !ctrl) Paste();
      return;
    default:
      return;
  }
  TellCaretFrom(caretBefore);
  ScrollToCaret();
  Redraw();
}

void EditField::Char(unsigned char c) {
  if (ReadOnly(m_hwnd) && c != kCtrlC) return;
  const std::optional<Before> before = BeforeChange();
  switch (c) {
    case kBackspace:
      if (m_text.DeleteBackward()) Edited(before);
      return;
    case kCtrlC:
      Copy();
      return;
    case kCtrlV:
      Paste();
      return;
    case kCtrlX:
      Cut();
      return;
    default:
      break;
  }
  // Enter, Escape, Tab and the other control characters put nothing into a one-line field.
  if (c < kFirstPrintable || c == kDeleteChar) return;
  const std::string typed =
      CaseConverted(std::string(1, static_cast<char>(c)), combo::FieldOwnerStyle(m_hwnd));
  if (m_text.ReplaceSelection(typed)) Edited(before);
}

void EditField::Edited(const std::optional<Before>& before) {
  if (before) {
    // An edit starts at the selection it replaced, or, deleting backwards, where the caret is now.
    const int editStart = std::min(before->selStart, m_text.Caret());
    TellFieldText(m_hwnd, a11y::EditBetween(before->text, m_text.Text(), editStart), m_text.Caret());
  }
  ScrollToCaret();
  Redraw();
  combo::FieldEdited(m_hwnd);
}

bool EditField::TakesTyping() const { return !ReadOnly(m_hwnd); }

void EditField::TypeOver(std::string_view text) {
  if (ReadOnly(m_hwnd)) return;
  // Typing puts neither line breaks nor other control characters into a one-line field.
  std::string typed(text.substr(0, text.find_first_of("\r\n")));
  std::erase_if(typed, [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < kFirstPrintable || b == kDeleteChar;
  });
  m_text.Select(0, -1);
  const std::optional<Before> before = BeforeChange();
  if (m_text.ReplaceSelection(CaseConverted(typed, combo::FieldOwnerStyle(m_hwnd)))) Edited(before);
}

std::optional<EditField::Before> EditField::BeforeChange() const {
  if (!a11y::Listening()) return std::nullopt;
  return Before{m_text.Text(), m_text.SelStart(), m_text.Caret()};
}

void EditField::Written(const std::optional<Before>& before) {
  if (!before) return;
  if (before->text != m_text.Text()) {
    TellFieldText(m_hwnd, a11y::WholeText(before->text, m_text.Text()), m_text.Caret());
  } else {
    TellCaretFrom(before->caret);
  }
}

void EditField::TellCaretFrom(int caretBefore) {
  if (m_text.Caret() != caretBefore) TellFieldCaret(m_hwnd, m_text.Caret());
}

void EditField::MouseDown(int x, bool extend) {
  RestartBlink();
  HWND hwnd = m_hwnd;
  if (GetFocus() != hwnd) {
    const window::LifeWatch watch(*this);
    SetFocus(hwnd);
    // The focus notifications may have destroyed the field or sent the focus elsewhere.
    if (watch.Ended() || GetFocus() != hwnd) return;
  }
  if (ReadOnly(m_hwnd)) {
    // A press anywhere on a list-only combo box opens or closes its list.
    combo::FieldPressed(m_hwnd);
    return;
  }
  const int caretBefore = m_text.Caret();
  m_text.MoveTo(PositionAt(x), extend);
  TellCaretFrom(caretBefore);
  m_dragging = true;
  SetCapture(m_hwnd);
  ScrollToCaret();
  Redraw();
}

void EditField::MouseMove(int x) {
  if (GetCapture() != m_hwnd) {
    m_dragging = false;
    return;
  }
  RestartBlink();
  const int caretBefore = m_text.Caret();
  m_text.MoveTo(PositionAt(x), true);
  TellCaretFrom(caretBefore);
  ScrollToCaret();
  Redraw();
}

void EditField::MouseUp() {
  m_dragging = false;
  if (GetCapture() == m_hwnd) ReleaseCapture();
}

void EditField::SelectWordAt(int x) {
  const int pos = PositionAt(x);
  const int caretBefore = m_text.Caret();
  m_text.Select(m_text.WordStart(pos), m_text.WordEnd(pos));
  TellCaretFrom(caretBefore);
  ScrollToCaret();
  Redraw();
}

// ---- Clipboard ------------------------------------------------------------------------------

void EditField::Copy() {
  if (m_text.HasSelection()) PutClipboardText(m_text.Selected());
}

void EditField::Cut() {
  if (!m_text.HasSelection() || ReadOnly(m_hwnd)) return;
  Copy();
  const std::optional<Before> before = BeforeChange();
  if (m_text.ReplaceSelection({})) Edited(before);
}

void EditField::Clear() {
  if (ReadOnly(m_hwnd) || !m_text.HasSelection()) return;
  const std::optional<Before> before = BeforeChange();
  if (m_text.ReplaceSelection({})) Edited(before);
}

void EditField::Paste() {
  if (ReadOnly(m_hwnd)) return;
  const window::LifeWatch watch(*this);
  std::optional<std::string> pasted = ClipboardTextCp1252();
  if (watch.Ended() || !pasted) return;
  // A one-line field keeps the first line of what was copied.
  const std::size_t lineEnd = pasted->find_first_of("\r\n");
  if (lineEnd != std::string::npos) pasted->resize(lineEnd);
  const std::string text = CaseConverted(*pasted, combo::FieldOwnerStyle(m_hwnd));
  const std::optional<Before> before = BeforeChange();
  if (m_text.ReplaceSelection(text)) Edited(before);
}

// ---- Caret ----------------------------------------------------------------------------------

void EditField::GainFocus(HWND lostBy) {
  m_focused = true;
  RestartBlink();
  Redraw();
  combo::FieldFocus(m_hwnd, true, lostBy);
}

void EditField::LoseFocus(HWND gainedBy) {
  m_focused = false;
  m_dragging = false;
  if (m_blinking) KillTimer(m_hwnd, kCaretTimer);
  m_blinking = false;
  m_caretShown = false;
  Redraw();
  combo::FieldFocus(m_hwnd, false, gainedBy);
}

void EditField::RestartBlink(CaretPhase phase) {
  m_lastInputMs = GetTickCount();
  if (!m_focused) return;
  if (!m_caretShown) {
    m_caretShown = true;
    Redraw();
  }
  // Setting the timer again starts a whole shown half period now: a tick left over from before
  // the key would otherwise hide the caret the moment the key showed it.
  if (!m_blinking || phase == CaretPhase::kRestarted) {
    m_blinking = true;
    SetTimer(m_hwnd, kCaretTimer, kBlinkMs, nullptr);
  }
}

void EditField::Blink() {
  const std::uint64_t idle = static_cast<DWORD>(GetTickCount() - static_cast<DWORD>(m_lastInputMs));
  if (!m_focused || idle >= m_idleStopMs) {
    // Nobody is typing: the caret stays on and the timer goes, so an idle program sleeps.
    KillTimer(m_hwnd, kCaretTimer);
    m_blinking = false;
    m_caretShown = m_focused;
  } else {
    m_caretShown = !m_caretShown;
  }
  Redraw();
}

}  // namespace combo
