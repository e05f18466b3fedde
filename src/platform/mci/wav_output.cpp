// SPDX-License-Identifier: GPL-3.0-or-later
// The WAV file output: the sound a listener would have heard, written as it is played.
//
// Written by a thread of our own that renders a block, writes it and sleeps until the wall clock
// has caught up, rather than by FluidSynth's file renderer, which renders as fast as it can: a
// test of real-time playing (notification at the natural end, stop in the middle) must see the
// same timing as the sound card gives.
//
// The header's sizes follow the data block by block (data first, then the sizes), so the file is
// a readable WAV of what was played at every moment, even if the process is killed mid-way.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string_view>

#include "base/translation.h"
#include "platform/mci/audio_output.h"
#include "platform/mci/output_guard.h"

namespace mci {

namespace {

void PutLe32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void PutLe16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

// The canonical header of a PCM WAV file: the RIFF chunk's, the "fmt " chunk, and the "data"
// chunk's header, with the byte offsets of its fields.
constexpr std::size_t kHeaderBytes = 44;
constexpr off_t kRiffSizeOffset = 4;
constexpr off_t kWaveTagOffset = 8;
constexpr off_t kFormatBytesOffset = 16;
constexpr off_t kFormatOffset = 20;
constexpr off_t kChannelsOffset = 22;
constexpr off_t kSampleRateOffset = 24;
constexpr off_t kByteRateOffset = 28;
constexpr off_t kFrameBytesOffset = 32;
constexpr off_t kSampleBitsOffset = 34;
constexpr off_t kDataTagOffset = 36;
constexpr off_t kDataSizeOffset = 40;
// What the RIFF size counts beyond the data: the header after its own first eight bytes.
constexpr std::uint32_t kRiffOverhead = kHeaderBytes - 8;
constexpr std::uint32_t kFormatChunkBytes = 16;
constexpr std::uint16_t kPcmFormat = 1;
constexpr std::uint16_t kChannels = 2;
constexpr std::uint16_t kSampleBits = 16;
constexpr std::uint16_t kFrameBytes = kChannels * kSampleBits / 8;

void PutTag(unsigned char* at, std::string_view tag) { std::copy(tag.begin(), tag.end(), at); }

void MakeHeader(unsigned char header[kHeaderBytes], int sampleRate, std::uint32_t dataBytes) {
  PutTag(header, "RIFF");
  PutLe32(header + kRiffSizeOffset, kRiffOverhead + dataBytes);
  PutTag(header + kWaveTagOffset, "WAVEfmt ");
  PutLe32(header + kFormatBytesOffset, kFormatChunkBytes);
  PutLe16(header + kFormatOffset, kPcmFormat);
  PutLe16(header + kChannelsOffset, kChannels);
  PutLe32(header + kSampleRateOffset, static_cast<std::uint32_t>(sampleRate));
  PutLe32(header + kByteRateOffset, static_cast<std::uint32_t>(sampleRate) * kFrameBytes);
  PutLe16(header + kFrameBytesOffset, kFrameBytes);
  PutLe16(header + kSampleBitsOffset, kSampleBits);
  PutTag(header + kDataTagOffset, "data");
  PutLe32(header + kDataSizeOffset, dataBytes);
}

std::int16_t ToS16(float v) {
  const float scaled = std::round(std::clamp(v, -1.0f, 1.0f) * 32767.0f);
  return static_cast<std::int16_t>(scaled);
}

// Writes all of `size` bytes at `offset` (-1: at the file position), retrying short writes.
bool WriteAll(int fd, const void* data, std::size_t size, off_t offset = -1) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t n = offset < 0 ? ::write(fd, bytes, size) : ::pwrite(fd, bytes, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<std::size_t>(n);
    if (offset >= 0) offset += n;
  }
  return true;
}

// The two sizes of the header (RIFF chunk and data chunk) for `dataBytes` of samples.
bool WriteSizes(int fd, std::uint32_t dataBytes) {
  unsigned char riff[4];
  unsigned char data[4];
  PutLe32(riff, kRiffOverhead + dataBytes);
  PutLe32(data, dataBytes);
  return WriteAll(fd, riff, sizeof riff, kRiffSizeOffset) && WriteAll(fd, data, sizeof data, kDataSizeOffset);
}

// The writer thread's state. The thread owns it with the output, since a write that never returns
// (a pipe nobody reads, a network disk gone) leaves the thread behind when the output stops: the
// file is then closed by the thread itself, whenever the write returns.
class WavWriter {
 public:
  WavWriter(int fd, std::shared_ptr<RenderFeed> feed) : m_fd(fd), m_feed(std::move(feed)) {}

  void RequestStop() {
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_stopRequested = true;
    }
    m_wake.notify_all();
  }

