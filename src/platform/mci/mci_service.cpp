// SPDX-License-Identifier: GPL-3.0-or-later
// mciSendCommand: the device table, opening files as sequencer devices, the choice of output, and
// the window through which the rendering threads report the end of playing to the UI thread.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "base/cp1252.h"
#include "platform/mci.h"
#include "platform/mci/mci_device.h"
#include "platform/mci/mci_errors.h"
#include "platform/mci/media_path.h"
#ifdef __EMSCRIPTEN__
#include "platform/mci/page_output.h"
#endif
#include "base/translation.h"
#include "platform/virtual_clock.h"
#include "platform/window.h"
#include "platform/window/platform_state.h"

namespace mci {
namespace {

// Posted by a rendering thread to the service window: wParam the device, lParam the generation.
constexpr UINT kMsgPlaybackEnded = WM_USER + 1;
constexpr char kWindowClass[] = "TessivoSequencerEvents";

// Device identifiers are never reused, not even by the next run's service, so that a stale one
// never names another device (UI thread).
MCIDEVICEID g_nextDeviceId = 1;

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool HasMidiExtension(const std::string& name) {
  const auto dot = name.find_last_of('.');
  const auto slash = name.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  const std::string_view ext = std::string_view(name).substr(dot + 1);
  return EqualsIgnoreCase(ext, "mid") || EqualsIgnoreCase(ext, "midi") || EqualsIgnoreCase(ext, "rmi");
}

// One per run, made at the first command and owned by the run, which ends it before its windows
// go (or ShutdownMci, sooner). It renders offline on the display's own clock where the display has
// one (the headless display's virtual clock), else through a sound output.
class MciService final : public MciDeviceHost, public window::RunService {
 public:
  explicit MciService(VirtualClock* clock) : m_clock(clock) {}
  // Devices go first: they silence the synthesizer as they stop; then the window their end
  // reports travel through.
  ~MciService() override;
  MCIERROR Send(MCIDEVICEID id, UINT command, DWORD flags, DWORD_PTR param);
  bool OfflineAudioOf(MCIDEVICEID id, OfflineAudio* audio) const;
  void PlaybackEnded(MCIDEVICEID id, std::uint32_t generation) {
    if (auto it = m_devices.find(id); it != m_devices.end()) it->second->PlaybackEnded(generation);
  }

  MCIERROR StartOutput(MciDevice& device, Sequencer* sequencer, std::uint32_t generation,
                       std::unique_ptr<AudioOutput>* output) override;
  void StopOtherDevices(MciDevice& device) override {
    for (auto& [id, other] : m_devices) {
      if (other.get() != &device && other->IsPlaying()) other->Interrupt();
    }
  }

 private:
  MCIERROR Open(DWORD flags, MCI_OPEN_PARMS* parms);
  MCIERROR CloseDevice(MCIDEVICEID id, DWORD flags, const MCI_GENERIC_PARMS* parms);
  MCIERROR EnsureWindow();
  // Makes the synthesizer every device plays into, at the first open.
  MCIERROR MakeSynth();
  SoundSink* Synth() const {
#ifdef __EMSCRIPTEN__
    if (m_pageSynth != nullptr) return m_pageSynth.get();
#endif
    return m_engine.get();
  }
  MCIERROR Fail(MCIERROR code, const std::string& detail) {
    SetMciErrorDetail(code, detail);
    return code;
  }

