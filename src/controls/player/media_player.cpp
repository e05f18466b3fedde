// SPDX-License-Identifier: GPL-3.0-or-later
// The media player's button bar: glyphs, layout, painting, mouse and keys, clicks.
#include "controls/player/media_player.h"

#include <algorithm>

#include "core/exceptions.h"
#include "core/format.h"
#include "core/window_description.h"
#include "platform/window.h"

namespace {

constexpr const char* kGlyphStems[kButtonCount] = {"MPPLAY", "MPPAUSE", "MPSTOP",   "MPNEXT", "MPPREV",
                                                   "MPSTEP", "MPBACK",  "MPRECORD", "MPEJECT"};
constexpr const char* kGlyphPrefixes[3] = {"EN", "DI", "CL"};
enum GlyphKind { kGlyphEnabled = 0, kGlyphDisabled = 1, kGlyphColoured = 2 };

// The glyphs' background: never shown, the face colour takes its place.
constexpr TColor kGlyphKey = clOlive;

constexpr TMPBtnType ButtonAt(int index) { return static_cast<TMPBtnType>(index); }
constexpr int IndexOf(TMPBtnType button) { return static_cast<int>(button); }

bool InSet(TButtonSet set, int index) { return (set >> index) & 1u; }

}  // namespace

TMediaPlayer::TMediaPlayer(TComponent* owner) : TCustomControl(owner) {
  m_controlStyle |= csOpaque;
  int widest = 0;
  int tallest = 0;
  for (int b = 0; b < kButtonCount; ++b) {
    for (int kind = 0; kind < 3; ++kind) {
      TBitmap& glyph = m_buttons[b].glyphs[kind];
      glyph.LoadFromResourceName(Format("%s_%s", kGlyphPrefixes[kind], kGlyphStems[b]));
      widest = std::max(widest, glyph.Width());
      tallest = std::max(tallest, glyph.Height());
    }
  }
  m_minButtonWidth = widest + 8;
  m_minButtonHeight = tallest + 4;
  SetWidth(240);
  SetHeight(30);
  SetTabStop(true);
  m_toldClickable = ClickableButtons();
}

TMediaPlayer::~TMediaPlayer() {
  if (CaptureControl() == this) SetCaptureControl(nullptr);
  if (m_deviceId != 0) {
    // No callback: nothing is left to be told about the close.
    MCI_GENERIC_PARMS parms{};
    mciSendCommand(m_deviceId, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&parms));
    m_deviceId = 0;
    m_deviceOpen = false;
  }
  if (m_display) m_display->RemoveFreeNotification(this);
}

// ---- Properties -------------------------------------------------------------------------------
int TMediaPlayer::VisibleCount() const {
  int n = 0;
  for (const TButtonState& b : m_buttons) n += b.visible ? 1 : 0;
  return n;
}

void TMediaPlayer::SetVisibleButtons(TButtonSet value) {
  m_visibleButtons = value;
  for (int b = 0; b < kButtonCount; ++b) m_buttons[b].visible = InSet(value, b);
  const int n = std::max(1, VisibleCount());
  // Before the first layout ButtonWidth is 0 and this asks for a width the layout then raises.
  SetWidth(n * (m_buttonWidth - 1) + 1);
  Invalidate();
}

void TMediaPlayer::SetEnabledButtons(TButtonSet value) {
  m_enabledButtons = value;
  for (int b = 0; b < kButtonCount; ++b) m_buttons[b].enabled = InSet(value, b);
  Invalidate();
  TellClickableChanges();
}

void TMediaPlayer::SetColoredButtons(TButtonSet value) {
  m_coloredButtons = value;
  for (int b = 0; b < kButtonCount; ++b) m_buttons[b].coloured = InSet(value, b);
  Invalidate();
}

void TMediaPlayer::SetAutoEnable(bool value) {
  if (value == m_autoEnable) return;
  m_autoEnable = value;
  if (value) {
    RefreshAutoFlags();
  } else {
    SetEnabledButtons(m_enabledButtons);
  }
}

void TMediaPlayer::RefreshAutoFlags() {
  for (int b = 0; b < kButtonCount; ++b) m_buttons[b].automatic = InSet(m_autoButtons, b);
  Invalidate();
  TellClickableChanges();
}

