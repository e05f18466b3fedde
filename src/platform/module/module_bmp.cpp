// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/module/module_bmp.h"

#include <array>
#include <limits>
#include <optional>

namespace module {
namespace {

// ---- The file layouts ---------------------------------------------------------------------

constexpr int kBitsPerByte = 8;
constexpr int kMaxSide = 16384;  // larger images are refused as absurd

// The file header before the DIB in a .bmp file.
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint16_t kBmpSignature = 'B' | ('M' << kBitsPerByte);  // "BM"

// Versions of the DIB header, by their size: the first (core) one, the info header, the info
// header with the three colour masks, and with the alpha mask too. Later versions are longer
// still and add nothing this decoder uses; kMaxHeaderSize bounds what a file may claim.
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kColourMasksHeaderSize = 52;
constexpr std::uint32_t kAlphaMaskHeaderSize = 56;
constexpr std::uint32_t kMaxHeaderSize = 1024;

// Compression methods this decoder reads: none, and 32-bit pixels described by colour masks.
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

// Palette entries: blue, green, red, then a spare byte, except after a core header.
constexpr std::size_t kQuadEntrySize = 4;
constexpr std::size_t kTripleEntrySize = 3;
constexpr std::uint32_t kMaxPaletteColours = 256;

// Rows are padded to whole 32-bit words.
constexpr long long kRowAlignBits = 32;
constexpr long long kRowAlignBytes = kRowAlignBits / kBitsPerByte;

// Pixel formats, by bits per pixel: the first three index a palette.
enum : std::uint32_t {
  kTwoColours = 1,
  kSixteenColours = 4,
  kPaletteColours = 8,
  kTrueColour = 24,      // blue, green, red
  kTrueColourWord = 32,  // one little-endian word: blue, green, red, then alpha or nothing
};
constexpr int kNibblesPerByte = 2;
constexpr long long kTrueColourBytes = 3;
constexpr long long kWordBytes = 4;
enum ByteOrder { kBlueByte, kGreenByte, kRedByte, kFourthByte };

constexpr std::uint32_t kChannelMax = 0xFF;
constexpr int kRedShift = 16;
constexpr int kGreenShift = 8;
constexpr int kAlphaShift = 24;
constexpr std::uint32_t kRgbBits = 0x00FFFFFF;
constexpr std::uint32_t kNibbleMask = 0x0F;

// The icon file: a directory (reserved, type, count) and one 16-byte entry per image.
constexpr std::size_t kIconDirSize = 6;
constexpr std::size_t kIconEntrySize = 16;
constexpr std::uint16_t kIconType = 1;
constexpr int kIconWidthOfZero = 256;   // a width byte of 0 means 256
constexpr int kPreferredIconSide = 32;  // what the desktop asks for
constexpr std::uint32_t kMinIconImageSize = 8;
constexpr std::uint8_t kPngFirstByte = 0x89;  // a PNG image starts 0x89 'P' 'N' 'G'
constexpr long long kIconHeightFactor = 2;    // an icon's height covers its colours and its mask

enum class DibKind {
  kBitmap,
  kIcon,  // twice the height: the colours, then a 1-bit transparency mask
};

// Whether `size` bytes from `at` lie inside `data`.
bool Fits(std::span<const std::uint8_t> data, std::size_t at, std::size_t size) {
  return at <= data.size() && size <= data.size() - at;
}

// Little-endian fields read in order from a span. A read past the end marks the reader failed
// and yields zero, so a header is read whole and checked once.
class FieldReader {
 public:
  FieldReader(std::span<const std::uint8_t> data, std::size_t at) : m_data(data), m_at(at) {}

  std::uint8_t U8() { return static_cast<std::uint8_t>(Read(sizeof(std::uint8_t))); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Read(sizeof(std::uint16_t))); }
  std::uint32_t U32() { return Read(sizeof(std::uint32_t)); }
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  bool Ok() const { return m_ok; }

 private:
  std::uint32_t Read(std::size_t size) {
    if (!m_ok || !Fits(m_data, m_at, size)) {
      m_ok = false;
      return 0;
    }
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
      value |= static_cast<std::uint32_t>(m_data[m_at + i]) << (kBitsPerByte * i);
    }
    m_at += size;
    return value;
  }

