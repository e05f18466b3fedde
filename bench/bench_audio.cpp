// SPDX-License-Identifier: GPL-3.0-or-later
// The multimedia service's costs: reading a key file, the first open (which loads the soundfont)
// with each installed soundfont, an open/close cycle once it is loaded, synthesis of a key file
// against the `fluidsynth` command synthesising the same file with the same soundfont and settings,
// the delay from Play to the first sound, how closely the WAV output keeps to real time, and
// closing a device while it plays.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/headless/headless_driver.h"
#include "platform/mci.h"
#include "platform/mci/midi_file.h"
#include "platform/mci/sequencer.h"
#include "platform/mci/sound_sink.h"
#include "platform/mci/synth_engine.h"

using namespace mci;

namespace {

// The benchmark lies in the build directory, beside the generated key files.
std::string BuildDirectory() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string exe(path, n > 0 ? static_cast<std::size_t>(n) : 0);
  return exe.substr(0, exe.find_last_of('/'));
}

const std::string kKeyFile = BuildDirectory() + "/do maior.MID";
const char* const kFluidR3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
const char* const kTimGm = "/usr/share/sounds/sf2/TimGM6mb.sf2";

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

MCIERROR OpenKeyFile(MCIDEVICEID* id) {
  MCI_OPEN_PARMS open{};
  open.lpstrElementName = kKeyFile.c_str();
  const MCIERROR error =
      mciSendCommand(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_ELEMENT, reinterpret_cast<DWORD_PTR>(&open));
  *id = open.wDeviceID;
  return error;
}

void BM_ReadKeyFile(benchmark::State& state) {
  for (auto _ : state) {
    midi::Song song;
    if (midi::ReadSongFile(kKeyFile, &song) != midi::ReadError::kNone) state.SkipWithError("read");
    benchmark::DoNotOptimize(song.events.data());
  }
}
BENCHMARK(BM_ReadKeyFile);

// The first MCI_OPEN of a run: reads the file, loads the soundfont (dynamic sample loading: only
// its preset headers) and makes the synthesizer.
void BM_FirstOpen(benchmark::State& state, const char* soundfont) {
  setenv("TESSIVO_SOUNDFONT", soundfont, 1);
  for (auto _ : state) {
    state.PauseTiming();
    ShutdownMci();
    state.ResumeTiming();
    MCIDEVICEID id = 0;
    if (OpenKeyFile(&id) != 0) state.SkipWithError("open");
    state.PauseTiming();
    mciSendCommand(id, MCI_CLOSE, MCI_WAIT, 0);
    state.ResumeTiming();
  }
  ShutdownMci();
  unsetenv("TESSIVO_SOUNDFONT");
}
BENCHMARK_CAPTURE(BM_FirstOpen, FluidR3_GM, kFluidR3)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_FirstOpen, TimGM6mb, kTimGm)->Unit(benchmark::kMillisecond)->Iterations(10);

// Choosing another key once the soundfont is loaded: close the device, open the next file.
void BM_OpenCloseCycle(benchmark::State& state) {
  MCIDEVICEID id = 0;
  if (const MCIERROR error = OpenKeyFile(&id); error != 0) {
    char text[512];
    mciGetErrorString(error, text, sizeof text);
    state.SkipWithError(text);
    return;
  }
  mciSendCommand(id, MCI_CLOSE, MCI_WAIT, 0);
  for (auto _ : state) {
    if (OpenKeyFile(&id) != 0) state.SkipWithError("open");
    mciSendCommand(id, MCI_CLOSE, MCI_WAIT, 0);
  }
}
// Bounded: identifiers are never reused and the player keeps them in 16 bits.
BENCHMARK(BM_OpenCloseCycle)->Unit(benchmark::kMicrosecond)->Iterations(5000);

