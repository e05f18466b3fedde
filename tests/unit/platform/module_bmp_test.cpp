// SPDX-License-Identifier: GPL-3.0-or-later
// Bitmap and icon resources decoded from their file layouts, including the hostile ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/module/module_bmp.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = (v >> 8) & 0xFF;
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = (v >> (8 * i)) & 0xFF;
}

// A .bmp file: header, 40-byte info header, palette, then rows as given (already padded).
Bytes MakeBmp(int width, int height, int bpp, const std::vector<std::uint32_t>& palette, const Bytes& rows,
              std::uint32_t compression = 0) {
  const std::size_t pal = palette.size() * 4;
  Bytes b(14 + 40 + pal, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(b.size() + rows.size()));
  Put32(b, 10, static_cast<std::uint32_t>(14 + 40 + pal));
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<std::uint32_t>(bpp));
  Put32(b, 30, compression);
  Put32(b, 46, static_cast<std::uint32_t>(palette.size()));
  for (std::size_t i = 0; i < palette.size(); ++i) Put32(b, 54 + i * 4, palette[i]);
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

module::Image Decode(const Bytes& b) {
  module::Image img;
  std::string error;
  EXPECT_TRUE(module::DecodeBmp(b, &img, &error)) << error;
  return img;
}

TEST(ModuleBmp, FourBitBottomUpWithPalette) {
  // 3 x 2, palette: 0 black, 1 red, 2 green; bottom row first in the file.
  std::vector<std::uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00};
  Bytes rows = {0x12, 0x00, 0x00, 0x00,   // bottom row: 1 2 0
                0x21, 0x10, 0x00, 0x00};  // top row:    2 1 1
  auto img = Decode(MakeBmp(3, 2, 4, palette, rows));
  ASSERT_EQ(img.width, 3);
  ASSERT_EQ(img.height, 2);
  EXPECT_EQ(img.argb, (std::vector<std::uint32_t>{0xFF00FF00, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFF00FF00,
                                                  0xFF000000}));
}

TEST(ModuleBmp, OneAndEightBitsAndTopDown) {
  std::vector<std::uint32_t> mono = {0x000000, 0xFFFFFF};
  Bytes rows = {0xA0, 0, 0, 0};  // 1 0 1 0
  auto img = Decode(MakeBmp(4, 1, 1, mono, rows));
  EXPECT_EQ(img.argb, (std::vector<std::uint32_t>{0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFF000000}));

  std::vector<std::uint32_t> pal(256, 0);
  pal[200] = 0x123456;
  pal[7] = 0xABCDEF;
  Bytes rows8 = {200, 7, 0, 0, 7, 200, 0, 0};
  auto top = Decode(MakeBmp(2, -2, 8, pal, rows8));  // negative height: first row is the top
  EXPECT_EQ(top.argb, (std::vector<std::uint32_t>{0xFF123456, 0xFFABCDEF, 0xFFABCDEF, 0xFF123456}));
}

TEST(ModuleBmp, TwentyFourAndThirtyTwoBits) {
  Bytes rows24 = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0, 0};  // B G R per pixel, padded to 8
  auto img = Decode(MakeBmp(2, 1, 24, {}, rows24));
  EXPECT_EQ(img.argb, (std::vector<std::uint32_t>{0xFF030201, 0xFF060504}));
  Bytes rows32 = {0x10, 0x20, 0x30, 0x00};
  auto img32 = Decode(MakeBmp(1, 1, 32, {}, rows32));
  EXPECT_EQ(img32.argb, (std::vector<std::uint32_t>{0xFF302010}));
}

TEST(ModuleBmp, BareDibWithoutFileHeader) {
  Bytes file = MakeBmp(1, 1, 24, {}, {0xFF, 0x00, 0x00, 0});
  Bytes dib(file.begin() + 14, file.end());
  auto img = Decode(dib);
  EXPECT_EQ(img.argb, (std::vector<std::uint32_t>{0xFF0000FF}));
}

TEST(ModuleBmp, BrokenFilesAreRefusedWithAReason) {
  module::Image img;
  std::string error;
  Bytes good = MakeBmp(4, 4, 24, {}, Bytes(4 * 12, 0x55));
  Bytes truncated(good.begin(), good.end() - 5);
  EXPECT_FALSE(module::DecodeBmp(truncated, &img, &error));
  EXPECT_EQ(error, "truncated pixel data");
  Bytes huge = MakeBmp(100000, 1, 24, {}, {});
  EXPECT_FALSE(module::DecodeBmp(huge, &img, &error));
  EXPECT_EQ(error, "bitmap size out of range");
  Bytes rle = MakeBmp(2, 2, 8, std::vector<std::uint32_t>(2, 0), Bytes(8, 0), 1);
  EXPECT_FALSE(module::DecodeBmp(rle, &img, &error));
  Bytes odd = MakeBmp(2, 2, 16, {}, Bytes(8, 0));
  EXPECT_FALSE(module::DecodeBmp(odd, &img, &error));
  EXPECT_FALSE(module::DecodeBmp(Bytes{'B', 'M', 1}, &img, &error));
  EXPECT_FALSE(module::DecodeBmp(Bytes{}, &img, &error));
  Bytes badPalette = MakeBmp(1, 1, 8, {}, Bytes(4, 0));
  Put32(badPalette, 46, 100000);  // claims far more colours than the file holds
  EXPECT_FALSE(module::DecodeBmp(badPalette, &img, &error));
  Bytes badOffset = good;
  Put32(badOffset, 10, 0xFFFFFFF0);
  EXPECT_FALSE(module::DecodeBmp(badOffset, &img, &error));
}

TEST(ModuleBmp, IconWithMaskInAnIcoFile) {
  // One 2 x 2 entry, 24 bits, with its AND mask: top-left pixel transparent.
  Bytes dib(40, 0);
  Put32(dib, 0, 40);
  Put32(dib, 4, 2);
  Put32(dib, 8, 4);  // twice the height
  Put16(dib, 12, 1);
  Put16(dib, 14, 24);
  Bytes colours = {0,   0, 255, 0,   255, 0,   0, 0,   // bottom row: red, green
                   255, 0, 0,   255, 255, 255, 0, 0};  // top row: blue, white
  Bytes mask = {0x00, 0, 0, 0,                         // bottom row opaque
                0x80, 0, 0, 0};                        // top row: first pixel transparent
  dib.insert(dib.end(), colours.begin(), colours.end());
  dib.insert(dib.end(), mask.begin(), mask.end());
  Bytes ico(6 + 16, 0);
  Put16(ico, 2, 1);
  Put16(ico, 4, 1);
  ico[6] = 2;
  ico[7] = 2;
  Put32(ico, 6 + 8, static_cast<std::uint32_t>(dib.size()));
  Put32(ico, 6 + 12, 22);
  ico.insert(ico.end(), dib.begin(), dib.end());
  module::Image img;
  std::string error;
  ASSERT_TRUE(module::DecodeIcon(ico, &img, &error)) << error;
  EXPECT_EQ(img.width, 2);
  EXPECT_EQ(img.height, 2);
  EXPECT_EQ(img.argb, (std::vector<std::uint32_t>{0x000000FF, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00}));
  // The same image without the directory is accepted as a single icon bitmap.
  ASSERT_TRUE(module::DecodeIcon(dib, &img, &error)) << error;
  EXPECT_EQ(img.argb[0], 0x000000FFu);
  // A directory pointing past the end is refused.
  Put32(ico, 6 + 12, 5000);
  EXPECT_FALSE(module::DecodeIcon(ico, &img, &error));
}

}  // namespace