bool TMediaPlayer::ButtonUsable(TMPBtnType button) const {
  const TButtonState& b = m_buttons[IndexOf(button)];
  return m_autoEnable ? b.automatic : b.enabled;
}

// ---- Layout -----------------------------------------------------------------------------------
void TMediaPlayer::WindowCreated() {
  TCustomControl::WindowCreated();
  ApplyLayout();
}

void TMediaPlayer::ApplyLayout() {
  const int n = std::max(1, VisibleCount());
  m_buttonWidth = (Width() - 1) / n + 1;
  const int wantedWidth = std::max(n * (m_buttonWidth - 1) + 1, n * (m_minButtonWidth - 1) + 1);
  const int wantedHeight = std::max(Height(), m_minButtonHeight);
  // The new size comes back as a size message, which lays the bar out again.
  if (wantedWidth != Width() || wantedHeight != Height()) {
    SetBounds(Left(), Top(), wantedWidth, wantedHeight);
  }
}

// ---- Painting ---------------------------------------------------------------------------------
void TMediaPlayer::Paint() {
  TCanvas& c = Canvas();
  c.Brush().SetStyle(TBrushStyle::bsClear);
  c.Pen().SetColor(clWindowFrame);
  c.Pen().SetWidth(1);
  c.Rectangle(0, 0, Width(), Height());
  int x = 0;
  for (int b = 0; b < kButtonCount; ++b) {
    if (!m_buttons[b].visible) continue;
    DrawButton(ButtonAt(b), x);
    x += m_buttonWidth - 1;
  }
}

