// SPDX-License-Identifier: GPL-3.0-or-later
// The media player: a bar of up to nine push buttons (play, pause, stop, next, previous, step,
// back, record, eject) that drives one device of the multimedia command service and owns it.
//
// The main window shows only its Play button. Which buttons are usable follows the device: with
// AutoEnable (the default) the automatic button set decides, and Open, Close, a click and the
// device's completion notification change that set. media_player.cpp holds the button bar (layout,
// painting, mouse and keys); media_device.cpp holds the device commands.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/graphics.h"
#include "core/win_control.h"
#include "platform/mci.h"

enum class TMPBtnType { btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord, btEject };
inline constexpr int kButtonCount = 9;

// A set of buttons: bit n for the button of ordinal n.
using TButtonSet = std::uint16_t;
inline constexpr TButtonSet kAllButtons = 0x01FF;
constexpr TButtonSet ButtonBit(TMPBtnType button) {
  return static_cast<TButtonSet>(1u << static_cast<unsigned>(button));
}

enum class TMPDeviceTypes {
  dtAutoSelect,
  dtAVIVideo,
  dtCDAudio,
  dtDAT,
  dtDigitalVideo,
  dtMMMovie,
  dtOther,
  dtOverlay,
  dtScanner,
  dtSequencer,
  dtVCR,
  dtVideodisc,
  dtWaveAudio
};

enum class TMPNotifyValues { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

// The device's present mode, as the service's mode value less MCI_MODE_NOT_READY.
enum class TMPModes { mpNotReady, mpStopped, mpPlaying, mpRecording, mpSeeking, mpPaused, mpOpen };

// Fired before a button's action; clearing doDefault skips the action and the post-click event.
using EMPNotify = std::function<void(TComponent* sender, TMPBtnType button, bool& doDefault)>;
using EMPPostNotify = std::function<void(TComponent* sender, TMPBtnType button)>;

// The texts the player raises with (the program's string table 65339 and 65340).
inline constexpr const char* kSNotOpenErr = "No MCI device open";
inline constexpr const char* kSMCIErrorUnknown = "Unknown error code";

class TMediaPlayer : public TCustomControl {
 public:
  explicit TMediaPlayer(TComponent* owner);
  ~TMediaPlayer() override;
  const char* ClassName() const override { return "TMediaPlayer"; }

  // ---- Button bar ----
  TButtonSet VisibleButtons() const { return m_visibleButtons; }
  void SetVisibleButtons(TButtonSet value);
  TButtonSet EnabledButtons() const { return m_enabledButtons; }
  void SetEnabledButtons(TButtonSet value);
  TButtonSet ColoredButtons() const { return m_coloredButtons; }
  void SetColoredButtons(TButtonSet value);
  bool AutoEnable() const { return m_autoEnable; }
  void SetAutoEnable(bool value);
  TButtonSet AutoButtons() const { return m_autoButtons; }
  int ButtonWidth() const { return m_buttonWidth; }
  int MinButtonWidth() const { return m_minButtonWidth; }
  int MinButtonHeight() const { return m_minButtonHeight; }
  TMPBtnType FocusedButton() const { return m_focusedButton; }
  // Whether a button reacts to the mouse now (the automatic set or EnabledButtons decides).
  bool ButtonUsable(TMPBtnType button) const;
  // Clicks the button as the mouse does: nothing unless it is shown and usable and the player is
  // enabled; the click's action, events and error box as for a mouse click.
  void PressButton(TMPBtnType button);
  // A visible button's part of the player's window, for a screen reader (1 + its ordinal); a
  // null window for a hidden button or while the player has no window.
  a11y::ObjectRef ButtonRef(TMPBtnType button) const;

  // ---- Device ----
  const std::string& FileName() const { return m_fileName; }
  void SetFileName(const std::string& name) { m_fileName = name; }
  TMPDeviceTypes DeviceType() const { return m_deviceType; }
  void SetDeviceType(TMPDeviceTypes type) { m_deviceType = type; }
  bool Shareable() const { return m_shareable; }
  void SetShareable(bool value) { m_shareable = value; }
  bool AutoOpen() const { return m_autoOpen; }
  void SetAutoOpen(bool value) { m_autoOpen = value; }
  bool AutoRewind() const { return m_autoRewind; }
  void SetAutoRewind(bool value) { m_autoRewind = value; }
  TWinControl* Display() const { return m_display; }
  void SetDisplay(TWinControl* control);

  // Raises EMCIDeviceError with the service's text when the file cannot be opened; for a file
  // named without a folder that was not found, the text goes on to say where it was looked for.
  void Open();
  void Close();
  void Play();
  void Pause();
  void Resume();
  void Stop();
  void Next();
  void Previous();
  void Step();
  void Back();
  void StartRecording();
  void Eject();
  void Rewind();

