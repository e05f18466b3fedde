// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/mci_device.h"

#include <utility>

#include "platform/window.h"

namespace mci {

namespace {

std::int64_t MsToUs(DWORD ms) { return static_cast<std::int64_t>(ms) * 1000; }
DWORD UsToMs(std::int64_t us) { return static_cast<DWORD>((us + 500) / 1000); }

}  // namespace

MciDevice::MciDevice(MCIDEVICEID id, MciDeviceHost* host, SoundSink* engine,
                     std::shared_ptr<const midi::Song> song)
    : m_id(id), m_host(host), m_engine(engine), m_sequencer(engine, std::move(song)) {
  m_playEndUs = m_sequencer.LengthUs();
}

MciDevice::~MciDevice() { StopOutput(); }

DWORD MciDevice::Mode() const {
  switch (m_mode) {
    case DeviceMode::kPlaying:
      return MCI_MODE_PLAY;
    case DeviceMode::kPaused:
      return MCI_MODE_PAUSE;
    case DeviceMode::kStopped:
      break;
  }
  return MCI_MODE_STOP;
}

void MciDevice::Post(DWORD_PTR callback, WPARAM code) const {
  if (callback == 0) return;
  PostMessage(reinterpret_cast<HWND>(callback), MM_MCINOTIFY, code, static_cast<LPARAM>(m_id));
}

void MciDevice::TakeNotifyRequest(DWORD flags, DWORD_PTR callback) {
  // A request that names no window cannot be answered; it leaves a pending one alone.
  if ((flags & MCI_NOTIFY) == 0 || callback == 0) return;
  if (m_pendingNotify != 0) Post(m_pendingNotify, MCI_NOTIFY_SUPERSEDED);
  m_pendingNotify = callback;
}

void MciDevice::AbortPending() {
  if (m_pendingNotify != 0) Post(std::exchange(m_pendingNotify, 0), MCI_NOTIFY_ABORTED);
}

void MciDevice::NotifyDone(DWORD flags, DWORD_PTR callback) {
  if ((flags & MCI_NOTIFY) == 0 || callback == 0) return;
  if (m_pendingNotify != 0) Post(std::exchange(m_pendingNotify, 0), MCI_NOTIFY_SUPERSEDED);
  Post(callback, MCI_NOTIFY_SUCCESSFUL);
}

void MciDevice::FinishPlay(WPARAM code) {
  if (m_pendingNotify != 0) Post(std::exchange(m_pendingNotify, 0), code);
}

void MciDevice::StopOutput() {
  if (m_output == nullptr) return;
  m_output->Stop();
  m_output.reset();
  ++m_generation;
  // Every note ends now: a stop, pause, seek or close is heard at once.
  m_engine->SilenceAndReset();
}

MCIERROR MciDevice::StartPlaying(std::int64_t fromUs, std::int64_t toUs, DWORD flags, DWORD_PTR callback) {
  m_host->StopOtherDevices(*this);
  StopOutput();
  m_sequencer.Start(fromUs, toUs);
  m_playEndUs = toUs;
  std::unique_ptr<AudioOutput> output;
  const std::uint32_t generation = m_generation;
  m_ended.store(0);
  if (MCIERROR error = m_host->StartOutput(*this, &m_sequencer, generation, &output); error != 0) {
    m_engine->SilenceAndReset();
    m_mode = DeviceMode::kStopped;
    AbortPending();
    return error;
  }
  m_output = std::move(output);
  m_mode = DeviceMode::kPlaying;
  TakeNotifyRequest(flags, callback);
  if (flags & MCI_WAIT) {
    m_output->RunToEnd();
    for (;;) {
      const std::uint64_t ended = m_ended.load();
      if (ended != 0 && (ended >> 1) == generation) break;
      m_ended.wait(ended);
    }
    PlaybackEnded(generation);
  }
  return 0;
}

MCIERROR MciDevice::Play(DWORD flags, const MCI_PLAY_PARMS* parms) {
  const std::int64_t length = LengthUs();
  std::int64_t from = (flags & MCI_FROM) ? MsToUs(parms->dwFrom) : m_sequencer.PositionUs();
  std::int64_t to = (flags & MCI_TO) ? MsToUs(parms->dwTo) : length;
  if ((flags & MCI_FROM) && parms->dwFrom > UsToMs(length)) return MCIERR_OUTOFRANGE;
  if ((flags & MCI_TO) && parms->dwTo > UsToMs(length)) return MCIERR_OUTOFRANGE;
  from = std::min(from, length);
  to = std::min(to, length);
  if (to < from) return MCIERR_OUTOFRANGE;
  return StartPlaying(from, to, flags, parms != nullptr ? parms->dwCallback : 0);
}

MCIERROR MciDevice::Pause(DWORD flags, const MCI_GENERIC_PARMS* parms) {
  if (m_mode == DeviceMode::kPlaying) {
    StopOutput();
    m_mode = DeviceMode::kPaused;
  }
  NotifyDone(flags, parms != nullptr ? parms->dwCallback : 0);
  return 0;
}

MCIERROR MciDevice::Resume(DWORD flags, const MCI_GENERIC_PARMS* parms) {
  const DWORD_PTR callback = parms != nullptr ? parms->dwCallback : 0;
  if (m_mode == DeviceMode::kPlaying) {
    TakeNotifyRequest(flags, callback);
    return 0;
  }
  if (m_mode != DeviceMode::kPaused) return MCIERR_NONAPPLICABLE_FUNCTION;
  return StartPlaying(m_sequencer.PositionUs(), m_playEndUs, flags, callback);
}

MCIERROR MciDevice::Stop(DWORD flags, const MCI_GENERIC_PARMS* parms) {
  StopOutput();
  m_mode = DeviceMode::kStopped;
  AbortPending();
  NotifyDone(flags, parms != nullptr ? parms->dwCallback : 0);
  return 0;
}

void MciDevice::Interrupt() {
  StopOutput();
  m_mode = DeviceMode::kStopped;
  AbortPending();
}

MCIERROR MciDevice::Seek(DWORD flags, const MCI_SEEK_PARMS* parms) {
  const int targets =
      ((flags & MCI_SEEK_TO_START) != 0) + ((flags & MCI_SEEK_TO_END) != 0) + ((flags & MCI_TO) != 0);
  if (targets == 0) return MCIERR_MISSING_PARAMETER;
  if (targets > 1) return MCIERR_FLAGS_NOT_COMPATIBLE;
  std::int64_t target = 0;
  if (flags & MCI_SEEK_TO_END) {
    target = LengthUs();
  } else if (flags & MCI_TO) {
    if (parms->dwTo > UsToMs(LengthUs())) return MCIERR_OUTOFRANGE;
    target = std::min(MsToUs(parms->dwTo), LengthUs());
  }
  StopOutput();
  m_mode = DeviceMode::kStopped;
  AbortPending();
  m_sequencer.SetPositionUs(target);
  m_playEndUs = LengthUs();
  NotifyDone(flags, parms != nullptr ? parms->dwCallback : 0);
  return 0;
}

MCIERROR MciDevice::Status(DWORD flags, MCI_STATUS_PARMS* parms) {
  if ((flags & MCI_STATUS_ITEM) == 0) return MCIERR_MISSING_PARAMETER;
  // A MIDI file is one track to this interface.
  if ((flags & MCI_TRACK) && parms->dwTrack != 1) return MCIERR_OUTOFRANGE;
  switch (parms->dwItem) {
    case MCI_STATUS_LENGTH:
      parms->dwReturn = UsToMs(LengthUs());
      break;
    case MCI_STATUS_POSITION:
      parms->dwReturn = (flags & (MCI_STATUS_START | MCI_TRACK)) ? 0 : UsToMs(m_sequencer.PositionUs());
      break;
    // One track, always the current one.
    case MCI_STATUS_NUMBER_OF_TRACKS:
    case MCI_STATUS_CURRENT_TRACK:
      parms->dwReturn = 1;
      break;
    case MCI_STATUS_MODE:
      parms->dwReturn = Mode();
      break;
    case MCI_STATUS_MEDIA_PRESENT:
    case MCI_STATUS_READY:
      parms->dwReturn = TRUE;
      break;
    case MCI_STATUS_TIME_FORMAT:
      parms->dwReturn = MCI_FORMAT_MILLISECONDS;
      break;
    default:
      return MCIERR_BAD_CONSTANT;
  }
  NotifyDone(flags, parms->dwCallback);
  return 0;
}

MCIERROR MciDevice::GetDevCaps(DWORD flags, MCI_GETDEVCAPS_PARMS* parms) {
  if ((flags & MCI_GETDEVCAPS_ITEM) == 0) return MCIERR_MISSING_PARAMETER;
  switch (parms->dwItem) {
    case MCI_GETDEVCAPS_CAN_PLAY:
    case MCI_GETDEVCAPS_HAS_AUDIO:
    case MCI_GETDEVCAPS_USES_FILES:
    case MCI_GETDEVCAPS_COMPOUND_DEVICE:
      parms->dwReturn = TRUE;
      break;
    case MCI_GETDEVCAPS_CAN_RECORD:
    case MCI_GETDEVCAPS_HAS_VIDEO:
    case MCI_GETDEVCAPS_CAN_EJECT:
    case MCI_GETDEVCAPS_CAN_SAVE:
      parms->dwReturn = FALSE;
      break;
    case MCI_GETDEVCAPS_DEVICE_TYPE:
      parms->dwReturn = MCI_DEVTYPE_SEQUENCER;
      break;
    default:
      return MCIERR_BAD_CONSTANT;
  }
  NotifyDone(flags, parms->dwCallback);
  return 0;
}

MCIERROR MciDevice::Set(DWORD flags, const MCI_SET_PARMS* parms) {
  if (flags & (MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED | MCI_SET_AUDIO | MCI_SET_VIDEO)) {
    return MCIERR_UNSUPPORTED_FUNCTION;
  }
  if ((flags & MCI_SET_TIME_FORMAT) == 0) return MCIERR_MISSING_PARAMETER;
  if (parms->dwTimeFormat != MCI_FORMAT_MILLISECONDS) return MCIERR_BAD_TIME_FORMAT;
  NotifyDone(flags, parms->dwCallback);
  return 0;
}

void MciDevice::Close(DWORD flags, const MCI_GENERIC_PARMS* parms) {
  StopOutput();
  m_mode = DeviceMode::kStopped;
  AbortPending();
  NotifyDone(flags, parms != nullptr ? parms->dwCallback : 0);
}

void MciDevice::MarkEnded(std::uint32_t generation, OutputOutcome outcome) {
  m_ended.store(std::uint64_t{generation} * 2 + (outcome == OutputOutcome::kFailed ? 1 : 0));
  m_ended.notify_all();
}

void MciDevice::PlaybackEnded(std::uint32_t generation) {
  const std::uint64_t ended = m_ended.load();
  if (ended == 0 || (ended >> 1) != generation || generation != m_generation ||
      m_mode != DeviceMode::kPlaying) {
    return;  // a late report of a play that was stopped or replaced since
  }
  const bool failed = (ended & 1) != 0;
  StopOutput();
  m_mode = DeviceMode::kStopped;
  FinishPlay(failed ? MCI_NOTIFY_FAILURE : MCI_NOTIFY_SUCCESSFUL);
}

}  // namespace mci
