// SPDX-License-Identifier: GPL-3.0-or-later
// The media player's device side: opening the file through the multimedia command service, the
// commands behind the buttons, the automatic button set and the errors.
//
// Every command records its result in ErrorCode (Rewind and a track position excepted). Open and
// the check for an open device raise; a command called from code leaves its failure in ErrorCode,
// while one the user asked for with a button raises it too (the error box), and the button set
// then stays as it was.
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

#include "base/cp1252.h"
#include "base/program_folder.h"
#include "base/translation.h"
#include "controls/player/media_player.h"
#include "core/exceptions.h"

namespace {

constexpr const char* kDeviceTypeNames[] = {"",        "AVIVideo",  "CDAudio",  "DAT",     "DigitalVideo",
                                            "MMMovie", "Other",     "Overlay",  "Scanner", "Sequencer",
                                            "VCR",     "Videodisc", "WaveAudio"};

// Capability bits.
constexpr unsigned kCapCanStep = 1;
constexpr unsigned kCapCanEject = 2;
constexpr unsigned kCapCanPlay = 4;
constexpr unsigned kCapCanRecord = 8;
constexpr unsigned kCapUsesWindow = 16;

template <typename P>
DWORD_PTR Param(P& parms) {
  return reinterpret_cast<DWORD_PTR>(&parms);
}

constexpr TButtonSet Without(TButtonSet set, TButtonSet remove) {
  return static_cast<TButtonSet>(set & ~remove);
}

// The folder a path lies in: "/" for a file at the root, "." for a bare name. (Plain string work:
// the standard library's path class would link its locale machinery into the program, whose
// start-up then pays for it.)
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A file named without a folder that the multimedia service could not find: the folders it was
// looked for in, in the service's order (platform/mci.h: the current folder, the program file's
// folder, then share/tessivo beside it, where an installed program keeps its files), so a
// student or an administrator sees where the key's file should be. The service's own text comes
// first, unchanged. The names are cp1252, as the error box shows them.
std::string WhereLookedFor(const std::string& fileName) {
  const std::string programDir = text::Utf8ToCp1252(base::ProgramFolder());
  const std::string prefix = FolderOf(programDir);
  const std::string shareDir = (prefix == "/" ? "" : prefix) + "/share/tessivo";
  char current[PATH_MAX] = {};
  const std::string currentDir =
      ::getcwd(current, sizeof current) != nullptr ? text::Utf8ToCp1252(current) : "?";
  // The sentence comes in the user's language (UTF-8), the names as the window shows them.
  const std::string quoted = "\"" + text::Cp1252ToUtf8(fileName) + "\"";
  return "\n" + text::Utf8ToCp1252(
                    base::TranslatedWith("%s was looked for in the current folder (%s), in %s and in %s.",
                                         {quoted, text::Cp1252ToUtf8(currentDir),
                                          text::Cp1252ToUtf8(programDir), text::Cp1252ToUtf8(shareDir)}));
}

}  // namespace

void TMediaPlayer::CheckOpen() const {
  if (!m_deviceOpen) Raise<EMCIDeviceError>(kSNotOpenErr);
}

DWORD_PTR TMediaPlayer::Callback() { return reinterpret_cast<DWORD_PTR>(Handle()); }

std::string TMediaPlayer::ErrorText() const {
  char buffer[4096];
  std::memset(buffer, 0, sizeof buffer);
  if (!mciGetErrorString(m_error, buffer, sizeof buffer)) return kSMCIErrorUnknown;
  return std::string(buffer);
}

DWORD TMediaPlayer::StatusItem(DWORD item) {
  MCI_STATUS_PARMS parms{};
  parms.dwItem = item;
  m_error = mciSendCommand(m_deviceId, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, Param(parms));
  return static_cast<DWORD>(parms.dwReturn);
}

