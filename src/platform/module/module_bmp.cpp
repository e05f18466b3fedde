#include "platform/module/module_bmp.h"

#include <algorithm>
#include <cstdlib>

namespace resources {
namespace {

constexpr int kMaxSide = 16384;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

struct Reader {
  std::span<const std::uint8_t> d;
  bool Has(std::size_t at, std::size_t n) const { return at <= d.size() && n <= d.size() - at; }
  std::uint32_t U16(std::size_t at) const { return d[at] | (d[at + 1] << 8); }
  std::uint32_t U32(std::size_t at) const {
    return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (static_cast<std::uint32_t>(d[at + 3]) << 24);
  }
  std::int32_t I32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
};

bool Fail(std::string* error, const char* why) {
  if (error != nullptr) *error = why;
  return false;
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

std::uint32_t MaskValue(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  std::uint32_t v = (pixel & mask) >> MaskShift(mask);
  std::uint32_t max = mask >> MaskShift(mask);
  return max == 0 ? 0 : (v * 255 + max / 2) / max;
}

// Decodes a DIB that starts at `dib`. `pixelOffset` (relative to the DIB) is where the pixels are
// when a file header said so; otherwise they follow the palette. `icon`: the height is doubled
// and a 1-bit mask follows the colours.
bool DecodeDib(std::span<const std::uint8_t> dib, long long pixelOffset, bool icon, Image* out,
               std::string* error) {
  Reader r{dib};
  if (!r.Has(0, 4)) return Fail(error, "truncated bitmap header");
  const std::uint32_t headerSize = r.U32(0);
  long long width = 0;
  long long height = 0;
  std::uint32_t bpp = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t colorsUsed = 0;
  std::size_t paletteEntry = 4;
  if (headerSize == 12) {
    if (!r.Has(0, 12)) return Fail(error, "truncated bitmap header");
    width = r.U16(4);
    height = static_cast<std::int16_t>(r.U16(6));
    bpp = r.U16(10);
    paletteEntry = 3;
  } else if (headerSize >= 40 && headerSize <= 1024) {
    if (!r.Has(0, headerSize)) return Fail(error, "truncated bitmap header");
    width = r.I32(4);
    height = r.I32(8);
    bpp = r.U16(14);
    compression = r.U32(16);
    colorsUsed = r.U32(32);
  } else {
    return Fail(error, "unknown bitmap header");
  }
  const bool topDown = height < 0;
  height = std::llabs(height);
  if (icon) height /= 2;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
    return Fail(error, "bitmap size out of range");
  }
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) {
    return Fail(error, "unsupported bits per pixel");
  }
  if (compression != kBiRgb && !(compression == kBiBitfields && bpp == 32)) {
    return Fail(error, "compressed bitmaps are not supported");
  }
  std::size_t cursor = headerSize;
  std::uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
  bool maskedAlpha = false;
  if (compression == kBiBitfields) {
    // Masks live in the header from version 4 on, and just after a version-3 header otherwise.
    std::size_t at = headerSize >= 52 ? 40 : headerSize;
    if (!r.Has(at, 12)) return Fail(error, "truncated colour masks");
    masks[0] = r.U32(at);
    masks[1] = r.U32(at + 4);
    masks[2] = r.U32(at + 8);
    masks[3] = headerSize >= 56 ? r.U32(52) : 0;
    maskedAlpha = masks[3] != 0;
    if (headerSize < 52) cursor += 12;
  }
  std::vector<std::uint32_t> palette;
  if (bpp <= 8) {
    std::uint32_t count = colorsUsed != 0 ? colorsUsed : (1u << bpp);
    if (count > 256) return Fail(error, "palette too large");
    if (!r.Has(cursor, count * paletteEntry)) return Fail(error, "truncated palette");
    palette.resize(1u << bpp, 0);
    for (std::uint32_t i = 0; i < count && i < palette.size(); ++i) {
      std::size_t at = cursor + i * paletteEntry;
      palette[i] = (static_cast<std::uint32_t>(dib[at + 2]) << 16) | (dib[at + 1] << 8) | dib[at];
    }
    cursor += count * paletteEntry;
  }
  const long long stride = ((width * bpp + 31) / 32) * 4;
  const long long start = pixelOffset >= 0 ? pixelOffset : static_cast<long long>(cursor);
  if (start < 0 || static_cast<unsigned long long>(start) > dib.size() ||
      static_cast<unsigned long long>(stride * height) > dib.size() - static_cast<std::size_t>(start)) {
    return Fail(error, "truncated pixel data");
  }
  out->width = static_cast<int>(width);
  out->height = static_cast<int>(height);
  out->argb.assign(static_cast<std::size_t>(width * height), 0);
  bool anyAlpha = false;
  for (long long y = 0; y < height; ++y) {
    const long long srcRow = topDown ? y : height - 1 - y;
    const std::uint8_t* row = dib.data() + start + srcRow * stride;
    std::uint32_t* dst = out->argb.data() + y * width;
    for (long long x = 0; x < width; ++x) {
      std::uint32_t rgb = 0;
      std::uint32_t alpha = 0xFF;
      switch (bpp) {
        case 1:
          rgb = palette[(row[x / 8] >> (7 - x % 8)) & 1];
          break;
        case 4:
          rgb = palette[(row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xF];
          break;
        case 8:
          rgb = palette[row[x]];
          break;
        case 24:
          rgb = (static_cast<std::uint32_t>(row[x * 3 + 2]) << 16) | (row[x * 3 + 1] << 8) | row[x * 3];
          break;
        case 32: {
          const std::uint8_t* p = row + x * 4;
          std::uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
          rgb = (MaskValue(v, masks[0]) << 16) | (MaskValue(v, masks[1]) << 8) | MaskValue(v, masks[2]);
          if (compression == kBiBitfields ? maskedAlpha : icon) {
            alpha = compression == kBiBitfields ? MaskValue(v, masks[3]) : p[3];
            if (alpha != 0) anyAlpha = true;
          }
          break;
        }
        default:
          break;
      }
      dst[x] = (alpha << 24) | rgb;
    }
  }
  if (icon) {
    // 32-bit icons with an alpha channel use it; all others take transparency from the mask.
    if (bpp == 32 && anyAlpha) return true;
    const long long maskStride = ((width + 31) / 32) * 4;
    const long long maskStart = start + stride * height;
    const bool hasMask = static_cast<unsigned long long>(maskStart + maskStride * height) <= dib.size();
    for (long long y = 0; y < height; ++y) {
      const long long srcRow = topDown ? y : height - 1 - y;
      for (long long x = 0; x < width; ++x) {
        std::uint32_t& px = out->argb[static_cast<std::size_t>(y * width + x)];
        bool transparent = false;
        if (hasMask) transparent = (dib[maskStart + srcRow * maskStride + x / 8] >> (7 - x % 8)) & 1;
        px = (px & 0x00FFFFFF) | (transparent ? 0u : 0xFF000000u);
      }
    }
  }
  return true;
}

}  // namespace

bool DecodeBmp(std::span<const std::uint8_t> data, Image* out, std::string* error) {
  if (out == nullptr) return Fail(error, "no output");
  Reader r{data};
  if (r.Has(0, 14) && data[0] == 'B' && data[1] == 'M') {
    std::uint32_t offset = r.U32(10);
    if (offset < 14) return Fail(error, "bad pixel offset");
    return DecodeDib(data.subspan(14), static_cast<long long>(offset) - 14, false, out, error);
  }
  return DecodeDib(data, -1, false, out, error);
}

bool DecodeIcon(std::span<const std::uint8_t> data, Image* out, std::string* error) {
  if (out == nullptr) return Fail(error, "no output");
  Reader r{data};
  if (r.Has(0, 6) && r.U16(0) == 0 && r.U16(2) == 1) {
    const std::uint32_t count = r.U16(4);
    if (count == 0 || !r.Has(6, count * 16)) return Fail(error, "truncated icon directory");
    int best = -1;
    int bestScore = -1;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::size_t e = 6 + i * 16;
      int w = data[e] == 0 ? 256 : data[e];
      int score = w == 32 ? 100000 : w;  // 32 x 32 is what the desktop asks for
      if (score > bestScore) {
        bestScore = score;
        best = static_cast<int>(i);
      }
    }
    std::size_t e = 6 + static_cast<std::size_t>(best) * 16;
    std::uint32_t size = r.U32(e + 8);
    std::uint32_t offset = r.U32(e + 12);
    if (!r.Has(offset, size) || size < 8) return Fail(error, "truncated icon image");
    auto image = data.subspan(offset, size);
    if (image[0] == 0x89 && image[1] == 'P') return Fail(error, "PNG icon images are not supported");
    return DecodeDib(image, -1, true, out, error);
  }
  if (r.Has(0, 2) && data[0] == 'B' && data[1] == 'M') return DecodeBmp(data, out, error);
  return DecodeDib(data, -1, true, out, error);
}

}  // namespace resources