void TMediaPlayer::DrawButton(TMPBtnType button, int x) {
  TCanvas& c = Canvas();
  const TButtonState& state = m_buttons[IndexOf(button)];
  const bool pressed = m_down && button == m_currentButton;
  const int w = m_buttonWidth;
  const int h = Height();

  c.Brush().SetStyle(TBrushStyle::bsSolid);
  c.Brush().SetColor(clBtnFace);
  c.Pen().SetColor(clWindowFrame);
  c.Pen().SetWidth(1);
  c.Rectangle(x, 0, x + w, h);

  c.Pen().SetColor(pressed ? clBtnShadow : clBtnHighlight);
  c.MoveTo(x + 1, h - 2);
  c.LineTo(x + 1, 1);
  c.LineTo(x + w - 1, 1);
  if (!pressed) {
    c.Pen().SetColor(clBtnShadow);
    c.MoveTo(x + 2, h - 2);
    c.LineTo(x + w - 2, h - 2);
    c.LineTo(x + w - 2, 1);
  }

  int kind = kGlyphDisabled;
  if (Enabled() && ButtonUsable(button)) kind = state.coloured ? kGlyphColoured : kGlyphEnabled;
  const TBitmap& glyph = state.glyphs[kind];
  int gx = w / 2 - glyph.Width() / 2;
  int gy = h / 2 - glyph.Height() / 2;
  if (pressed) {
    ++gx;
    ++gy;
  }
  if (!glyph.Empty()) c.BrushCopyKeyed(x + gx, gy, glyph, kGlyphKey);

  if (HandleAllocated() && GetFocus() == Handle() && button == m_focusedButton) {
    RECT r{x + 3, 3, x + w - 3, h - 3};
    if (pressed) r = {r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
    c.DrawFocusRect(r);
  }
}

void TMediaPlayer::DrawCurrentButtonNow() {
  if (!HandleAllocated()) return;
  HWND hwnd = Handle();
  HDC dc = GetDC(hwnd);
  if (!dc) return;
  Canvas().SetHandle(dc);
  DrawButton(m_currentButton, m_currentRect.left);
  Canvas().SetHandle(nullptr);
  ReleaseDC(hwnd, dc);
}

// ---- Mouse ------------------------------------------------------------------------------------
void TMediaPlayer::MousePress(int x) {
  int s = 0;
  int hit = -1;
  for (int b = 0; b < kButtonCount; ++b) {
    if (!m_buttons[b].visible) continue;
    // Both ends count, so the border column two buttons share belongs to the left one.
    if (s <= x && x <= s + m_buttonWidth) {
      if (!ButtonUsable(ButtonAt(b))) return;
      hit = b;
      break;
    }
    s += m_buttonWidth - 1;
  }
  if (hit < 0) return;
  m_currentButton = ButtonAt(hit);
  if (m_currentButton != m_focusedButton) {
    m_focusedButton = m_currentButton;
    Repaint();
    TellFocusedButton();
  }
  m_currentRect = {s, 0, s + m_buttonWidth, Height()};
  m_pressing = true;
  m_down = true;
  DrawCurrentButtonNow();
  SetCaptureControl(this);
}

void TMediaPlayer::MouseMoveTo(int x, int y) {
  if (!m_pressing) return;
  const bool inside = x >= m_currentRect.left && x < m_currentRect.right && y >= m_currentRect.top &&
                      y < m_currentRect.bottom;
  if (inside != m_down) {
    m_down = inside;
    DrawCurrentButtonNow();
  }
}

void TMediaPlayer::MouseRelease() {
  if (CaptureControl() == this) SetCaptureControl(nullptr);
  const bool click = m_pressing && m_down;
  // The press ends here even when the button's action raises.
  m_pressing = false;
  if (!click) return;
  m_down = false;
  DrawCurrentButtonNow();
  ClickButton(m_currentButton);
  AfterUserClick();
}

void TMediaPlayer::PressButton(TMPBtnType button) {
  if (!Enabled() || !m_buttons[IndexOf(button)].visible || !ButtonUsable(button)) return;
  // As a press of the mouse, the click moves the focus rectangle to the button.
  if (button != m_focusedButton) {
    m_focusedButton = button;
    Repaint();
    TellFocusedButton();
  }
  m_currentButton = button;
  ClickButton(button);
  AfterUserClick();
}

// ---- Keys -------------------------------------------------------------------------------------
void TMediaPlayer::KeyDown(WORD& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  const int focused = IndexOf(m_focusedButton);
  if (key == VK_SPACE) {
    // EnabledButtons decides here even under AutoEnable: the key reaches the action, which
    // reports a closed device itself.
    if (!m_buttons[focused].enabled) return;
    m_currentButton = m_focusedButton;
    ClickButton(m_currentButton);
    AfterUserClick();
  } else if (key == VK_RIGHT) {
    for (int b = focused + 1; b < kButtonCount; ++b) {
      if (m_buttons[b].visible) {
        m_focusedButton = ButtonAt(b);
        Invalidate();
        TellFocusedButton();
        break;
      }
    }
  } else if (key == VK_LEFT) {
    for (int b = focused - 1; b >= 0; --b) {
      if (m_buttons[b].visible) {
        m_focusedButton = ButtonAt(b);
        Invalidate();
        TellFocusedButton();
        break;
      }
    }
  }
}

// ---- Clicks -----------------------------------------------------------------------------------
void TMediaPlayer::ClickButton(TMPBtnType button) {
  m_clickFailed = false;
  bool doDefault = true;
  if (OnClick) OnClick(this, button, doDefault);
  if (!doDefault) return;
  ButtonAction(button);
  m_clickFailed = m_error != 0;
  PostClick(button);
}

void TMediaPlayer::AfterUserClick() {
  // A command the user asked for that the device refused (no sound output, a driver that fails)
  // leaves the buttons as the device really is, and the user is told why, in the error box; a
  // refusal kept only in ErrorCode would look like success to the student.
  if (m_clickFailed) Raise<EMCIDeviceError>(ErrorText());
  if (m_autoEnable && m_deviceOpen) {
    AutoButtonSet(m_currentButton);
    RefreshAutoFlags();
  }
}

void TMediaPlayer::PostClick(TMPBtnType button) {
  if (OnPostClick) OnPostClick(this, button);
}

// ---- Messages ---------------------------------------------------------------------------------
void TMediaPlayer::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      MousePress(GET_X_LPARAM(message.LParam));
      return;
    case WM_MOUSEMOVE:
      MouseMoveTo(GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
      return;
    case WM_LBUTTONUP:
      MouseRelease();
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomControl::WndProc(message);
      if (HandleAllocated()) {
        InvalidateRect(Handle(), nullptr, FALSE);
        UpdateWindow(Handle());
      }
      return;
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS;
      return;
    case WM_SIZE:
      TCustomControl::WndProc(message);
      if (!(m_controlState & csCreating) && HandleAllocated()) ApplyLayout();
      message.Result = 0;
      return;
    case CM_ENABLEDCHANGED:
      TCustomControl::WndProc(message);
      Invalidate();
      TellClickableChanges();
      return;
    case MM_MCINOTIFY:
      HandleNotify(message.WParam);
      message.Result = 0;
      return;
    default:
      break;
  }
  TCustomControl::WndProc(message);
}

