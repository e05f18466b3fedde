// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/sequencer.h"

#include <algorithm>
#include <limits>

#include "base/midi_bytes.h"

namespace mci {

Sequencer::Sequencer(SoundSink* engine, std::shared_ptr<const midi::Song> song)
    : m_engine(engine), m_song(std::move(song)) {}

std::int64_t Sequencer::FrameOf(std::int64_t us) const { return (us * SampleRate() + 500000) / 1000000; }

std::int64_t Sequencer::UsOf(std::int64_t frame) const { return frame * 1000000 / SampleRate(); }

void Sequencer::Start(std::int64_t fromUs, std::int64_t toUs) {
  // The reader never gives a negative length; the bounds stay ordered even if one came.
  const std::int64_t lengthUs = std::max<std::int64_t>(m_song->lengthUs, 0);
  fromUs = std::clamp<std::int64_t>(fromUs, 0, lengthUs);
  toUs = std::clamp<std::int64_t>(toUs, fromUs, lengthUs);
  m_engine->SilenceAndReset();
  const auto& events = m_song->events;
  std::size_t i = 0;
  // Chase everything but notes up to and including the start, so that instruments are selected
  // (and their samples loaded) here on the UI thread rather than inside the audio callback.
  for (; i < events.size() && events[i].timeUs <= fromUs; ++i) {
    const std::uint8_t kind = events[i].status & base::midi::kKindMask;
    if (kind != base::midi::kNoteOff && kind != base::midi::kNoteOn && kind != base::midi::kKeyPressure) {
      m_engine->Send(events[i]);
    }
  }
  // Notes that start exactly at the start position are still to be played.
  m_next = static_cast<std::size_t>(
      std::lower_bound(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(i), fromUs,
                       [](const midi::Event& e, std::int64_t us) { return e.timeUs < us; }) -
      events.begin());
  m_frame = FrameOf(fromUs);
  m_endFrame = FrameOf(toUs);
  m_endUs = toUs;
  m_positionUs.store(fromUs, std::memory_order_release);
}

void Sequencer::SetPositionUs(std::int64_t us) {
  us = std::clamp<std::int64_t>(us, 0, std::max<std::int64_t>(m_song->lengthUs, 0));
  m_positionUs.store(us, std::memory_order_release);
}

Sequencer::Rendered Sequencer::Render(float* left, float* right, int frames) {
  Rendered result;
  const auto& events = m_song->events;
  while (result.frames < frames) {
    if (m_frame >= m_endFrame) {
      result.ended = true;
      break;
    }
    while (m_next < events.size() && FrameOf(events[m_next].timeUs) <= m_frame) {
      m_engine->Send(events[m_next]);
      ++m_next;
    }
    const std::int64_t nextEvent =
        m_next < events.size() ? FrameOf(events[m_next].timeUs) : std::numeric_limits<std::int64_t>::max();
    const std::int64_t chunk = std::min(
        {static_cast<std::int64_t>(frames - result.frames), nextEvent - m_frame, m_endFrame - m_frame});
    m_engine->Render(left + result.frames, right + result.frames, static_cast<int>(chunk));
    result.frames += static_cast<int>(chunk);
    m_frame += chunk;
  }
  if (m_frame >= m_endFrame) {
    result.ended = true;
    m_positionUs.store(m_endUs, std::memory_order_release);
  } else {
    m_positionUs.store(UsOf(m_frame), std::memory_order_release);
  }
  return result;
}

}  // namespace mci