// ---- Open and close ---------------------------------------------------------------------------
void TMediaPlayer::Open() {
  MCI_OPEN_PARMS parms{};
  if (m_deviceOpen) Close();
  parms.lpstrDeviceType = kDeviceTypeNames[static_cast<int>(m_deviceType)];
  parms.lpstrElementName = m_fileName.c_str();
  DWORD flags = MCI_WAIT;
  flags |= m_deviceType != TMPDeviceTypes::dtAutoSelect ? MCI_OPEN_TYPE : MCI_OPEN_ELEMENT;
  if (m_shareable) flags |= MCI_OPEN_SHAREABLE;
  parms.dwCallback = Callback();
  m_error = mciSendCommand(0, MCI_OPEN, flags, Param(parms));
  if (m_error == MCIERR_FILE_NOT_FOUND && m_fileName.find('/') == std::string::npos) {
    Raise<EMCIDeviceError>(ErrorText() + WhereLookedFor(m_fileName));
  }
  if (m_error != 0) Raise<EMCIDeviceError>(ErrorText());

  m_deviceOpen = true;
  m_deviceId = parms.wDeviceID;
  m_stepFrames = static_cast<int>(Length() / 10);
  ReadCapabilities();
  if (m_hasVideo) {
    SetDisplay(m_display);
    MCI_DGV_WHERE_PARMS where{};
    m_error = mciSendCommand(m_deviceId, MCI_WHERE, MCI_WAIT | MCI_DGV_WHERE_DESTINATION, Param(where));
    m_displayWidth = where.rc.right - where.rc.left;
    m_displayHeight = where.rc.bottom - where.rc.top;
  }
  if (m_deviceType == TMPDeviceTypes::dtCDAudio || m_deviceType == TMPDeviceTypes::dtVideodisc) {
    SetTimeFormat(MCI_FORMAT_TMSF);
  }
  m_autoButtons = ButtonBit(TMPBtnType::btNext) | ButtonBit(TMPBtnType::btPrev);
  if (m_canStep) {
    m_autoButtons |= ButtonBit(TMPBtnType::btStep) | ButtonBit(TMPBtnType::btBack);
  }
  if (m_canPlay) m_autoButtons |= ButtonBit(TMPBtnType::btPlay);
  if (m_canRecord) m_autoButtons |= ButtonBit(TMPBtnType::btRecord);
  if (m_canEject) m_autoButtons |= ButtonBit(TMPBtnType::btEject);
  if (Mode() == TMPModes::mpPlaying) AutoButtonSet(TMPBtnType::btPlay);
  RefreshAutoFlags();
}

void TMediaPlayer::ReadCapabilities() {
  auto ask = [this](DWORD item) {
    MCI_GETDEVCAPS_PARMS parms{};
    parms.dwItem = item;
    mciSendCommand(m_deviceId, MCI_GETDEVCAPS, MCI_GETDEVCAPS_ITEM | MCI_WAIT, Param(parms));
    return parms.dwReturn;
  };
  m_canPlay = ask(MCI_GETDEVCAPS_CAN_PLAY) != 0;
  if (m_canPlay) m_capabilities |= kCapCanPlay;
  m_canRecord = ask(MCI_GETDEVCAPS_CAN_RECORD) != 0;
  if (m_canRecord) m_capabilities |= kCapCanRecord;
  m_canEject = ask(MCI_GETDEVCAPS_CAN_EJECT) != 0;
  if (m_canEject) m_capabilities |= kCapCanEject;
  m_hasVideo = ask(MCI_GETDEVCAPS_HAS_VIDEO) != 0;
  if (m_hasVideo) m_capabilities |= kCapUsesWindow;
  const DWORD type = ask(MCI_GETDEVCAPS_DEVICE_TYPE);
  if (type == MCI_DEVTYPE_VCR || type == MCI_DEVTYPE_OVERLAY || type == MCI_DEVTYPE_ANIMATION ||
      type == MCI_DEVTYPE_DIGITAL_VIDEO) {
    m_canStep = true;
    m_capabilities |= kCapCanStep;
  }
  // Devices without video refuse this; a later command of Open overwrites the result.
  MCI_DGV_WHERE_PARMS where{};
  m_error = mciSendCommand(m_deviceId, MCI_WHERE, MCI_WAIT | MCI_DGV_WHERE_SOURCE, Param(where));
  m_displayWidth = where.rc.right - where.rc.left;
  m_displayHeight = where.rc.bottom - where.rc.top;
}

