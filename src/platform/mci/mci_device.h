// SPDX-License-Identifier: GPL-3.0-or-later
// One open sequencer device: a song, its playing cursor, its output while playing, and the
// notification that a caller is waiting for.
//
// Runs on the UI thread. The output's rendering thread reports the end of playing only by setting
// an atomic and posting a message to the service's window, which calls PlaybackEnded here.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/mci.h"
#include "platform/mci/audio_output.h"
#include "platform/mci/sequencer.h"

namespace mci {

class MciDevice;

// What a device needs from the service around it.
class MciDeviceHost {
 public:
  virtual ~MciDeviceHost() = default;
  // Starts the output that TESSIVO_AUDIO and the backend call for, rendering `sequencer`; its end
  // is reported for `generation`. Returns 0 or an error code (its text recorded by the host).
  virtual MCIERROR StartOutput(MciDevice& device, Sequencer* sequencer, std::uint32_t generation,
                               std::unique_ptr<AudioOutput>* output) = 0;
  // The synthesizer has one set of voices: any other device that is playing stops.
  virtual void StopOtherDevices(MciDevice& device) = 0;
};

class MciDevice {
 public:
  MciDevice(MCIDEVICEID id, MciDeviceHost* host, SoundSink* engine, std::shared_ptr<const midi::Song> song);
  ~MciDevice();
  MciDevice(const MciDevice&) = delete;
  MciDevice& operator=(const MciDevice&) = delete;

  MCIDEVICEID Id() const { return m_id; }
  DWORD Mode() const;
  bool IsPlaying() const { return m_mode == DeviceMode::kPlaying; }

  MCIERROR Play(DWORD flags, const MCI_PLAY_PARMS* parms);
  MCIERROR Pause(DWORD flags, const MCI_GENERIC_PARMS* parms);
  MCIERROR Resume(DWORD flags, const MCI_GENERIC_PARMS* parms);
  MCIERROR Stop(DWORD flags, const MCI_GENERIC_PARMS* parms);
  MCIERROR Seek(DWORD flags, const MCI_SEEK_PARMS* parms);
  MCIERROR Status(DWORD flags, MCI_STATUS_PARMS* parms);
  MCIERROR GetDevCaps(DWORD flags, MCI_GETDEVCAPS_PARMS* parms);
  MCIERROR Set(DWORD flags, const MCI_SET_PARMS* parms);
  // Stops everything and aborts a pending notification; the device is then forgotten.
  void Close(DWORD flags, const MCI_GENERIC_PARMS* parms);
  // Another device takes the synthesizer: stop as MCI_STOP would, without a notification of its own.
  void Interrupt();

  // From the output's rendering thread: remember that the play of `generation` is over.
  void MarkEnded(std::uint32_t generation, OutputOutcome outcome);
  // On the UI thread, when the service's window hears of the end of `generation`.
  void PlaybackEnded(std::uint32_t generation);

 private:
  enum class DeviceMode { kStopped, kPlaying, kPaused };

  MCIERROR StartPlaying(std::int64_t fromUs, std::int64_t toUs, DWORD flags, DWORD_PTR callback);
  void StopOutput();
  void FinishPlay(WPARAM code);
  void Post(DWORD_PTR callback, WPARAM code) const;
  // A new notification request from `callback` supersedes a pending one.
  void TakeNotifyRequest(DWORD flags, DWORD_PTR callback);
  void AbortPending();
  // Commands that complete at once notify success at once.
  void NotifyDone(DWORD flags, DWORD_PTR callback);
  std::int64_t LengthUs() const { return m_sequencer.LengthUs(); }

  MCIDEVICEID m_id;
  MciDeviceHost* m_host;
  SoundSink* m_engine;  // the program's synthesizer, or the page's (page_output.h)
  Sequencer m_sequencer;
  std::unique_ptr<AudioOutput> m_output;
  DeviceMode m_mode = DeviceMode::kStopped;
  std::int64_t m_playEndUs = 0;    // end of the range being played (for resume)
  DWORD_PTR m_pendingNotify = 0;   // callback window of the play waiting for its end; 0 none
  std::uint32_t m_generation = 1;  // bumped whenever an output stops, so late ends are ignored
  // Written by the rendering thread: generation * 2 + (1 if the output failed), 0 if none.
  std::atomic<std::uint64_t> m_ended{0};
};

}  // namespace mci