  std::span<const std::uint8_t> m_data;
  std::size_t m_at;
  bool m_ok = true;
};

// The red, green, blue and alpha masks of 32-bit pixels.
enum MaskIndex { kRed, kGreen, kBlue, kAlpha, kMaskCount };
using ColourMasks = std::array<std::uint32_t, kMaskCount>;
constexpr ColourMasks kDefaultMasks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
// Masks written after a header too short to hold them: the three before alpha.
constexpr std::size_t kTrailingMasksSize = kAlpha * sizeof(std::uint32_t);

struct BmpFileHeader {
  std::uint16_t signature = 0;
  std::uint32_t fileSize = 0;
  std::uint16_t reserved1 = 0;
  std::uint16_t reserved2 = 0;
  std::uint32_t pixelOffset = 0;  // from the start of the file
};

// The DIB header of any version; fields a version lacks keep their defaults.
struct DibHeader {
  std::uint32_t size = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative: rows run top-down
  std::uint16_t planes = 0;
  std::uint16_t bitsPerPixel = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t imageSize = 0;
  std::int32_t xPixelsPerMetre = 0;
  std::int32_t yPixelsPerMetre = 0;
  std::uint32_t coloursUsed = 0;  // 0: as many as the bits per pixel can name
  std::uint32_t coloursImportant = 0;
  ColourMasks masks{};  // from kColourMasksHeaderSize on (alpha from kAlphaMaskHeaderSize on)
  std::size_t paletteEntrySize = kQuadEntrySize;
};

struct IconDirEntry {
  std::uint8_t width = 0;
  std::uint8_t height = 0;
  std::uint8_t colourCount = 0;
  std::uint8_t reserved = 0;
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t imageSize = 0;
  std::uint32_t imageOffset = 0;  // from the start of the file
};

// What the header says about the pixels, checked.
struct PixelFormat {
  long long width = 0;
  long long height = 0;
  bool topDown = false;
  std::uint32_t bitsPerPixel = 0;
  bool bitfields = false;
  ColourMasks masks = kDefaultMasks;
  bool maskedAlpha = false;  // the masks give an alpha channel
};

bool Fail(std::string* error, const char* why) {
  if (error != nullptr) *error = why;
  return false;
}

std::uint32_t Rgb(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return (red << kRedShift) | (green << kGreenShift) | blue;
}

bool HasBmpSignature(std::span<const std::uint8_t> data) {
  FieldReader r(data, 0);
  const std::uint16_t signature = r.U16();
  return r.Ok() && signature == kBmpSignature;
}

bool ReadFileHeader(std::span<const std::uint8_t> data, BmpFileHeader* header) {
  FieldReader r(data, 0);
  header->signature = r.U16();
  header->fileSize = r.U32();
  header->reserved1 = r.U16();
  header->reserved2 = r.U16();
  header->pixelOffset = r.U32();
  return r.Ok();
}

bool ReadDibHeader(std::span<const std::uint8_t> dib, DibHeader* h, std::string* error) {
  FieldReader r(dib, 0);
  h->size = r.U32();
  if (!r.Ok()) return Fail(error, "truncated bitmap header");
  if (h->size == kCoreHeaderSize) {
    h->width = r.U16();
    h->height = r.I16();
    h->planes = r.U16();
    h->bitsPerPixel = r.U16();
    h->paletteEntrySize = kTripleEntrySize;
  } else if (h->size >= kInfoHeaderSize && h->size <= kMaxHeaderSize) {
    // The whole header the file claims must be there, the parts this decoder skips included.
    if (!Fits(dib, 0, h->size)) return Fail(error, "truncated bitmap header");
    h->width = r.I32();
    h->height = r.I32();
    h->planes = r.U16();
    h->bitsPerPixel = r.U16();
    h->compression = r.U32();
    h->imageSize = r.U32();
    h->xPixelsPerMetre = r.I32();
    h->yPixelsPerMetre = r.I32();
    h->coloursUsed = r.U32();
    h->coloursImportant = r.U32();
    if (h->size >= kColourMasksHeaderSize) {
      h->masks[kRed] = r.U32();
      h->masks[kGreen] = r.U32();
      h->masks[kBlue] = r.U32();
    }
    if (h->size >= kAlphaMaskHeaderSize) h->masks[kAlpha] = r.U32();
  } else {
    return Fail(error, "unknown bitmap header");
  }
  if (!r.Ok()) return Fail(error, "truncated bitmap header");
  return true;
}