void TMediaPlayer::Close() {
  if (m_deviceId == 0) return;
  MCI_GENERIC_PARMS parms{};
  parms.dwCallback = Callback();
  m_error = mciSendCommand(m_deviceId, MCI_CLOSE, MCI_WAIT, Param(parms));
  // A refused close leaves the device recorded as open, and nothing is reported.
  if (m_error != 0) return;
  m_deviceOpen = false;
  m_deviceId = 0;
  m_autoButtons = 0;
  RefreshAutoFlags();
}

// ---- Commands ---------------------------------------------------------------------------------
void TMediaPlayer::Play() {
  CheckOpen();
  if (m_autoRewind && !m_fromPending && Position() == Length()) Rewind();
  MCI_PLAY_PARMS parms{};
  DWORD flags = MCI_NOTIFY;
  if (m_fromPending) {
    flags |= MCI_FROM;
    parms.dwFrom = m_from;
    m_fromPending = false;
  }
  parms.dwCallback = Callback();
  m_error = mciSendCommand(m_deviceId, MCI_PLAY, flags, Param(parms));
}

void TMediaPlayer::Pause() {
  CheckOpen();
  MCI_GENERIC_PARMS parms{};
  parms.dwCallback = Callback();
  m_error = mciSendCommand(m_deviceId, MCI_PAUSE, MCI_WAIT, Param(parms));
}

void TMediaPlayer::Resume() {
  CheckOpen();
  MCI_GENERIC_PARMS parms{};
  parms.dwCallback = Callback();
  m_error = mciSendCommand(m_deviceId, MCI_RESUME, MCI_NOTIFY, Param(parms));
  // A device that cannot resume plays from where it stands instead.
  if (m_error != 0) Play();
}

void TMediaPlayer::Stop() {
  CheckOpen();
  MCI_GENERIC_PARMS parms{};
  parms.dwCallback = Callback();
  m_error = mciSendCommand(m_deviceId, MCI_STOP, MCI_WAIT, Param(parms));
}

void TMediaPlayer::SeekOrPlayFrom(DWORD target) {
  if (Mode() == TMPModes::mpPlaying) {
    m_from = target;
    m_fromPending = true;
    Play();
    m_currentButton = TMPBtnType::btPlay;
    return;
  }
  MCI_SEEK_PARMS parms{};
  parms.dwCallback = Callback();
  parms.dwTo = target;
  m_error = mciSendCommand(m_deviceId, MCI_SEEK, MCI_WAIT | MCI_TO, Param(parms));
}

void TMediaPlayer::Next() {
  CheckOpen();
  if (TimeFormat() == MCI_FORMAT_TMSF) {
    const DWORD track = Position() & 0xFF;
    const DWORD tracks = TrackCount();
    SeekOrPlayFrom(TrackPosition(track < tracks ? track + 1 : tracks));
    return;
  }
  MCI_SEEK_PARMS parms{};
  parms.dwCallback = Callback();
  m_error = mciSendCommand(m_deviceId, MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_END, Param(parms));
}

void TMediaPlayer::Previous() {
  CheckOpen();
  if (TimeFormat() == MCI_FORMAT_TMSF) {
    const DWORD position = Position();
    const DWORD track = position & 0xFF;
    const DWORD start = TrackPosition(track);
    // Near the start of a track (same minute and second) the previous track is meant.
    const bool atStart = ((position >> 8) & 0xFFFF) == ((start >> 8) & 0xFFFF);
    SeekOrPlayFrom(atStart && track > 1 ? TrackPosition(track - 1) : start);
    return;
  }
  MCI_SEEK_PARMS parms{};
  parms.dwCallback = Callback();
  m_error = mciSendCommand(m_deviceId, MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_START, Param(parms));
}