  std::map<MCIDEVICEID, std::unique_ptr<MciDevice>> m_devices;
  std::unique_ptr<SynthEngine> m_engine;
#ifdef __EMSCRIPTEN__
  std::unique_ptr<PageSynth> m_pageSynth;  // in a page: its synthesizer, in place of m_engine
#endif
  HWND m_window = nullptr;
  VirtualClock* const m_clock;  // set: render offline on it
  std::map<MCIDEVICEID, std::shared_ptr<std::vector<float>>> m_offline;
};

// The run's service, made on first use; nullptr while no platform runs.
MciService* Service() {
  if (auto* service = window::ServiceOf<MciService>(window::ServiceSlot::kMultimedia)) return service;
  window::PlatformState* running = window::RunningPlatform();
  if (running == nullptr) return nullptr;
  auto made = std::make_unique<MciService>(running->backend.OwnClock());
  MciService* service = made.get();
  return window::AdoptService(window::ServiceSlot::kMultimedia, std::move(made)) ? service : nullptr;
}

LRESULT ServiceWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kMsgPlaybackEnded) {
    if (auto* service = window::ServiceOf<MciService>(window::ServiceSlot::kMultimedia)) {
      service->PlaybackEnded(static_cast<MCIDEVICEID>(wParam), static_cast<std::uint32_t>(lParam));
    }
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

MCIERROR MciService::EnsureWindow() {
  if (m_window != nullptr && IsWindow(m_window)) return 0;
  WNDCLASS wc{};
  if (!GetClassInfo(nullptr, kWindowClass, &wc)) {
    wc.lpfnWndProc = &ServiceWindowProc;
    wc.lpszClassName = kWindowClass;
    if (RegisterClass(&wc) == 0) return MCIERR_CREATEWINDOW;
  }
  // Never shown: it only receives the rendering threads' end reports on the UI thread.
  m_window = CreateWindowEx(0, kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  return m_window != nullptr ? 0 : MCIERR_CREATEWINDOW;
}

MCIERROR MciService::Open(DWORD flags, MCI_OPEN_PARMS* parms) {
  if (flags & (MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT_ID)) return MCIERR_FLAGS_NOT_COMPATIBLE;
  const bool typed = (flags & MCI_OPEN_TYPE) != 0;
  if (typed) {
    const char* type = parms->lpstrDeviceType != nullptr ? parms->lpstrDeviceType : "";
    if (!EqualsIgnoreCase(type, "sequencer")) {
      static const char* const kKnown[] = {"animation",    "avivideo", "cdaudio",   "dat",
                                           "digitalvideo", "mmmovie",  "other",     "overlay",
                                           "scanner",      "vcr",      "videodisc", "waveaudio"};
      for (const char* known : kKnown) {
        if (EqualsIgnoreCase(type, known)) return MCIERR_DEVICE_NOT_INSTALLED;
      }
      return MCIERR_INVALID_DEVICE_NAME;
    }
  }
  if ((flags & MCI_OPEN_ELEMENT) == 0) {
    return typed ? MCIERR_FILENAME_REQUIRED : MCIERR_MISSING_PARAMETER;
  }
  if (parms->lpstrElementName == nullptr || *parms->lpstrElementName == '\0') {
    return MCIERR_FILENAME_REQUIRED;
  }
  const std::string name = text::Cp1252ToUtf8(parms->lpstrElementName);
  if (!typed && !HasMidiExtension(name)) return MCIERR_EXTENSION_NOT_FOUND;
  if (g_nextDeviceId >= 0xFFFF) return kMciErrTooManyDevices;

  auto song = std::make_shared<midi::Song>();
  const std::string path = ResolveMediaPath(name, ProgramDirectory());
  if (midi::ReadError e = midi::ReadSongFile(path, song.get()); e != midi::ReadError::kNone) {
    const MCIERROR code = MciErrorForRead(e);
    if (e == midi::ReadError::kFileNotFound) return code;
    return Fail(code, "\"" + name + "\": " + midi::ReadErrorText(e));
  }
  if (Synth() == nullptr) {
    if (MCIERROR e = MakeSynth(); e != 0) return e;
  }
  const MCIDEVICEID id = g_nextDeviceId++;
  m_devices.emplace(id, std::make_unique<MciDevice>(id, this, Synth(), std::move(song)));
  parms->wDeviceID = id;
  if ((flags & MCI_NOTIFY) && parms->dwCallback != 0) {
    PostMessage(reinterpret_cast<HWND>(parms->dwCallback), MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL,
                static_cast<LPARAM>(id));
  }
  return 0;
}

MCIERROR MciService::MakeSynth() {
#ifdef __EMSCRIPTEN__
  // In a page the synthesizer is the page's: nothing of FluidSynth is loaded into the program.
  if (PageHasSynth()) {
    m_pageSynth = std::make_unique<PageSynth>();
    return 0;
  }
#endif
  SynthError error = SynthError::kNone;
  std::string detail;
  m_engine = SynthEngine::Create(&error, &detail);
  return m_engine != nullptr ? 0 : Fail(MciErrorForSynth(error), detail);
}

MCIERROR MciService::StartOutput(MciDevice& device, Sequencer* sequencer, std::uint32_t generation,
                                 std::unique_ptr<AudioOutput>* output) {
  const AudioChoice choice = ParseAudioChoice(std::getenv("TESSIVO_AUDIO"));
  if (choice.kind == AudioChoice::Kind::kNone) {
    return Fail(kMciErrAudioNone, base::Translated("Sound output is turned off (TESSIVO_AUDIO=none), so the "
                                                   "MIDI file cannot be played."));
  }
  if (MCIERROR e = EnsureWindow(); e != 0) return e;
  const HWND window = m_window;
  const MCIDEVICEID id = device.Id();
  MciDevice* target = &device;
  OutputFinished finished = [window, id, target, generation](OutputOutcome outcome) {
    target->MarkEnded(generation, outcome);
    PostMessage(window, kMsgPlaybackEnded, id, static_cast<LPARAM>(generation));
  };
  std::string error;
  if (choice.kind == AudioChoice::Kind::kAuto && m_clock != nullptr) {
    auto& capture = m_offline[id];
    if (capture == nullptr) capture = std::make_shared<std::vector<float>>();
    *output = std::make_unique<OfflineOutput>(m_clock, sequencer, std::move(finished), capture);
    return 0;
  }
#ifdef __EMSCRIPTEN__
  if (m_pageSynth != nullptr) {
    *output = StartPageOutput(m_pageSynth.get(), sequencer, std::move(finished), &error);
    return *output != nullptr ? 0 : Fail(kMciErrAudioOutput, error);
  }
#endif
  if (choice.kind == AudioChoice::Kind::kWav) {
    *output = StartWavOutput(choice.value, sequencer, std::move(finished), &error);
    return *output != nullptr ? 0 : Fail(kMciErrWavFile, error);
  }
  *output = StartDriverOutput(m_engine.get(), choice.value, sequencer, std::move(finished), &error);
  return *output != nullptr ? 0 : Fail(kMciErrAudioOutput, error);
}

MCIERROR MciService::CloseDevice(MCIDEVICEID id, DWORD flags, const MCI_GENERIC_PARMS* parms) {
  auto it = m_devices.find(id);
  if (it == m_devices.end()) return MCIERR_INVALID_DEVICE_ID;
  it->second->Close(flags, parms);
  m_devices.erase(it);
  return 0;
}

MCIERROR MciService::Send(MCIDEVICEID id, UINT command, DWORD flags, DWORD_PTR param) {
  // Records every command needs, and those that only the flags call for.
  const bool needsRecord = command == MCI_OPEN || command == MCI_STATUS || command == MCI_GETDEVCAPS ||
                           command == MCI_SET || (flags & (MCI_NOTIFY | MCI_FROM | MCI_TO)) != 0;
  if (param == 0 && needsRecord) return MCIERR_NULL_PARAMETER_BLOCK;
  if (command == MCI_OPEN) return Open(flags, reinterpret_cast<MCI_OPEN_PARMS*>(param));
  if (command == MCI_CLOSE && id == MCI_ALL_DEVICE_ID) {
    while (!m_devices.empty()) CloseDevice(m_devices.begin()->first, 0, nullptr);
    return 0;
  }
  const auto generic = reinterpret_cast<const MCI_GENERIC_PARMS*>(param);
  if (command == MCI_CLOSE) return CloseDevice(id, flags, generic);
  auto it = m_devices.find(id);
  if (it == m_devices.end()) return MCIERR_INVALID_DEVICE_ID;
  MciDevice& device = *it->second;
  switch (command) {
    case MCI_PLAY:
      return device.Play(flags, reinterpret_cast<const MCI_PLAY_PARMS*>(param));
    case MCI_PAUSE:
      return device.Pause(flags, generic);
    case MCI_RESUME:
      return device.Resume(flags, generic);
    case MCI_STOP:
      return device.Stop(flags, generic);
    case MCI_SEEK:
      return device.Seek(flags, reinterpret_cast<const MCI_SEEK_PARMS*>(param));
    case MCI_STATUS:
      return device.Status(flags, reinterpret_cast<MCI_STATUS_PARMS*>(param));
    case MCI_GETDEVCAPS:
      return device.GetDevCaps(flags, reinterpret_cast<MCI_GETDEVCAPS_PARMS*>(param));
    case MCI_SET:
      return device.Set(flags, reinterpret_cast<const MCI_SET_PARMS*>(param));
    // What a sequencer has no means for: recording, video, windows, frames, doors, editing.
    case MCI_RECORD:
    case MCI_STEP:
    case MCI_WHERE:
    case MCI_WINDOW:
    case MCI_PUT:
    case MCI_FREEZE:
    case MCI_UNFREEZE:
    case MCI_REALIZE:
    case MCI_SPIN:
    case MCI_ESCAPE:
    case MCI_CUE:
    case MCI_SAVE:
    case MCI_LOAD:
    case MCI_CUT:
    case MCI_COPY:
    case MCI_PASTE:
    case MCI_UPDATE:
    case MCI_DELETE:
    case MCI_INFO:
    case MCI_SYSINFO:
    case MCI_BREAK:
      return MCIERR_UNSUPPORTED_FUNCTION;
    default:
      return MCIERR_UNRECOGNIZED_COMMAND;
  }
}

MciService::~MciService() {
  m_devices.clear();
  m_offline.clear();
  m_engine.reset();
#ifdef __EMSCRIPTEN__
  m_pageSynth.reset();
#endif
  if (m_window != nullptr && IsWindow(m_window)) DestroyWindow(m_window);
}

bool MciService::OfflineAudioOf(MCIDEVICEID id, OfflineAudio* audio) const {
  const auto it = m_offline.find(id);
  if (it == m_offline.end()) return false;
  audio->sampleRate = SynthEngine::kSampleRate;
  audio->samples = *it->second;
  return true;
}

}  // namespace

bool GetOfflineAudio(MCIDEVICEID id, OfflineAudio* audio) {
  const auto* service = window::ServiceOf<MciService>(window::ServiceSlot::kMultimedia);
  return service != nullptr && service->OfflineAudioOf(id, audio);
}

}  // namespace mci

MCIERROR mciSendCommand(MCIDEVICEID deviceId, UINT command, DWORD_PTR flags, DWORD_PTR param) {
  mci::MciService* service = mci::Service();
  if (service == nullptr) return mci::kMciErrNoPlatform;
  return service->Send(deviceId, command, static_cast<DWORD>(flags), param);
}

void ShutdownMci() { window::EndService(window::ServiceSlot::kMultimedia); }
