// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/fluid_api.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "base/runtime_library.h"

namespace mci {

namespace {

std::mutex g_logLock;
std::string g_lastProblem;  // error or warning
std::string g_lastNote;     // information and debugging notes: some refusals come only as these

// The library logs from its own threads too (audio drivers), hence the lock. Set
// TESSIVO_AUDIO_DEBUG to see every message on stderr while chasing a sound problem.
constexpr std::size_t kAlsaMessageBytes = 512;

void LogToMemory(int level, const char* message, void*) {
  if (message == nullptr) return;
  if (std::getenv("TESSIVO_AUDIO_DEBUG") != nullptr) {
    std::fprintf(stderr, "fluidsynth[%d]: %s\n", level, message);
  }
  std::lock_guard<std::mutex> lock(g_logLock);
  (level <= FLUID_WARN ? g_lastProblem : g_lastNote) = message;
}

// The ALSA library, which FluidSynth's ALSA driver brings in, prints its own complaints on stderr
// ("ALSA lib ...": eight lines when a machine has no sound card). They are kept as notes: the
// driver's own failure, which FluidSynth logs as an error, is the text the user is shown.
void AlsaToMemory(const char* file, int line, const char* function, int err, const char* format, ...) {
  (void)file;
  (void)line;
  (void)function;
  (void)err;
  if (format == nullptr) return;
  char text[kAlsaMessageBytes];
  std::va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  LogToMemory(FLUID_DBG, text, nullptr);
}

// Once loaded, the library logs to memory: its messages are kept for error texts.
void KeepLogsInMemory(const base::RuntimeLibrary& library, const FluidApi& api) {
  for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) {
    api.fluid_set_log_function(level, &LogToMemory, nullptr);
  }
  // Its helper libraries (instrument patch loading) report through glib's logging, which prints on
  // stderr by default. The program uses glib for nothing else, so glib's default goes to memory too.
  using GlibLogFunc = void (*)(const char*, int, const char*, void*);
  using SetDefaultHandler = GlibLogFunc (*)(GlibLogFunc, void*);
  if (auto setHandler = reinterpret_cast<SetDefaultHandler>(library.Symbol("g_log_set_default_handler"))) {
    setHandler(
        [](const char*, int, const char* message, void*) { LogToMemory(FLUID_WARN, message, nullptr); },
        nullptr);
  }
  using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetAlsaHandler = int (*)(AlsaErrorHandler);
  if (auto setHandler = reinterpret_cast<SetAlsaHandler>(library.Symbol("snd_lib_error_set_handler"))) {
    setHandler(&AlsaToMemory);
  }
}

}  // namespace

const FluidApi* LoadFluidApi(std::string* error) {
  // The library stays loaded for the rest of the run: its drivers keep threads and globals.
  static const base::KeptLibrary<FluidApi> library(
      {"The FluidSynth library", "libfluidsynth.so.3", "."},
      [](FluidApi& api) {
#define TESSIVO_FLUID_SLOT(name) base::FunctionSlot(#name, &api.name),
        return std::vector<base::FunctionSlot>{TESSIVO_FLUID_FUNCTIONS(TESSIVO_FLUID_SLOT)};
#undef TESSIVO_FLUID_SLOT
      },
      &KeepLogsInMemory);
  return library.Get(error);
}

std::string TakeFluidLogMessage() {
  std::lock_guard<std::mutex> lock(g_logLock);
  std::string message = g_lastProblem.empty() ? g_lastNote : g_lastProblem;
  g_lastProblem.clear();
  g_lastNote.clear();
  return message;
}

}  // namespace mci