void TMediaPlayer::HandleNotify(WPARAM code) {
  if (m_autoEnable && Mode() == TMPModes::mpStopped) {
    if (m_canPlay) m_autoButtons |= ButtonBit(TMPBtnType::btPlay);
    if (m_canRecord) m_autoButtons |= ButtonBit(TMPBtnType::btRecord);
    m_autoButtons &=
        static_cast<TButtonSet>(~(ButtonBit(TMPBtnType::btPause) | ButtonBit(TMPBtnType::btStop)));
    RefreshAutoFlags();
  }
  switch (code) {
    case MCI_NOTIFY_SUCCESSFUL:
      m_notifyResult = TMPNotifyValues::nvSuccessful;
      break;
    case MCI_NOTIFY_SUPERSEDED:
      m_notifyResult = TMPNotifyValues::nvSuperseded;
      break;
    case MCI_NOTIFY_ABORTED:
      m_notifyResult = TMPNotifyValues::nvAborted;
      break;
    case MCI_NOTIFY_FAILURE:
      m_notifyResult = TMPNotifyValues::nvFailure;
      break;
    default:
      break;
  }
  DoNotify();
}

void TMediaPlayer::DoNotify() {
  if (OnNotify) OnNotify(this);
}

// ---- Reading from the window description -------------------------------------------------------
namespace {

TButtonSet DescButtonSet(const TDescValue& value) {
  static constexpr const char* kNames[kButtonCount] = {"btPlay", "btPause", "btStop",   "btNext", "btPrev",
                                                       "btStep", "btBack",  "btRecord", "btEject"};
  TButtonSet set = 0;
  for (const std::string& member : DescSet(value)) {
    const auto* found =
        std::find_if(std::begin(kNames), std::end(kNames), [&](const char* n) { return member == n; });
    if (found == std::end(kNames)) InvalidPropertyValue();
    set |= static_cast<TButtonSet>(1u << (found - std::begin(kNames)));
  }
  return set;
}

TMPDeviceTypes DescDeviceType(const TDescValue& value) {
  static constexpr const char* kNames[] = {
      "dtAutoSelect", "dtAVIVideo", "dtCDAudio",   "dtDAT", "dtDigitalVideo", "dtMMMovie",  "dtOther",
      "dtOverlay",    "dtScanner",  "dtSequencer", "dtVCR", "dtVideodisc",    "dtWaveAudio"};
  const std::string id = DescIdentifier(value);
  for (int i = 0; i < static_cast<int>(std::size(kNames)); ++i) {
    if (id == kNames[i]) return static_cast<TMPDeviceTypes>(i);
  }
  InvalidPropertyValue();
}

}  // namespace

void TMediaPlayer::ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) {
  if (name == "VisibleButtons") {
    SetVisibleButtons(DescButtonSet(value));
  } else if (name == "EnabledButtons") {
    SetEnabledButtons(DescButtonSet(value));
  } else if (name == "ColoredButtons") {
    SetColoredButtons(DescButtonSet(value));
  } else if (name == "AutoEnable") {
    SetAutoEnable(DescBoolean(value));
  } else if (name == "AutoOpen") {
    SetAutoOpen(DescBoolean(value));
  } else if (name == "AutoRewind") {
    SetAutoRewind(DescBoolean(value));
  } else if (name == "Shareable") {
    SetShareable(DescBoolean(value));
  } else if (name == "FileName") {
    SetFileName(DescText(value));
  } else if (name == "DeviceType") {
    SetDeviceType(DescDeviceType(value));
  } else {
    TCustomControl::ReadProperty(name, value, root);
  }
}

void TMediaPlayer::Loaded() {
  TCustomControl::Loaded();
  if (m_autoOpen) Open();
}

void RegisterPlayerClasses() {
  RegisterComponentClass("TMediaPlayer", [](TComponent* owner) { return new TMediaPlayer(owner); });
}