// The first play after the first open: the piano's samples are loaded here (dynamic sample
// loading), on the UI thread, before the output starts. Output to a WAV file on /dev/null.
void BM_FirstPlay(benchmark::State& state, const char* soundfont) {
  headless::Session session;
  setenv("TESSIVO_SOUNDFONT", soundfont, 1);
  setenv("TESSIVO_AUDIO", "wav:/dev/null", 1);
  for (auto _ : state) {
    state.PauseTiming();
    ShutdownMci();
    MCIDEVICEID id = 0;
    if (OpenKeyFile(&id) != 0) state.SkipWithError("open");
    MCI_PLAY_PARMS play{};
    state.ResumeTiming();
    if (mciSendCommand(id, MCI_PLAY, 0, reinterpret_cast<DWORD_PTR>(&play)) != 0) {
      state.SkipWithError("play");
    }
    state.PauseTiming();
    mciSendCommand(id, MCI_CLOSE, MCI_WAIT, 0);
    state.ResumeTiming();
  }
  ShutdownMci();
  unsetenv("TESSIVO_AUDIO");
  unsetenv("TESSIVO_SOUNDFONT");
}
BENCHMARK_CAPTURE(BM_FirstPlay, FluidR3_GM, kFluidR3)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_FirstPlay, TimGM6mb, kTimGm)->Unit(benchmark::kMillisecond)->Iterations(5);

// Runs `fluidsynth ARGS...` with its output thrown away; returns its wall time in seconds, or -1
// when it fails.
double RunFluidsynthCommand(const std::vector<std::string>& args) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>("fluidsynth"));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp("fluidsynth", argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return SecondsSince(start);
}

// Seconds of 16-bit stereo audio in a WAV file of the rate the program uses (44-byte header).
double WavSeconds(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return 0;
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fclose(f);
  return size > 44 ? static_cast<double>(size - 44) / 4.0 / SoundSink::kSampleRate : 0;
}

// A MIDI file with no notes: the `fluidsynth` command given it starts, loads the soundfont, renders
// nothing and stops, which is its cost apart from synthesis.
std::string WriteSilentMidiFile() {
  const std::string path = "/tmp/tessivo-bench-silent.mid";
  const unsigned char bytes[] = {'M', 'T', 'h', 'd', 0,   0, 0, 6, 0, 0, 0,    1,    0,
                                 96,  'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0};
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f != nullptr) {
    std::fwrite(bytes, 1, sizeof bytes, f);
    std::fclose(f);
  }
  return path;
}

