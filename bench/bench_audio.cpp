// The multimedia service's costs: reading a key file, the first open (which loads the soundfont)
// with each installed soundfont, an open/close cycle once it is loaded, and offline synthesis of a
// key file against the `fluidsynth` command rendering the same file with the same soundfont.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/backend/headless/headless.h"
#include "platform/mci.h"
#include "platform/mci/midi_file.h"
#include "platform/mci/sequencer.h"
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
  const MCIERROR error = mciSendCommand(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_ELEMENT,
                                       reinterpret_cast<DWORD_PTR>(&open));
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

// Renders the key file to a WAV file as fast as possible through the sequencer (soundfont load
// included, as the command has to load it too) and runs `fluidsynth -ni -F out.wav SF2 FILE` on
// the same file and soundfont; ratio < 1 means the program is faster.
void BM_OfflineRenderVsFluidsynthCommand(benchmark::State& state, const char* soundfont) {
  setenv("TESSIVO_SOUNDFONT", soundfont, 1);
  const std::string ours = "/tmp/tessivo-bench-ours.wav";
  const std::string theirs = "/tmp/tessivo-bench-fluidsynth.wav";
  double oursSeconds = 0;
  double theirsSeconds = 0;
  double songSeconds = 0;
  double renderSeconds = 0;  // synthesis alone, without loading the soundfont
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    {
      SynthError error;
      std::string detail;
      auto engine = SynthEngine::Create(&error, &detail);
      auto song = std::make_shared<midi::Song>();
      if (engine == nullptr || midi::ReadSongFile(kKeyFile, song.get()) != midi::ReadError::kNone) {
        state.SkipWithError("synth");
        break;
      }
      songSeconds = static_cast<double>(song->lengthUs) / 1e6;
      Sequencer sequencer(engine.get(), song);
      sequencer.Start(0, song->lengthUs);
      const auto renderStart = std::chrono::steady_clock::now();
      std::FILE* f = std::fopen(ours.c_str(), "wb");
      std::vector<std::int16_t> pcm(2 * 1024);
      float left[1024];
      float right[1024];
      for (;;) {
        const Sequencer::Rendered r = sequencer.Render(left, right, 1024);
        for (int i = 0; i < r.frames; ++i) {
          pcm[2 * i] = static_cast<std::int16_t>(left[i] * 32767.0f);
          pcm[2 * i + 1] = static_cast<std::int16_t>(right[i] * 32767.0f);
        }
        std::fwrite(pcm.data(), 4, static_cast<std::size_t>(r.frames), f);
        if (r.ended) break;
      }
      std::fclose(f);
      renderSeconds += SecondsSince(renderStart);
    }
    oursSeconds += SecondsSince(start);

    start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
      const int null = ::open("/dev/null", 1);
      dup2(null, 1);
      dup2(null, 2);
      execlp("fluidsynth", "fluidsynth", "-ni", "-F", theirs.c_str(), soundfont, kKeyFile.c_str(),
             static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    theirsSeconds += SecondsSince(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("fluidsynth command");
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["ours_ms"] = oursSeconds / n * 1000;
  state.counters["fluidsynth_ms"] = theirsSeconds / n * 1000;
  state.counters["ratio"] = oursSeconds / theirsSeconds;
  state.counters["x_realtime"] = songSeconds / (oursSeconds / n);
  state.counters["render_ms"] = renderSeconds / n * 1000;
  std::remove(ours.c_str());
  std::remove(theirs.c_str());
  unsetenv("TESSIVO_SOUNDFONT");
}
BENCHMARK_CAPTURE(BM_OfflineRenderVsFluidsynthCommand, FluidR3_GM, kFluidR3)
    ->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_OfflineRenderVsFluidsynthCommand, TimGM6mb, kTimGm)
    ->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