  void Run() {
    const auto start = std::chrono::steady_clock::now();
    std::int64_t written = 0;
    float left[kBlock];
    float right[kBlock];
    std::int16_t pcm[kBlock * 2];
    for (;;) {
      const Sequencer::Rendered r = m_feed->Render(left, right, kBlock);
      for (int i = 0; i < r.frames; ++i) {
        pcm[2 * static_cast<std::size_t>(i)] = ToS16(left[i]);
        pcm[2 * static_cast<std::size_t>(i) + 1] = ToS16(right[i]);
      }
      if (r.frames > 0 && !Append(pcm, static_cast<std::uint32_t>(r.frames) * kFrameBytes)) {
        Close();
        m_feed->Finish(OutputOutcome::kFailed);
        return;
      }
      written += r.frames;
      if (r.ended) {
        m_feed->Finish(Close() ? OutputOutcome::kEnded : OutputOutcome::kFailed);
        return;
      }
      // Pace the wall clock: the block just written must not be ahead of real time.
      const auto due = start + std::chrono::microseconds(written * kMicrosecondsPerSecond / kSampleRate);
      std::unique_lock<std::mutex> lock(m_lock);
      if (m_wake.wait_until(lock, due, [this] { return m_stopRequested; })) break;
    }
    Close();
  }

 private:
  static constexpr int kBlock = 441;  // 10 ms
  static constexpr int kSampleRate = SoundSink::kSampleRate;
  static constexpr std::int64_t kMicrosecondsPerSecond = 1000000;

  // Writes a block, then the sizes that take it in. On failure (disk full, file too large, device
  // gone) the file is cut back to the samples the header already describes, so it stays a valid
  // WAV file of what was played; a file removed while playing fails too, as the sound goes nowhere.
  bool Append(const std::int16_t* pcm, std::uint32_t bytes) {
    struct stat st{};
    if (WriteAll(m_fd, pcm, bytes) && WriteSizes(m_fd, m_dataBytes + bytes) && ::fstat(m_fd, &st) == 0 &&
        st.st_nlink > 0) {
      m_dataBytes += bytes;
      return true;
    }
    m_closeOk = false;
    if (::ftruncate(m_fd, static_cast<off_t>(kHeaderBytes + m_dataBytes)) != 0) return false;
    WriteSizes(m_fd, m_dataBytes);
    return false;
  }

  // Closes the file, its header already current. False if anything failed on the way.
  bool Close() {
    if (m_fd < 0) return m_closeOk;
    m_closeOk = ::close(m_fd) == 0 && m_closeOk;
    m_fd = -1;
    return m_closeOk;
  }

  int m_fd;
  std::shared_ptr<RenderFeed> m_feed;
  std::uint32_t m_dataBytes = 0;
  bool m_closeOk = true;
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_stopRequested = false;
};

class WavOutput final : public AudioOutput {
 public:
  WavOutput(int fd, Sequencer* sequencer, OutputFinished finished)
      : m_feed(std::make_shared<RenderFeed>(sequencer, std::move(finished))),
        m_writer(std::make_shared<WavWriter>(fd, m_feed)),
        m_thread([writer = m_writer] { writer->Run(); }),
        m_watchdog(std::make_unique<StallWatchdog>(m_feed)) {}
  ~WavOutput() override { Stop(); }

  void Stop() override {
    m_watchdog.reset();
    m_writer->RequestStop();
    m_feed->Retire();
    m_thread.JoinWithin(kOutputReleaseLimit);
  }

 private:
  std::shared_ptr<RenderFeed> m_feed;
  std::shared_ptr<WavWriter> m_writer;
  BoundedThread m_thread;
  std::unique_ptr<StallWatchdog> m_watchdog;
};

}  // namespace

std::unique_ptr<AudioOutput> StartWavOutput(const std::string& path, Sequencer* sequencer,
                                            OutputFinished finished, std::string* error) {
  if (path.empty()) {
    *error = base::Translated("TESSIVO_AUDIO=wav: names no file to write the sound to.");
    return nullptr;
  }
  // Not blocking on the open: a pipe that nobody reads would hold the UI thread here for good.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0 || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    if (fd >= 0) ::close(fd);
    *error = base::TranslatedWith("The WAV file %s cannot be written.", {path});
    return nullptr;
  }
  unsigned char header[kHeaderBytes];
  MakeHeader(header, sequencer->SampleRate(), 0);
  if (!WriteAll(fd, header, sizeof header)) {
    ::close(fd);
    *error = base::TranslatedWith("The WAV file %s cannot be written.", {path});
    return nullptr;
  }
  return std::make_unique<WavOutput>(fd, sequencer, std::move(finished));
}

}  // namespace mci
