// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a SoundFont 2 file that holds only the presets the key files play, for the browser build,
// which downloads its soundfont with the page: the whole General MIDI set is megabytes, the one
// piano the key files use is a small part of it.
//
//   soundfont_cutter SOURCE.sf2 OUT.sf2 KEY.mid...
//
// The presets kept are those the key files' notes sound with: the program each channel has when a
// note starts (General MIDI's first one until a program change), in bank 0, or in bank 128 on the
// drum channel. Each kept preset keeps its zones, their instruments with all their zones, and those
// instruments' samples (and the samples they are linked to); everything is the source's, byte for
// byte, only renumbered, so those presets sound exactly as they do from the whole file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ios>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/midi_bytes.h"

namespace {

namespace bytes = base::midi;
using Bytes = std::vector<std::uint8_t>;

// Record sizes of the SoundFont 2 "pdta" lists, and the generators that point elsewhere.
constexpr std::size_t kPresetHeader = 38;
constexpr std::size_t kBag = 4;
constexpr std::size_t kModulator = 10;
constexpr std::size_t kGenerator = 4;
constexpr std::size_t kInstrumentHeader = 22;
constexpr std::size_t kSampleHeader = 46;
constexpr std::uint16_t kGenInstrument = 41;
constexpr std::uint16_t kGenSampleId = 53;
// The format asks for at least 46 zero sample points after each sample (interpolation reads past
// the end).
constexpr std::uint32_t kSamplePadding = 46;
constexpr int kDrumChannel = 9;
constexpr int kDrumBank = 128;

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "soundfont_cutter: %s\n", why.c_str());
  std::exit(1);
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }
void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = v & 0xFF;
  p[1] = (v >> 8) & 0xFF;
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}
void Append16(Bytes& out, std::uint32_t v) { out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); }
void Append32(Bytes& out, std::uint32_t v) {
  Append16(out, v & 0xFFFF);
  Append16(out, v >> 16);
}

// ---- The presets the key files play -------------------------------------------------------------
std::uint32_t ReadVarLen(const Bytes& b, std::size_t& at, std::size_t end) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4 && at < end; ++i) {
    const std::uint8_t c = b[at++];
    value = (value << 7) | (c & bytes::kDataBits);
    if ((c & bytes::kVarLenMore) == 0) return value;
  }
  Fail("a damaged length in a key file");
}

// (bank, program) of every note the file sounds. Tracks are read one by one: a channel's program
// is set before its notes in the key files, in the same track.
void CollectPresets(const std::string& path, std::set<std::pair<int, int>>* used) {
  const Bytes b = ReadFile(path);
  if (b.size() < 14 || std::memcmp(b.data(), "MThd", 4) != 0) Fail(path + " is not a MIDI file");
  std::size_t at = 8 + ((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]);
  while (at + 8 <= b.size()) {
    const std::size_t length = (b[at + 4] << 24) | (b[at + 5] << 16) | (b[at + 6] << 8) | b[at + 7];
    const bool track = std::memcmp(&b[at], "MTrk", 4) == 0;
    const std::size_t end = std::min(b.size(), at + 8 + length);
    at += 8;
    if (!track) {
      at = end;
      continue;
    }
    int program[bytes::kChannelCount] = {};
    int bank[bytes::kChannelCount] = {};
    std::uint8_t status = 0;
    while (at < end) {
      ReadVarLen(b, at, end);
      if (at >= end) break;
      if (b[at] & 0x80) status = b[at++];
      if (status == bytes::kMeta) {
        ++at;
        const std::uint32_t n = ReadVarLen(b, at, end);
        at += n;
        status = 0;
        continue;
      }
      if (status == bytes::kSysEx || status == bytes::kSysExEnd) {
        const std::uint32_t n = ReadVarLen(b, at, end);
        at += n;
        status = 0;
        continue;
      }
      const int kind = status & bytes::kKindMask;
      const int channel = status & bytes::kChannelMask;
      const bool oneData = kind == bytes::kProgramChange || kind == bytes::kChannelPressure;
      if (at + (oneData ? 1 : 2) > end) break;
      const int d1 = b[at];
      const int d2 = oneData ? 0 : b[at + 1];
      at += oneData ? 1 : 2;
      if (kind == bytes::kProgramChange) program[channel] = d1;
      if (kind == bytes::kControlChange && d1 == bytes::kControllerBank) bank[channel] = d2;
      if (kind == bytes::kNoteOn && d2 > 0) {
        used->insert({channel == kDrumChannel ? kDrumBank : bank[channel], program[channel]});
      }
    }
    at = end;
  }
}