void TMediaPlayer::Step() {
  CheckOpen();
  if (m_autoRewind && Position() == Length()) Rewind();
  if (!m_hasVideo) return;
  MCI_DGV_STEP_PARMS parms{};
  parms.dwCallback = Callback();
  parms.dwFrames = static_cast<DWORD>(m_stepFrames);
  m_error = mciSendCommand(m_deviceId, MCI_STEP, MCI_WAIT | MCI_DGV_STEP_FRAMES, Param(parms));
}

void TMediaPlayer::Back() {
  CheckOpen();
  if (!m_hasVideo) return;
  MCI_DGV_STEP_PARMS parms{};
  parms.dwCallback = Callback();
  parms.dwFrames = static_cast<DWORD>(m_stepFrames);
  m_error = mciSendCommand(m_deviceId, MCI_STEP, MCI_WAIT | MCI_DGV_STEP_FRAMES | MCI_DGV_STEP_REVERSE,
                           Param(parms));
}

void TMediaPlayer::StartRecording() {
  CheckOpen();
  MCI_RECORD_PARMS parms{};
  parms.dwCallback = Callback();
  m_error = mciSendCommand(m_deviceId, MCI_RECORD, MCI_NOTIFY, Param(parms));
}

void TMediaPlayer::Eject() {
  CheckOpen();
  if (!m_canEject) return;
  MCI_SET_PARMS parms{};
  parms.dwCallback = Callback();
  m_error = mciSendCommand(m_deviceId, MCI_SET, MCI_WAIT | MCI_SET_DOOR_OPEN, Param(parms));
}

void TMediaPlayer::Rewind() {
  CheckOpen();
  MCI_SEEK_PARMS parms{};
  parms.dwCallback = Callback();
  mciSendCommand(m_deviceId, MCI_SEEK, MCI_SEEK_TO_START | MCI_WAIT, Param(parms));
}

// ---- Status -----------------------------------------------------------------------------------
DWORD TMediaPlayer::Length() {
  CheckOpen();
  return StatusItem(MCI_STATUS_LENGTH);
}

DWORD TMediaPlayer::Position() { return StatusItem(MCI_STATUS_POSITION); }

TMPModes TMediaPlayer::Mode() {
  // The service's modes 524..530 have the low bytes 12..18.
  const int low = static_cast<int>(StatusItem(MCI_STATUS_MODE) & 0xFF);
  return static_cast<TMPModes>(low - 12);
}

DWORD TMediaPlayer::TimeFormat() {
  CheckOpen();
  return StatusItem(MCI_STATUS_TIME_FORMAT) & 0xFF;
}

void TMediaPlayer::SetTimeFormat(DWORD format) {
  // Waited for rather than notified: a format change is not something the bar reacts to.
  MCI_SET_PARMS parms{};
  parms.dwTimeFormat = format;
  m_error = mciSendCommand(m_deviceId, MCI_SET, MCI_WAIT | MCI_SET_TIME_FORMAT, Param(parms));
}

DWORD TMediaPlayer::TrackCount() {
  CheckOpen();
  return StatusItem(MCI_STATUS_NUMBER_OF_TRACKS);
}

DWORD TMediaPlayer::TrackPosition(DWORD track) {
  MCI_STATUS_PARMS parms{};
  parms.dwItem = MCI_STATUS_POSITION;
  parms.dwTrack = track;
  mciSendCommand(m_deviceId, MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK | MCI_WAIT, Param(parms));
  return static_cast<DWORD>(parms.dwReturn);
}

