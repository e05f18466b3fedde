// The WAV file output: the sound a listener would have heard, written as it is played.
//
// Written by a thread of our own that renders a block, writes it and sleeps until the wall clock
// has caught up, rather than by FluidSynth's file renderer, which renders as fast as it can: a
// test of real-time playing (notification at the natural end, stop in the middle) must see the
// same timing as the sound card gives.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/mci/audio_output.h"

namespace mci {

namespace {

void PutLe32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void PutLe16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

void MakeHeader(unsigned char header[44], int sampleRate, std::uint32_t dataBytes) {
  std::memcpy(header, "RIFF", 4);
  PutLe32(header + 4, 36 + dataBytes);
  std::memcpy(header + 8, "WAVEfmt ", 8);
  PutLe32(header + 16, 16);
  PutLe16(header + 20, 1);  // PCM
  PutLe16(header + 22, 2);  // stereo
  PutLe32(header + 24, static_cast<std::uint32_t>(sampleRate));
  PutLe32(header + 28, static_cast<std::uint32_t>(sampleRate) * 4);
  PutLe16(header + 32, 4);
  PutLe16(header + 34, 16);
  std::memcpy(header + 36, "data", 4);
  PutLe32(header + 40, dataBytes);
}

std::int16_t ToS16(float v) {
  const float scaled = std::round(std::clamp(v, -1.0f, 1.0f) * 32767.0f);
  return static_cast<std::int16_t>(scaled);
}

class WavOutput final : public AudioOutput {
 public:
  WavOutput(std::FILE* file, Sequencer* sequencer, OutputFinished finished)
      : m_file(file), m_sequencer(sequencer), m_finished(std::move(finished)) {
    m_thread = std::thread([this] { Run(); });
  }
  ~WavOutput() override { Stop(); }

  void Stop() override {
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_stopRequested = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
    Finish();
  }

 private:
  static constexpr int kBlock = 441;  // 10 ms

  void Run() {
    const int rate = m_sequencer->SampleRate();
    const auto start = std::chrono::steady_clock::now();
    std::int64_t written = 0;
    float left[kBlock];
    float right[kBlock];
    std::int16_t pcm[kBlock * 2];
    for (;;) {
      const Sequencer::Rendered r = m_sequencer->Render(left, right, kBlock);
      for (int i = 0; i < r.frames; ++i) {
        pcm[2 * i] = ToS16(left[i]);
        pcm[2 * i + 1] = ToS16(right[i]);
      }
      if (r.frames > 0 &&
          std::fwrite(pcm, 4, static_cast<std::size_t>(r.frames), m_file) !=
              static_cast<std::size_t>(r.frames)) {
        Finish();
        m_finished(OutputOutcome::kFailed);
        return;
      }
      m_dataBytes += static_cast<std::uint32_t>(r.frames) * 4;
      written += r.frames;
      if (r.ended) {
        const bool ok = Finish();
        m_finished(ok ? OutputOutcome::kEnded : OutputOutcome::kFailed);
        return;
      }
      // Pace the wall clock: the block just written must not be ahead of real time.
      const auto due = start + std::chrono::microseconds(written * 1000000 / rate);
      std::unique_lock<std::mutex> lock(m_lock);
      if (m_wake.wait_until(lock, due, [this] { return m_stopRequested; })) return;
    }
  }

  // Fills in the header sizes and closes the file; runs once, on whichever thread gets here first
  // (the writer at the end, or Stop after joining it).
  bool Finish() {
    std::lock_guard<std::mutex> lock(m_fileLock);
    if (m_file == nullptr) return m_finishOk;
    unsigned char header[44];
    MakeHeader(header, m_sequencer->SampleRate(), m_dataBytes);
    bool ok = std::fflush(m_file) == 0 && std::fseek(m_file, 0, SEEK_SET) == 0 &&
              std::fwrite(header, 1, sizeof header, m_file) == sizeof header;
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    m_finishOk = ok;
    return ok;
  }

  std::FILE* m_file;
  Sequencer* m_sequencer;
  OutputFinished m_finished;
  std::uint32_t m_dataBytes = 0;
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_stopRequested = false;
  std::mutex m_fileLock;
  bool m_finishOk = true;
  std::thread m_thread;
};

}  // namespace

std::unique_ptr<AudioOutput> StartWavOutput(const std::string& path, Sequencer* sequencer,
                                            OutputFinished finished, std::string* error) {
  if (path.empty()) {
    *error = "TESSIVO_AUDIO=wav: names no file to write the sound to.";
    return nullptr;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    *error = "The WAV file " + path + " cannot be written.";
    return nullptr;
  }
  unsigned char header[44];
  MakeHeader(header, sequencer->SampleRate(), 0);
  if (std::fwrite(header, 1, sizeof header, file) != sizeof header) {
    std::fclose(file);
    *error = "The WAV file " + path + " cannot be written.";
    return nullptr;
  }
  return std::make_unique<WavOutput>(file, sequencer, std::move(finished));
}

}  // namespace mci