// ---- The soundfont --------------------------------------------------------------------------------
struct Chunk {
  std::size_t at = 0;  // its data
  std::size_t size = 0;
};

// The sub-chunks of a list (or of the RIFF form) whose data lies in [at, at + size).
std::map<std::string, Chunk> SubChunks(const Bytes& b, std::size_t at, std::size_t size) {
  std::map<std::string, Chunk> found;
  const std::size_t end = std::min(b.size(), at + size);
  while (at + 8 <= end) {
    std::string id(reinterpret_cast<const char*>(&b[at]), 4);
    const std::size_t length = U32(&b[at + 4]);
    if (at + 8 + length > end) Fail("a damaged chunk " + id);
    if (id == "LIST" && length >= 4) id = "LIST:" + std::string(reinterpret_cast<const char*>(&b[at + 8]), 4);
    found[id] = {at + 8, length};
    at += 8 + length + (length & 1);
  }
  return found;
}

struct Soundfont {
  const Bytes* file = nullptr;
  Chunk info, smpl, sm24;
  std::map<std::string, Chunk> pdta;

  const std::uint8_t* Record(const char* list, std::size_t size, std::size_t index) const {
    const Chunk& c = pdta.at(list);
    if ((index + 1) * size > c.size) Fail(std::string("an index past the end of ") + list);
    return file->data() + c.at + index * size;
  }
  std::size_t Count(const char* list, std::size_t size) const { return pdta.at(list).size / size; }
};

Soundfont Parse(const Bytes& b) {
  if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(&b[8], "sfbk", 4) != 0) {
    Fail("the source is not a SoundFont 2 file");
  }
  Soundfont sf;
  sf.file = &b;
  const auto top = SubChunks(b, 12, U32(&b[4]) - 4);
  for (const char* needed : {"LIST:INFO", "LIST:sdta", "LIST:pdta"}) {
    if (!top.count(needed)) Fail(std::string("the source has no ") + needed);
  }
  sf.info = top.at("LIST:INFO");
  const Chunk sdta = top.at("LIST:sdta");
  const auto samples = SubChunks(b, sdta.at + 4, sdta.size - 4);
  if (!samples.count("smpl")) Fail("the source has no sample data");
  sf.smpl = samples.at("smpl");
  if (samples.count("sm24")) sf.sm24 = samples.at("sm24");
  const Chunk pdta = top.at("LIST:pdta");
  sf.pdta = SubChunks(b, pdta.at + 4, pdta.size - 4);
  for (const char* list : {"phdr", "pbag", "pmod", "pgen", "inst", "ibag", "imod", "igen", "shdr"}) {
    if (!sf.pdta.count(list)) Fail(std::string("the source has no ") + list);
  }
  return sf;
}

// One level of the hierarchy (presets over instruments, instruments over samples): the kept
// headers with their bags, modulators and generators, the generator that points a level down
// renumbered through `below`.
struct Level {
  Bytes headers, bags, mods, gens;
};

