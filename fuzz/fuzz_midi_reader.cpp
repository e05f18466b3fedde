// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer entry for the MIDI file reader and what playing does with its songs. Besides the
// sanitizers' checks, a file the reader accepts must make sense to the sequencer (events in time
// order, none after the song's end, the song no longer than the reader's cap), and the sequencer
// must play it from the start and from a point inside it with its position staying in the song,
// every event sent once and the end reached.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "platform/mci/midi_file.h"
#include "platform/mci/sequencer.h"

using namespace mci;

namespace {

// Counts instead of sounding. Nothing reads the sound, so rendering leaves the buffers as they are:
// the cost of a song is its events and blocks, not its length in samples.
class CountingSink final : public SoundSink {
 public:
  void Send(const midi::Event&) override { ++sent; }
  void SilenceAndReset() override {}
  void Render(float*, float*, int frames) override {
    if (frames < 0) std::abort();
  }
  std::size_t sent = 0;
};

// Large blocks keep a four-hour song to a few hundred calls.
constexpr int kBlockFrames = 1 << 20;
// Events in the song's last millisecond may fall on its end frame, where playing stops.
constexpr std::int64_t kEndMarginUs = 1000;

// Plays [fromUs, length] through the sequencer, checking the cursor as it goes.
void PlayThrough(const std::shared_ptr<const midi::Song>& song, std::int64_t fromUs, bool countNotes) {
  CountingSink sink;
  Sequencer sequencer(&sink, song);
  sequencer.Start(fromUs, song->lengthUs);
  const std::size_t chased = sink.sent;
  static std::vector<float> left(kBlockFrames);
  static std::vector<float> right(kBlockFrames);
  std::int64_t previous = sequencer.PositionUs();
  if (previous < 0 || previous > song->lengthUs) std::abort();
  for (;;) {
    const Sequencer::Rendered r = sequencer.Render(left.data(), right.data(), kBlockFrames);
    if (r.frames < 0 || r.frames > kBlockFrames) std::abort();
    const std::int64_t position = sequencer.PositionUs();
    if (position < previous || position > song->lengthUs) std::abort();
    previous = position;
    if (r.ended) break;
    if (r.frames == 0) std::abort();  // no progress without an end: a hang
  }
  if (previous != song->lengthUs) std::abort();
  if (!countNotes) return;
  // From the start, every event before the last moment is played once (Start's chase of the
  // controllers at time 0 aside), and no event more than once.
  const std::size_t played = sink.sent - chased;
  const auto beforeEnd = static_cast<std::size_t>(
      std::count_if(song->events.begin(), song->events.end(),
                    [&](const midi::Event& e) { return e.timeUs + kEndMarginUs < song->lengthUs; }));
  if (played > song->events.size() || played < beforeEnd) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto song = std::make_shared<midi::Song>();
  const midi::ReadError error = midi::ParseSong(std::span<const std::uint8_t>(data, size), song.get());
  if (error != midi::ReadError::kNone) {
    if (!song->events.empty() || midi::ReadErrorText(error) == nullptr) std::abort();
    return 0;
  }
  if (song->lengthUs < 0 || song->lengthUs > midi::kMaxLengthUs) std::abort();
  if (song->format != 0 && song->format != 1) std::abort();
  std::int64_t previous = 0;
  for (const auto& e : song->events) {
    if (e.timeUs < previous || e.timeUs > song->lengthUs) std::abort();
    if (e.status < 0x80 || e.status >= 0xF0 || e.data1 >= 0x80 || e.data2 >= 0x80) std::abort();
    previous = e.timeUs;
  }
  PlayThrough(song, 0, true);
  // From a point inside the song that the input chooses, and from beyond both ends.
  const std::int64_t inside = size > 0 ? song->lengthUs / 256 * data[size - 1] : 0;
  PlayThrough(song, inside, false);
  PlayThrough(song, -1, false);
  PlayThrough(song, song->lengthUs + 1, false);
  return 0;
}