bool CheckFormat(const DibHeader& h, DibKind kind, PixelFormat* f, std::string* error) {
  f->width = h.width;
  f->topDown = h.height < 0;
  f->height = f->topDown ? -static_cast<long long>(h.height) : h.height;
  if (kind == DibKind::kIcon) f->height /= kIconHeightFactor;
  if (f->width <= 0 || f->height <= 0 || f->width > kMaxSide || f->height > kMaxSide) {
    return Fail(error, "bitmap size out of range");
  }
  f->bitsPerPixel = h.bitsPerPixel;
  switch (f->bitsPerPixel) {
    case kTwoColours:
    case kSixteenColours:
    case kPaletteColours:
    case kTrueColour:
    case kTrueColourWord:
      break;
    default:
      return Fail(error, "unsupported bits per pixel");
  }
  f->bitfields = h.compression == kBiBitfields;
  if (h.compression != kBiRgb && !(f->bitfields && f->bitsPerPixel == kTrueColourWord)) {
    return Fail(error, "compressed bitmaps are not supported");
  }
  return true;
}

// The colour masks of a bit-field bitmap: in the header from the version that has them, else
// just after it. `cursor` moves past masks that follow the header.
bool ReadColourMasks(std::span<const std::uint8_t> dib, const DibHeader& h, PixelFormat* f,
                     std::size_t* cursor, std::string* error) {
  if (!f->bitfields) return true;
  if (h.size >= kColourMasksHeaderSize) {
    f->masks = h.masks;
  } else {
    FieldReader r(dib, h.size);
    f->masks[kRed] = r.U32();
    f->masks[kGreen] = r.U32();
    f->masks[kBlue] = r.U32();
    f->masks[kAlpha] = 0;
    if (!r.Ok()) return Fail(error, "truncated colour masks");
    *cursor += kTrailingMasksSize;
  }
  f->maskedAlpha = f->masks[kAlpha] != 0;
  return true;
}

// The palette of a bitmap of 8 bits per pixel or fewer, with an entry for every value a pixel
// can hold (those the file leaves out are black). `cursor` moves past it.
bool ReadPalette(std::span<const std::uint8_t> dib, const DibHeader& h, const PixelFormat& f,
                 std::vector<std::uint32_t>* palette, std::size_t* cursor, std::string* error) {
  if (f.bitsPerPixel > kPaletteColours) return true;
  const std::uint32_t possible = 1u << f.bitsPerPixel;
  const std::uint32_t count = h.coloursUsed != 0 ? h.coloursUsed : possible;
  if (count > kMaxPaletteColours) return Fail(error, "palette too large");
  if (!Fits(dib, *cursor, count * h.paletteEntrySize)) return Fail(error, "truncated palette");
  palette->assign(possible, 0);
  for (std::uint32_t i = 0; i < count && i < possible; ++i) {
    FieldReader r(dib, *cursor + i * h.paletteEntrySize);
    const std::uint32_t blue = r.U8();
    const std::uint32_t green = r.U8();
    const std::uint32_t red = r.U8();
    (*palette)[i] = Rgb(red, green, blue);
  }
  *cursor += count * h.paletteEntrySize;
  return true;
}

long long RowStride(long long width, long long bitsPerPixel) {
  return ((width * bitsPerPixel + kRowAlignBits - 1) / kRowAlignBits) * kRowAlignBytes;
}

// Bit x of a row of one-bit pixels, the leftmost pixel in each byte's highest bit.
std::uint32_t BitAt(const std::uint8_t* row, long long x) {
  return (row[x / kBitsPerByte] >> (kBitsPerByte - 1 - x % kBitsPerByte)) & 1u;
}

int MaskShift(std::uint32_t mask) {
  if (mask == 0) return 0;
  int s = 0;
  while ((mask & 1u) == 0) {
    mask >>= 1;
    ++s;
  }
  return s;
}