void CopyZones(const Soundfont& sf, const char* bagList, const char* modList, const char* genList,
               std::size_t firstBag, std::size_t endBag, std::uint16_t linkGenerator,
               const std::map<std::size_t, std::size_t>& below, Level* out) {
  for (std::size_t bag = firstBag; bag < endBag; ++bag) {
    const std::uint8_t* record = sf.Record(bagList, kBag, bag);
    const std::uint8_t* next = sf.Record(bagList, kBag, bag + 1);
    Append16(out->bags, out->gens.size() / kGenerator);
    Append16(out->bags, out->mods.size() / kModulator);
    for (std::size_t m = U16(record + 2); m < U16(next + 2); ++m) {
      const std::uint8_t* mod = sf.Record(modList, kModulator, m);
      out->mods.insert(out->mods.end(), mod, mod + kModulator);
    }
    for (std::size_t g = U16(record); g < U16(next); ++g) {
      const std::uint8_t* gen = sf.Record(genList, kGenerator, g);
      std::uint8_t copy[kGenerator];
      std::memcpy(copy, gen, kGenerator);
      if (U16(gen) == linkGenerator) Put16(copy + 2, static_cast<std::uint32_t>(below.at(U16(gen + 2))));
      out->gens.insert(out->gens.end(), copy, copy + kGenerator);
    }
  }
}

// Where a level lies in the file: its headers' list, their size, the field of each that says where
// its zones begin, its zones' lists, the generator that links a zone to the level below, and the
// name of the terminal record its list ends with.
struct LevelLayout {
  const char* headers;
  std::size_t headerSize;
  std::size_t bagField;
  const char* bags;
  const char* mods;
  const char* gens;
  std::uint16_t linkGenerator;
  const char* terminal;
};
constexpr LevelLayout kPresetLevel{"phdr", kPresetHeader, 24, "pbag", "pmod", "pgen", kGenInstrument, "EOP"};
constexpr LevelLayout kInstrumentLevel{"inst", kInstrumentHeader, 20,   "ibag", "imod",
                                       "igen", kGenSampleId,      "EOI"};

// The zones of header `index`: from its bag field to the next header's.
std::pair<std::size_t, std::size_t> BagsOf(const Soundfont& sf, const LevelLayout& layout,
                                           std::size_t index) {
  return {U16(sf.Record(layout.headers, layout.headerSize, index) + layout.bagField),
          U16(sf.Record(layout.headers, layout.headerSize, index + 1) + layout.bagField)};
}

// The terminal records each list ends with.
void Terminate(Level* level, const LevelLayout& layout) {
  const std::size_t headerSize = layout.headerSize;
  Bytes terminal(headerSize, 0);
  std::memcpy(terminal.data(), layout.terminal, std::strlen(layout.terminal));
  Put16(&terminal[layout.bagField], level->bags.size() / kBag);
  level->headers.insert(level->headers.end(), terminal.begin(), terminal.end());
  Append16(level->bags, level->gens.size() / kGenerator);
  Append16(level->bags, level->mods.size() / kModulator);
  level->mods.resize(level->mods.size() + kModulator, 0);
  level->gens.resize(level->gens.size() + kGenerator, 0);
}

// The chosen headers of a level, in the order given, each with its zones, its zones' links to the
// level below renumbered by `below`, and the list's terminal record.
Level CopyLevel(const Soundfont& sf, const LevelLayout& layout, const std::vector<std::size_t>& chosen,
                const std::map<std::size_t, std::size_t>& below) {
  Level level;
  for (std::size_t i : chosen) {
    const std::uint8_t* h = sf.Record(layout.headers, layout.headerSize, i);
    Bytes copy(h, h + layout.headerSize);
    Put16(&copy[layout.bagField], level.bags.size() / kBag);
    level.headers.insert(level.headers.end(), copy.begin(), copy.end());
    const auto [firstBag, endBag] = BagsOf(sf, layout, i);
    CopyZones(sf, layout.bags, layout.mods, layout.gens, firstBag, endBag, layout.linkGenerator, below,
              &level);
  }
  Terminate(&level, layout);
  return level;
}

