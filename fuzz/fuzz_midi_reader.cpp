// libFuzzer entry for the MIDI file reader. Besides the sanitizers' checks, a file the reader
// accepts must make sense to the sequencer: events in time order, none after the song's end, and
// the song no longer than the reader's cap.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/mci/midi_file.h"

using namespace mci;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  midi::Song song;
  const midi::ReadError error = midi::ParseSong(std::span<const std::uint8_t>(data, size), &song);
  if (error != midi::ReadError::kNone) {
    if (!song.events.empty() || midi::ReadErrorText(error) == nullptr) std::abort();
    return 0;
  }
  if (song.lengthUs < 0 || song.lengthUs > midi::kMaxLengthUs) std::abort();
  if (song.format != 0 && song.format != 1) std::abort();
  std::int64_t previous = 0;
  for (const auto& e : song.events) {
    if (e.timeUs < previous || e.timeUs > song.lengthUs) std::abort();
    if (e.status < 0x80 || e.status >= 0xF0 || e.data1 >= 0x80 || e.data2 >= 0x80) std::abort();
    previous = e.timeUs;
  }
  return 0;
}