// The channel `mask` selects from `pixel`, scaled to 0..255.
std::uint32_t MaskValue(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  std::uint32_t v = (pixel & mask) >> MaskShift(mask);
  std::uint32_t max = mask >> MaskShift(mask);
  return max == 0 ? 0 : (v * kChannelMax + max / 2) / max;
}

// One row of pixels as 0xAARRGGBB (opaque unless a 32-bit pixel carries alpha); notes whether
// any pixel's alpha was not zero.
void DecodeRow(const std::uint8_t* row, const PixelFormat& f, const std::vector<std::uint32_t>& palette,
               DibKind kind, std::uint32_t* dst, bool* anyAlpha) {
  for (long long x = 0; x < f.width; ++x) {
    std::uint32_t rgb = 0;
    std::uint32_t alpha = kChannelMax;
    switch (f.bitsPerPixel) {
      case kTwoColours:
        rgb = palette[BitAt(row, x)];
        break;
      case kSixteenColours: {
        // The high nibble is the left pixel.
        const int nibbleShift = x % kNibblesPerByte == 0 ? kBitsPerByte / kNibblesPerByte : 0;
        rgb = palette[(row[x / kNibblesPerByte] >> nibbleShift) & kNibbleMask];
        break;
      }
      case kPaletteColours:
        rgb = palette[row[x]];
        break;
      case kTrueColour: {
        const std::uint8_t* p = row + x * kTrueColourBytes;
        rgb = Rgb(p[kRedByte], p[kGreenByte], p[kBlueByte]);
        break;
      }
      case kTrueColourWord: {
        const std::uint8_t* p = row + x * kWordBytes;
        const std::uint32_t v = Rgb(p[kRedByte], p[kGreenByte], p[kBlueByte]) |
                                (static_cast<std::uint32_t>(p[kFourthByte]) << kAlphaShift);
        rgb = Rgb(MaskValue(v, f.masks[kRed]), MaskValue(v, f.masks[kGreen]), MaskValue(v, f.masks[kBlue]));
        // Plain 32-bit bitmaps leave their fourth byte unused; icons use it as alpha.
        if (f.bitfields ? f.maskedAlpha : kind == DibKind::kIcon) {
          alpha = f.bitfields ? MaskValue(v, f.masks[kAlpha]) : p[kFourthByte];
          if (alpha != 0) *anyAlpha = true;
        }
        break;
      }
      default:
        break;
    }
    dst[x] = (alpha << kAlphaShift) | rgb;
  }
}

// An icon's transparency from the 1-bit mask after its colours (a missing mask leaves every
// pixel opaque).
void ApplyIconMask(std::span<const std::uint8_t> dib, const PixelFormat& f, long long maskStart, Image* out) {
  const long long maskStride = RowStride(f.width, kTwoColours);
  const auto maskEnd = static_cast<unsigned long long>(maskStart + maskStride * f.height);
  const bool hasMask = maskEnd <= dib.size();
  for (long long y = 0; y < f.height; ++y) {
    const long long srcRow = f.topDown ? y : f.height - 1 - y;
    for (long long x = 0; x < f.width; ++x) {
      std::uint32_t& px = out->argb[static_cast<std::size_t>(y * f.width + x)];
      bool transparent = false;
      if (hasMask) transparent = BitAt(dib.data() + maskStart + srcRow * maskStride, x) != 0;
      px = (px & kRgbBits) | (transparent ? 0u : kChannelMax << kAlphaShift);
    }
  }
}