// Synthesis against synthesis: the key file rendered to a WAV file as fast as possible through the
// sequencer, and by the `fluidsynth` command with the same soundfont and the same settings (sample
// rate, gain, dynamic sample loading: only the samples the file plays are loaded, on both sides).
// Each side's start-up and soundfont load are measured apart (the command's by a run on a MIDI file
// without notes); the program renders the same tail as the command (the last chord dying away
// after the file's end), and synthesis is given as time per second of audio. ratio < 1: the
// program synthesises faster.
void BM_SynthesisVsFluidsynthCommand(benchmark::State& state, const char* soundfont) {
  setenv("TESSIVO_SOUNDFONT", soundfont, 1);
  const std::string ours = "/tmp/tessivo-bench-ours.wav";
  const std::string theirs = "/tmp/tessivo-bench-fluidsynth.wav";
  const std::vector<std::string> common = {"-ni",
                                           "-o",
                                           "synth.dynamic-sample-loading=1",
                                           "-r",
                                           std::to_string(SoundSink::kSampleRate),
                                           "-g",
                                           std::to_string(SynthEngine::kGain)};
  double oursLoadSeconds = 0;
  double oursRenderSeconds = 0;
  double oursAudioSeconds = 0;
  double theirsLoadSeconds = 0;
  double theirsSeconds = 0;
  double theirsAudioSeconds = 0;
  const std::string silent = WriteSilentMidiFile();
  for (auto _ : state) {
    std::vector<std::string> loadOnly = common;
    loadOnly.insert(loadOnly.end(), {"-F", "/dev/null", soundfont, silent});
    const double load = RunFluidsynthCommand(loadOnly);
    std::vector<std::string> render = common;
    render.insert(render.end(), {"-F", theirs, soundfont, kKeyFile});
    const double whole = RunFluidsynthCommand(render);
    if (load < 0 || whole < 0) {
      state.SkipWithError("fluidsynth command");
      break;
    }
    const double theirsAudio = WavSeconds(theirs);
    theirsLoadSeconds += load;
    theirsSeconds += whole;
    theirsAudioSeconds += theirsAudio;

    const auto start = std::chrono::steady_clock::now();
    SynthError error;
    std::string detail;
    auto engine = SynthEngine::Create(&error, &detail);
    auto song = std::make_shared<midi::Song>();
    if (engine == nullptr || midi::ReadSongFile(kKeyFile, song.get()) != midi::ReadError::kNone) {
      state.SkipWithError("synth");
      break;
    }
    Sequencer sequencer(engine.get(), song);
    sequencer.Start(0, song->lengthUs);
    oursLoadSeconds += SecondsSince(start);
    const auto renderStart = std::chrono::steady_clock::now();
    std::FILE* f = std::fopen(ours.c_str(), "wb");
    std::vector<std::int16_t> pcm(2 * 1024);
    float left[1024];
    float right[1024];
    std::int64_t frames = 0;
    auto write = [&](int count) {
      for (int i = 0; i < count; ++i) {
        pcm[2 * i] = static_cast<std::int16_t>(left[i] * 32767.0f);
        pcm[2 * i + 1] = static_cast<std::int16_t>(right[i] * 32767.0f);
      }
      std::fwrite(pcm.data(), 4, static_cast<std::size_t>(count), f);
      frames += count;
    };
    for (;;) {
      const Sequencer::Rendered r = sequencer.Render(left, right, 1024);
      write(r.frames);
      if (r.ended) break;
    }
    // The command goes on while the last chord dies away; the same tail here, so both sides
    // synthesise the same length of sound.
    const auto theirsFrames = static_cast<std::int64_t>(theirsAudio * SoundSink::kSampleRate);
    while (frames < theirsFrames) {
      const int count = static_cast<int>(std::min<std::int64_t>(1024, theirsFrames - frames));
      engine->Render(left, right, count);
      write(count);
    }
    std::fclose(f);
    oursRenderSeconds += SecondsSince(renderStart);
    oursAudioSeconds += static_cast<double>(frames) / SoundSink::kSampleRate;
  }
  const double n = static_cast<double>(state.iterations());
  const double oursPerAudioSecond = oursRenderSeconds / oursAudioSeconds;
  const double theirsPerAudioSecond = (theirsSeconds - theirsLoadSeconds) / theirsAudioSeconds;
  state.counters["ours_load_ms"] = oursLoadSeconds / n * 1000;
  state.counters["fluidsynth_load_ms"] = theirsLoadSeconds / n * 1000;
  state.counters["ours_audio_s"] = oursAudioSeconds / n;
  state.counters["fluidsynth_audio_s"] = theirsAudioSeconds / n;
  state.counters["ours_ms_per_audio_s"] = oursPerAudioSecond * 1000;
  state.counters["fluidsynth_ms_per_audio_s"] = theirsPerAudioSecond * 1000;
  state.counters["ratio"] = oursPerAudioSecond / theirsPerAudioSecond;
  std::remove(ours.c_str());
  std::remove(theirs.c_str());
  std::remove(silent.c_str());
  unsetenv("TESSIVO_SOUNDFONT");
}
BENCHMARK_CAPTURE(BM_SynthesisVsFluidsynthCommand, FluidR3_GM, kFluidR3)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_SynthesisVsFluidsynthCommand, TimGM6mb, kTimGm)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The delay a student hears after Play: from MCI_PLAY on an open sequencer device (the key was
// chosen before) to the first sample that is not silence written by the audio output. The output
// is a WAV file on tmpfs-like storage read back as it grows, so what is timed is the program's own
// work (the piano's samples loaded on the first play, the output started, the first block
// rendered); a sound card adds its driver's buffer, given apart from the FluidSynth defaults
// (audio.period-size x audio.periods) as driver_buffer_ms. Argument 0: the first play after
// opening; 1: a play after a stop and a seek to the start.
void BM_PlayToFirstSound(benchmark::State& state, const char* soundfont) {
  headless::Session session;
  const std::string path = "/tmp/tessivo-bench-play.wav";
  setenv("TESSIVO_SOUNDFONT", soundfont, 1);
  setenv("TESSIVO_AUDIO", ("wav:" + path).c_str(), 1);
  const bool replay = state.range(0) == 1;
  double total = 0;
  double worst = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ShutdownMci();
    std::remove(path.c_str());
    MCIDEVICEID id = 0;
    if (OpenKeyFile(&id) != 0) state.SkipWithError("open");
    MCI_PLAY_PARMS play{};
    if (replay) {
      mciSendCommand(id, MCI_PLAY, 0, reinterpret_cast<DWORD_PTR>(&play));
      mciSendCommand(id, MCI_STOP, MCI_WAIT, 0);
      mciSendCommand(id, MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_START, 0);
      std::remove(path.c_str());
    }
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    if (mciSendCommand(id, MCI_PLAY, 0, reinterpret_cast<DWORD_PTR>(&play)) != 0) {
      state.SkipWithError("play");
    }
    // Reads the file as it grows until a sample is not zero (at most five seconds).
    double heard = -1;
    const int fd = ::open(path.c_str(), O_RDONLY);
    off_t offset = 44;
    std::int16_t samples[4096];
    while (fd >= 0 && heard < 0 && SecondsSince(start) < 5) {
      const ssize_t got = pread(fd, samples, sizeof samples, offset);
      if (got <= 0) {
        usleep(50);
        continue;
      }
      const std::size_t count = static_cast<std::size_t>(got) / sizeof samples[0];
      for (std::size_t i = 0; i < count && heard < 0; ++i) {
        if (samples[i] != 0) heard = SecondsSince(start);
      }
      offset += static_cast<off_t>(count * sizeof samples[0]);
    }
    if (fd >= 0) ::close(fd);
    state.PauseTiming();
    if (heard < 0) state.SkipWithError("no sound within five seconds");
    total += heard;
    worst = std::max(worst, heard);
    mciSendCommand(id, MCI_CLOSE, MCI_WAIT, 0);
    state.ResumeTiming();
  }
  // The sound card's share: what FluidSynth's drivers buffer by default.
  SynthError error;
  std::string detail;
  if (auto engine = SynthEngine::Create(&error, &detail)) {
    int periodSize = 0;
    int periods = 0;
    engine->Api().fluid_settings_getint(engine->Settings(), "audio.period-size", &periodSize);
    engine->Api().fluid_settings_getint(engine->Settings(), "audio.periods", &periods);
    state.counters["driver_buffer_ms"] = 1000.0 * periodSize * periods / SoundSink::kSampleRate;
  }
  state.counters["play_to_sound_ms"] = total / static_cast<double>(state.iterations()) * 1000;
  state.counters["worst_ms"] = worst * 1000;
  ShutdownMci();
  std::remove(path.c_str());
  unsetenv("TESSIVO_AUDIO");
  unsetenv("TESSIVO_SOUNDFONT");
}
BENCHMARK_CAPTURE(BM_PlayToFirstSound, FluidR3_GM, kFluidR3)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK_CAPTURE(BM_PlayToFirstSound, TimGM6mb, kTimGm)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// A MIDI file of `notes` quarter notes at the default tempo (half a second each), one channel.
std::string WriteNotesMidiFile(int notes) {
  const std::string path = "/tmp/tessivo-bench-notes.mid";
  constexpr unsigned char kQuarter = 96;
  std::vector<unsigned char> events = {0x00, 0xC0, 0x00};
  for (int i = 0; i < notes; ++i) {
    const unsigned char pitch = static_cast<unsigned char>(60 + 4 * (i % 3));
    events.insert(events.end(), {0x00, 0x90, pitch, 100, kQuarter, 0x80, pitch, 0});
  }
  events.insert(events.end(), {0x00, 0xFF, 0x2F, 0x00});
  std::vector<unsigned char> bytes = {
      'M', 'T', 'h',      'd', 0,   0,   0,   6, 0, 0, 0,
      1,   0,   kQuarter, 'M', 'T', 'r', 'k', 0, 0, 0, static_cast<unsigned char>(events.size())};
  bytes.insert(bytes.end(), events.begin(), events.end());
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  return path;
}

