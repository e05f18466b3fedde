// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes of MIDI that the program both writes and reads: the key files are written at build
// time (tools/midi_generator.cpp) and read and played by the multimedia service (platform/mci/),
// so the two sides name each status byte and event type from this one list.
#pragma once

#include <cstdint>

namespace base::midi {

// A status byte has its top bit set, the data bytes after it have it clear.
inline constexpr std::uint8_t kStatusBit = 0x80;
inline constexpr std::uint8_t kDataBits = 0x7F;
// A variable-length number (delta times, lengths) comes in 7-bit groups, most significant first;
// every group but the last has its top bit set.
inline constexpr std::uint8_t kVarLenMore = 0x80;

// Channel messages: the kind in the high nibble, the channel in the low one.
inline constexpr std::uint8_t kKindMask = 0xF0;
inline constexpr std::uint8_t kChannelMask = 0x0F;
inline constexpr std::uint8_t kNoteOff = 0x80;
inline constexpr std::uint8_t kNoteOn = 0x90;  // a velocity of 0 ends the note
inline constexpr std::uint8_t kKeyPressure = 0xA0;
inline constexpr std::uint8_t kControlChange = 0xB0;
inline constexpr std::uint8_t kProgramChange = 0xC0;    // one data byte
inline constexpr std::uint8_t kChannelPressure = 0xD0;  // one data byte
inline constexpr std::uint8_t kPitchBend = 0xE0;

// System messages: every status from here up. In a file only these three stand in a track.
inline constexpr std::uint8_t kFirstSystem = 0xF0;
inline constexpr std::uint8_t kSysEx = 0xF0;
inline constexpr std::uint8_t kSysExEnd = 0xF7;  // ends a SysEx message; alone, an escape packet
inline constexpr std::uint8_t kMeta = 0xFF;

// The types of the meta events the key files carry.
inline constexpr std::uint8_t kMetaTrackName = 0x03;
inline constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
inline constexpr std::uint8_t kMetaTempo = 0x51;  // three bytes: microseconds per quarter note
inline constexpr std::uint8_t kMetaTimeSignature = 0x58;

inline constexpr int kChannelCount = 16;

// Controllers.
inline constexpr std::uint8_t kControllerBank = 0;
inline constexpr std::uint8_t kControllerVolume = 7;
inline constexpr std::uint8_t kControllerPan = 10;
inline constexpr std::uint8_t kControllerResetAll = 121;
inline constexpr std::uint8_t kDefaultVolume = 100;  // a General MIDI channel's volume at reset

}  // namespace base::midi