// Decodes a DIB that starts at `dib`. `pixelOffset` (relative to the DIB) is where the pixels are
// when a file header said so; otherwise they follow the palette.
bool DecodeDib(std::span<const std::uint8_t> dib, std::optional<std::size_t> pixelOffset, DibKind kind,
               Image* out, std::string* error) {
  DibHeader header;
  PixelFormat format;
  if (!ReadDibHeader(dib, &header, error) || !CheckFormat(header, kind, &format, error)) {
    return false;
  }
  std::size_t cursor = header.size;
  std::vector<std::uint32_t> palette;
  if (!ReadColourMasks(dib, header, &format, &cursor, error) ||
      !ReadPalette(dib, header, format, &palette, &cursor, error)) {
    return false;
  }
  const long long stride = RowStride(format.width, format.bitsPerPixel);
  const std::size_t start = pixelOffset.value_or(cursor);
  const auto pixelBytes = static_cast<unsigned long long>(stride * format.height);
  if (start > dib.size() || pixelBytes > dib.size() - start) {
    return Fail(error, "truncated pixel data");
  }
  out->width = static_cast<int>(format.width);
  out->height = static_cast<int>(format.height);
  out->argb.assign(static_cast<std::size_t>(format.width * format.height), 0);
  bool anyAlpha = false;
  for (long long y = 0; y < format.height; ++y) {
    const long long srcRow = format.topDown ? y : format.height - 1 - y;
    DecodeRow(dib.data() + start + srcRow * stride, format, palette, kind,
              out->argb.data() + y * format.width, &anyAlpha);
  }
  // 32-bit icons with an alpha channel use it; all others take transparency from the mask.
  if (kind == DibKind::kIcon && !(format.bitsPerPixel == kTrueColourWord && anyAlpha)) {
    ApplyIconMask(dib, format, static_cast<long long>(start) + stride * format.height, out);
  }
  return true;
}

IconDirEntry ReadIconEntry(std::span<const std::uint8_t> data, std::size_t index) {
  FieldReader r(data, kIconDirSize + index * kIconEntrySize);
  IconDirEntry e;
  e.width = r.U8();
  e.height = r.U8();
  e.colourCount = r.U8();
  e.reserved = r.U8();
  e.planes = r.U16();
  e.bitCount = r.U16();
  e.imageSize = r.U32();
  e.imageOffset = r.U32();
  return e;  // the directory was checked whole before
}

// The directory's choice: the first 32 x 32 image, else the first of the widest.
std::size_t ChooseIconEntry(std::span<const std::uint8_t> data, std::uint16_t count) {
  constexpr int kPreferred = std::numeric_limits<int>::max();
  std::size_t best = 0;
  int bestScore = -1;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t widthByte = ReadIconEntry(data, i).width;
    const int width = widthByte == 0 ? kIconWidthOfZero : widthByte;
    const int score = width == kPreferredIconSide ? kPreferred : width;
    if (score > bestScore) {
      bestScore = score;
      best = i;
    }
  }
  return best;
}

}  // namespace

bool DecodeBmp(std::span<const std::uint8_t> data, Image* out, std::string* error) {
  if (out == nullptr) return Fail(error, "no output");
  BmpFileHeader file;
  if (ReadFileHeader(data, &file) && file.signature == kBmpSignature) {
    if (file.pixelOffset < kFileHeaderSize) return Fail(error, "bad pixel offset");
    return DecodeDib(data.subspan(kFileHeaderSize), file.pixelOffset - kFileHeaderSize, DibKind::kBitmap, out,
                     error);
  }
  return DecodeDib(data, std::nullopt, DibKind::kBitmap, out, error);
}

bool DecodeIcon(std::span<const std::uint8_t> data, Image* out, std::string* error) {
  if (out == nullptr) return Fail(error, "no output");
  FieldReader dir(data, 0);
  const std::uint16_t reserved = dir.U16();
  const std::uint16_t type = dir.U16();
  const std::uint16_t count = dir.U16();
  if (dir.Ok() && reserved == 0 && type == kIconType) {
    if (count == 0 || !Fits(data, kIconDirSize, count * kIconEntrySize)) {
      return Fail(error, "truncated icon directory");
    }
    const IconDirEntry entry = ReadIconEntry(data, ChooseIconEntry(data, count));
    if (!Fits(data, entry.imageOffset, entry.imageSize) || entry.imageSize < kMinIconImageSize) {
      return Fail(error, "truncated icon image");
    }
    auto image = data.subspan(entry.imageOffset, entry.imageSize);
    if (image[0] == kPngFirstByte && image[1] == 'P') {
      return Fail(error, "PNG icon images are not supported");
    }
    return DecodeDib(image, std::nullopt, DibKind::kIcon, out, error);
  }
  if (HasBmpSignature(data)) return DecodeBmp(data, out, error);
  return DecodeDib(data, std::nullopt, DibKind::kIcon, out, error);
}

}  // namespace module