  DWORD Length();
  DWORD Position();
  TMPModes Mode();
  DWORD TimeFormat();
  void SetTimeFormat(DWORD format);
  DWORD ErrorCode() const { return m_error; }
  std::string ErrorText() const;
  TMPNotifyValues NotifyResult() const { return m_notifyResult; }
  MCIDEVICEID DeviceId() const { return m_deviceId; }
  int StepFrames() const { return m_stepFrames; }
  bool CanPlay() const { return m_canPlay; }

  // ---- Events ----
  EMPNotify OnClick;  // the bar's own click event; hides the plain control click
  EMPPostNotify OnPostClick;
  TNotifyEvent OnNotify;

  void WndProc(TMessage& message) override;
  void ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) override;
  void Loaded() override;

 protected:
  void Paint() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void WindowCreated() override;
  std::unique_ptr<a11y::Provider> CreateAccessible() override;
  void Notification(TComponent* component, TOperation operation) override;
  // The automatic button set after a click of `button` (the refresh of the flags follows).
  virtual void AutoButtonSet(TMPBtnType button);
  // The click of a button: OnClick, the button's action, OnPostClick.
  virtual void ClickButton(TMPBtnType button);
  virtual void PostClick(TMPBtnType button);
  // After a click by mouse or Space: the automatic button set follows, or the device's refusal is
  // raised.
  void AfterUserClick();
  virtual void DoNotify();

 private:
  struct TButtonState {
    bool visible = true;
    bool enabled = true;
    bool coloured = true;
    bool automatic = false;
    TBitmap glyphs[3];  // enabled, disabled, coloured
  };

  // ---- Bar ----
  int VisibleCount() const;
  void ApplyLayout();
  void DrawButton(TMPBtnType button, int x);
  // Draws the current button straight to the window, outside a paint.
  void DrawCurrentButtonNow();
  void MousePress(int x);
  void MouseMoveTo(int x, int y);
  void MouseRelease();
  void RefreshAutoFlags();
  void HandleNotify(WPARAM code);

  // ---- A screen reader (player_accessible.cpp) ----
  // The buttons that react to a click now (the player enabled and the button usable).
  TButtonSet ClickableButtons() const;
  // Tells a reader of each shown button that became usable or stopped being so.
  void TellClickableChanges();
  // Tells a reader of the button that holds the focus now, while the player has it.
  void TellFocusedButton() const;

  // ---- Device ----
  void CheckOpen() const;
  DWORD_PTR Callback();
  DWORD StatusItem(DWORD item);
  void ReadCapabilities();
  void ButtonAction(TMPBtnType button);
  DWORD TrackCount();
  DWORD TrackPosition(DWORD track);
  void SeekOrPlayFrom(DWORD target);
  void SetDisplayWindow(HWND window);

  TButtonState m_buttons[kButtonCount];
  TButtonSet m_visibleButtons = kAllButtons;
  TButtonSet m_enabledButtons = kAllButtons;
  TButtonSet m_coloredButtons = kAllButtons;
  TButtonSet m_autoButtons = 0;
  TButtonSet m_toldClickable = 0;  // the clickable buttons as a reader was last told of them
  bool m_autoEnable = true;
  TMPBtnType m_focusedButton = TMPBtnType::btPlay;
  TMPBtnType m_currentButton = TMPBtnType::btPlay;
  RECT m_currentRect{};
  bool m_pressing = false;
  bool m_down = false;
  int m_buttonWidth = 0;
  int m_minButtonWidth = 0;
  int m_minButtonHeight = 0;

  std::string m_fileName;
  TMPDeviceTypes m_deviceType = TMPDeviceTypes::dtAutoSelect;
  bool m_shareable = false;
  bool m_autoOpen = false;
  bool m_autoRewind = true;
  TWinControl* m_display = nullptr;
  bool m_deviceOpen = false;
  MCIDEVICEID m_deviceId = 0;
  DWORD m_error = 0;
  bool m_clickFailed = false;  // the last click ran its command and the device refused it
  DWORD m_from = 0;
  bool m_fromPending = false;
  bool m_canPlay = false;
  bool m_canRecord = false;
  bool m_canEject = false;
  bool m_hasVideo = false;
  bool m_canStep = false;
  unsigned m_capabilities = 0;
  int m_stepFrames = 0;
  int m_displayWidth = 0;
  int m_displayHeight = 0;
  TMPNotifyValues m_notifyResult = TMPNotifyValues::nvSuccessful;
};

// Makes "TMediaPlayer" known to the window description reader.
void RegisterPlayerClasses();