MCIERROR OpenFile(const std::string& path, MCIDEVICEID* id) {
  MCI_OPEN_PARMS open{};
  open.lpstrElementName = path.c_str();
  const MCIERROR error =
      mciSendCommand(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_ELEMENT, reinterpret_cast<DWORD_PTR>(&open));
  *id = open.wDeviceID;
  return error;
}

DWORD Mode(MCIDEVICEID id) {
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_MODE;
  mciSendCommand(id, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status));
  return static_cast<DWORD>(status.dwReturn);
}

// The WAV output keeps to the wall clock as a sound card does: a file of three half-second notes
// played from MCI_PLAY to the end of playing, against the file's length (ratio 1: real time; the
// excess is the output's start and end).
void BM_WavOutputPace(benchmark::State& state) {
  headless::Session session;
  constexpr int kNotes = 3;
  constexpr double kSongSeconds = kNotes * 0.5;
  const std::string song = WriteNotesMidiFile(kNotes);
  setenv("TESSIVO_AUDIO", "wav:/dev/null", 1);
  double total = 0;
  for (auto _ : state) {
    MCIDEVICEID id = 0;
    if (OpenFile(song, &id) != 0) {
      state.SkipWithError("open");
      break;
    }
    MCI_PLAY_PARMS play{};
    const auto start = std::chrono::steady_clock::now();
    if (mciSendCommand(id, MCI_PLAY, 0, reinterpret_cast<DWORD_PTR>(&play)) != 0) {
      state.SkipWithError("play");
      break;
    }
    while (Mode(id) == MCI_MODE_PLAY && SecondsSince(start) < 10 * kSongSeconds) {
      headless::PumpUntilIdle();
      usleep(1000);
    }
    const double seconds = SecondsSince(start);
    state.SetIterationTime(seconds);
    total += seconds;
    mciSendCommand(id, MCI_CLOSE, MCI_WAIT, 0);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["wall_per_audio_s"] = total / n / kSongSeconds;
  state.counters["beyond_length_ms"] = (total / n - kSongSeconds) * 1000;
  ShutdownMci();
  std::remove(song.c_str());
  unsetenv("TESSIVO_AUDIO");
}
BENCHMARK(BM_WavOutputPace)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// Closing a device while it plays, as closing the main window does: MCI_CLOSE stops the output
// and waits for its thread.
void BM_CloseWhilePlaying(benchmark::State& state) {
  headless::Session session;
  setenv("TESSIVO_AUDIO", "wav:/dev/null", 1);
  constexpr auto kPlayingFor = std::chrono::milliseconds(200);
  for (auto _ : state) {
    MCIDEVICEID id = 0;
    MCI_PLAY_PARMS play{};
    if (OpenKeyFile(&id) != 0 || mciSendCommand(id, MCI_PLAY, 0, reinterpret_cast<DWORD_PTR>(&play)) != 0) {
      state.SkipWithError("open and play");
      break;
    }
    std::this_thread::sleep_for(kPlayingFor);
    const auto start = std::chrono::steady_clock::now();
    mciSendCommand(id, MCI_CLOSE, MCI_WAIT, 0);
    state.SetIterationTime(SecondsSince(start));
  }
  ShutdownMci();
  unsetenv("TESSIVO_AUDIO");
}
BENCHMARK(BM_CloseWhilePlaying)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