// ---- Display ----------------------------------------------------------------------------------
void TMediaPlayer::SetDisplayWindow(HWND window) {
  MCI_DGV_WINDOW_PARMS parms{};
  parms.hWnd = window;
  m_error = mciSendCommand(m_deviceId, MCI_WINDOW, MCI_DGV_WINDOW_HWND | MCI_WAIT, Param(parms));
}

void TMediaPlayer::SetDisplay(TWinControl* control) {
  if (control && m_deviceOpen && m_hasVideo) {
    SetDisplayWindow(control->Handle());
    if (m_error == 0) {
      m_display = control;
      control->FreeNotification(this);
    } else {
      m_display = nullptr;
    }
    return;
  }
  m_display = control;
}

void TMediaPlayer::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component != nullptr && component == m_display) {
    if (m_deviceOpen && m_hasVideo) SetDisplayWindow(nullptr);
    m_display = nullptr;
  }
}

// ---- Buttons ----------------------------------------------------------------------------------
void TMediaPlayer::ButtonAction(TMPBtnType button) {
  switch (button) {
    case TMPBtnType::btPlay:
      Play();
      break;
    case TMPBtnType::btPause: {
      CheckOpen();
      const TMPModes mode = Mode();
      if (mode == TMPModes::mpPlaying)
        Pause();
      else if (mode == TMPModes::mpPaused)
        Resume();
      break;
    }
    case TMPBtnType::btStop:
      Stop();
      break;
    case TMPBtnType::btNext:
      Next();
      break;
    case TMPBtnType::btPrev:
      Previous();
      break;
    case TMPBtnType::btStep:
      Step();
      break;
    case TMPBtnType::btBack:
      Back();
      break;
    case TMPBtnType::btRecord:
      StartRecording();
      break;
    case TMPBtnType::btEject:
      Eject();
      break;
  }
}

// The automatic button set (with AutoEnable), as the device's life moves it. "Playable" means Play
// and Record as far as the device can do them.
//
//   event                                            automatic set afterwards
//   ----------------------------------------------  --------------------------------------------
//   Open succeeds                                    Next, Prev; Step and Back if it can step;
//                                                    Play, Record, Eject as it can (and then as
//                                                    after a Play click if it is already playing)
//   Open fails, or Close succeeds                    empty: every button unusable
//   mouse click on Play or Record, command done      minus Play and Record, plus Pause and Stop
//   mouse click on Pause, command done               plus playable (Pause and Stop stay)
//   mouse click on any other button, command done    plus playable, minus Pause and Stop
//   a click or Space whose command failed           unchanged, and the refusal is raised
//   Space on a button                                as the mouse click
//   completion notice, device stopped                plus playable, minus Pause and Stop
//   completion notice, device still playing          unchanged (a superseded command's notice)
//   a failure of the output while playing            a completion notice with the device stopped
//
// The main window shows Play only, on a sequencer that can play and nothing else: Play is
// unusable until a key's file is open, unusable while it plays, usable again at the end.
void TMediaPlayer::AutoButtonSet(TMPBtnType button) {
  const TButtonSet pauseStop = ButtonBit(TMPBtnType::btPause) | ButtonBit(TMPBtnType::btStop);
  const TButtonSet playRecord = ButtonBit(TMPBtnType::btPlay) | ButtonBit(TMPBtnType::btRecord);
  auto addPlayable = [this] {
    if (m_canPlay) m_autoButtons |= ButtonBit(TMPBtnType::btPlay);
    if (m_canRecord) m_autoButtons |= ButtonBit(TMPBtnType::btRecord);
  };
  switch (button) {
    case TMPBtnType::btPlay:
    case TMPBtnType::btRecord:
      m_autoButtons = static_cast<TButtonSet>(Without(m_autoButtons, playRecord) | pauseStop);
      break;
    case TMPBtnType::btPause:
      addPlayable();
      break;
    default:
      addPlayable();
      m_autoButtons = Without(m_autoButtons, pauseStop);
      break;
  }
}