// The generators of the bags [first, end) that point a level down.
std::set<std::size_t> Targets(const Soundfont& sf, const char* bagList, const char* genList,
                              std::size_t first, std::size_t end, std::uint16_t linkGenerator) {
  std::set<std::size_t> targets;
  for (std::size_t bag = first; bag < end; ++bag) {
    const std::size_t genEnd = U16(sf.Record(bagList, kBag, bag + 1));
    for (std::size_t g = U16(sf.Record(bagList, kBag, bag)); g < genEnd; ++g) {
      const std::uint8_t* gen = sf.Record(genList, kGenerator, g);
      if (U16(gen) == linkGenerator) targets.insert(U16(gen + 2));
    }
  }
  return targets;
}

void AppendChunk(Bytes& out, const char* id, const Bytes& data) {
  out.insert(out.end(), id, id + 4);
  Append32(out, static_cast<std::uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  if (data.size() & 1) out.push_back(0);
}

Bytes List(const char* type, const Bytes& content) {
  Bytes data(type, type + 4);
  data.insert(data.end(), content.begin(), content.end());
  Bytes out;
  AppendChunk(out, "LIST", data);
  return out;
}

// Appends the bytes [from, to) of `source` to `out`.
void AppendRange(Bytes& out, const Bytes& source, std::size_t from, std::size_t to) {
  out.insert(out.end(), source.begin() + static_cast<std::ptrdiff_t>(from),
             source.begin() + static_cast<std::ptrdiff_t>(to));
}

// The sample data and headers of the cut: each sample's points (and their padding) copied to the
// new data, its header moved with them.
struct SampleData {
  Bytes smpl, sm24, shdr;
};
SampleData CopySamples(const Soundfont& sf, const Bytes& source, const std::set<std::size_t>& samples,
                       const std::map<std::size_t, std::size_t>& sampleIndex) {
  SampleData out;
  const std::size_t sourcePoints = sf.smpl.size / 2;
  for (std::size_t s : samples) {
    const std::uint8_t* h = sf.Record("shdr", kSampleHeader, s);
    const std::uint32_t start = U32(h + 20);
    const std::uint32_t end = U32(h + 24);
    if (end < start || end > sourcePoints) Fail("a sample lies outside the sample data");
    const std::uint32_t copyEnd = std::min<std::size_t>(sourcePoints, std::size_t{end} + kSamplePadding);
    const auto newStart = static_cast<std::uint32_t>(out.smpl.size() / 2);
    AppendRange(out.smpl, source, sf.smpl.at + std::size_t{start} * 2, sf.smpl.at + std::size_t{copyEnd} * 2);
    out.smpl.resize(out.smpl.size() + (std::size_t{end} + kSamplePadding - copyEnd) * 2, 0);
    if (sf.sm24.size != 0) {
      AppendRange(out.sm24, source, sf.sm24.at + start, sf.sm24.at + copyEnd);
      out.sm24.resize(out.smpl.size() / 2, 0);
    }
    std::uint8_t copy[kSampleHeader];
    std::memcpy(copy, h, kSampleHeader);
    for (int field : {20, 24, 28, 32}) Put32(copy + field, U32(h + field) - start + newStart);
    if (U16(h + 44) != 1) Put16(copy + 42, static_cast<std::uint32_t>(sampleIndex.at(U16(h + 42))));
    out.shdr.insert(out.shdr.end(), copy, copy + kSampleHeader);
  }
  Bytes endOfSamples(kSampleHeader, 0);
  std::memcpy(endOfSamples.data(), "EOS", 3);
  out.shdr.insert(out.shdr.end(), endOfSamples.begin(), endOfSamples.end());
  return out;
}

// The level's four lists as chunks of the file's pdta list.
void AppendLevel(Bytes& pdta, const LevelLayout& layout, const Level& level) {
  AppendChunk(pdta, layout.headers, level.headers);
  AppendChunk(pdta, layout.bags, level.bags);
  AppendChunk(pdta, layout.mods, level.mods);
  AppendChunk(pdta, layout.gens, level.gens);
}

Bytes Cut(const Bytes& source, const std::set<std::pair<int, int>>& wanted) {
  const Soundfont sf = Parse(source);
  // Presets (all but the terminal record) in the order the source has them.
  std::vector<std::size_t> presets;
  const std::size_t presetCount = sf.Count("phdr", kPresetHeader) - 1;
  for (std::size_t i = 0; i < presetCount; ++i) {
    const std::uint8_t* p = sf.Record("phdr", kPresetHeader, i);
    if (wanted.count({static_cast<int>(U16(p + 22)), static_cast<int>(U16(p + 20))})) presets.push_back(i);
  }
  if (presets.size() != wanted.size()) Fail("the source lacks a preset the key files play");
  std::set<std::size_t> instruments;
  for (std::size_t p : presets) {
    const auto [firstBag, endBag] = BagsOf(sf, kPresetLevel, p);
    const auto t =
        Targets(sf, kPresetLevel.bags, kPresetLevel.gens, firstBag, endBag, kPresetLevel.linkGenerator);
    instruments.insert(t.begin(), t.end());
  }
  std::set<std::size_t> samples;
  for (std::size_t i : instruments) {
    const auto [firstBag, endBag] = BagsOf(sf, kInstrumentLevel, i);
    const auto t = Targets(sf, kInstrumentLevel.bags, kInstrumentLevel.gens, firstBag, endBag,
                           kInstrumentLevel.linkGenerator);
    samples.insert(t.begin(), t.end());
  }
  // A stereo sample's partner comes along (its header names it).
  for (std::set<std::size_t> added = samples; !added.empty();) {
    std::set<std::size_t> partners;
    for (std::size_t s : added) {
      const std::uint8_t* h = sf.Record("shdr", kSampleHeader, s);
      const std::uint32_t type = U16(h + 44);
      if ((type & 0x8000) != 0) Fail("the source's presets use ROM samples");
      if (type != 1 && !samples.count(U16(h + 42))) partners.insert(U16(h + 42));
    }
    samples.insert(partners.begin(), partners.end());
    added = partners;
  }

  std::map<std::size_t, std::size_t> sampleIndex;
  for (std::size_t s : samples) sampleIndex.emplace(s, sampleIndex.size());
  const SampleData sampleData = CopySamples(sf, source, samples, sampleIndex);

  std::map<std::size_t, std::size_t> instrumentIndex;
  for (std::size_t i : instruments) instrumentIndex.emplace(i, instrumentIndex.size());
  const Level inst = CopyLevel(sf, kInstrumentLevel,
                               std::vector<std::size_t>(instruments.begin(), instruments.end()), sampleIndex);
  const Level phdr = CopyLevel(sf, kPresetLevel, presets, instrumentIndex);

  Bytes sdta;
  AppendChunk(sdta, "smpl", sampleData.smpl);
  if (sf.sm24.size != 0) AppendChunk(sdta, "sm24", sampleData.sm24);
  Bytes pdta;
  AppendLevel(pdta, kPresetLevel, phdr);
  AppendLevel(pdta, kInstrumentLevel, inst);
  AppendChunk(pdta, "shdr", sampleData.shdr);

  // The source's INFO list as it is: its name, version, copyright and comments still hold.
  Bytes body;
  AppendRange(body, source, sf.info.at - 8, sf.info.at + sf.info.size);
  const Bytes sdtaList = List("sdta", sdta);
  const Bytes pdtaList = List("pdta", pdta);
  body.insert(body.end(), sdtaList.begin(), sdtaList.end());
  body.insert(body.end(), pdtaList.begin(), pdtaList.end());
  Bytes form = {'s', 'f', 'b', 'k'};
  form.insert(form.end(), body.begin(), body.end());
  Bytes out;
  AppendChunk(out, "RIFF", form);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: soundfont_cutter SOURCE.sf2 OUT.sf2 KEY.mid...\n");
    return 2;
  }
  std::set<std::pair<int, int>> used;
  for (int i = 3; i < argc; ++i) CollectPresets(argv[i], &used);
  if (used.empty()) Fail("the key files play no note");
  const Bytes out = Cut(ReadFile(argv[1]), used);
  std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  if (!file.flush()) Fail(std::string("cannot write ") + argv[2]);
  return 0;
}
