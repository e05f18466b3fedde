// SPDX-License-Identifier: GPL-3.0-or-later
// The module's resources: found by kind and name, string-table texts, bitmaps and icons decoded
// from their files; missing and broken resources give nothing, never a crash.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi.h"
#include "platform/gfx/gdi_icon.h"
#include "platform/module.h"
#include "platform/surface.h"
#include "platform/window.h"
#include "support/program_file.h"

namespace {

std::vector<std::uint8_t> TinyBmp() {
  // 2 x 1, 24 bits: blue then red, bottom-up (one row).
  std::vector<std::uint8_t> b(54, 0);
  b[0] = 'B';
  b[1] = 'M';
  b[10] = 54;
  b[14] = 40;
  b[18] = 2;
  b[22] = 1;
  b[26] = 1;
  b[28] = 24;
  const std::uint8_t row[] = {255, 0, 0, 0, 0, 255, 0, 0};
  b.insert(b.end(), std::begin(row), std::end(row));
  return b;
}

class ModuleResources : public ::testing::Test {
 protected:
  void SetUp() override {
    m_bmp = TinyBmp();
    m_broken = std::vector<std::uint8_t>(m_bmp.begin(), m_bmp.begin() + 40);
    m_entries = {
        {RT_RCDATA, "TFORM1", 0, std::span<const std::uint8_t>(m_form)},
        {RT_BITMAP, "EN_MPPLAY", 0, std::span<const std::uint8_t>(m_bmp)},
        {RT_BITMAP, "BROKEN", 0, std::span<const std::uint8_t>(m_broken)},
        {RT_STRING, "", 65000,
         std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(m_text), 17)},
    };
    m_set.entries = m_entries;
    SetModuleResources(&m_set);
  }
  void TearDown() override { SetModuleResources(nullptr); }

  const std::uint8_t m_form[3] = {1, 2, 3};
  const char* m_text = "Application Error";
  std::vector<std::uint8_t> m_bmp;
  std::vector<std::uint8_t> m_broken;
  std::vector<ResourceEntry> m_entries;
  ResourceSet m_set;
};

TEST_F(ModuleResources, FoundByKindAndNameIgnoringCase) {
  auto form = FindResourceData(nullptr, "tForm1", RT_RCDATA);
  ASSERT_EQ(form.size(), 3u);
  EXPECT_EQ(form[2], 3);
  EXPECT_TRUE(FindResourceData(nullptr, "TFORM1", RT_BITMAP).empty());
  EXPECT_TRUE(FindResourceData(nullptr, "TFORM2", RT_RCDATA).empty());
  EXPECT_TRUE(FindResourceData(nullptr, "", RT_RCDATA).empty());
  SetModuleResources(nullptr);
  EXPECT_TRUE(FindResourceData(nullptr, "TFORM1", RT_RCDATA).empty());
}

TEST_F(ModuleResources, StringTableTextsAreCutToTheBuffer) {
  char buffer[64];
  EXPECT_EQ(LoadString(nullptr, 65000, buffer, sizeof buffer), 17);
  EXPECT_STREQ(buffer, "Application Error");
  char small[8];
  EXPECT_EQ(LoadString(nullptr, 65000, small, sizeof small), 7);
  EXPECT_STREQ(small, "Applica");
  EXPECT_EQ(LoadString(nullptr, 12345, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(LoadString(nullptr, 65000, nullptr, 10), 0);
}

TEST_F(ModuleResources, BitmapsAreDecodedIntoDrawableBitmaps) {
  HBITMAP bmp = LoadBitmap(nullptr, "EN_MPPLAY");
  ASSERT_NE(bmp, nullptr);
  BITMAP info{};
  ASSERT_NE(GetObject(bmp, sizeof info, &info), 0);
  EXPECT_EQ(info.bmWidth, 2);
  EXPECT_EQ(info.bmHeight, 1);
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, bmp);
  EXPECT_EQ(GetPixel(mem, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(mem, 1, 0), RGB(255, 0, 0));
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
  EXPECT_EQ(LoadBitmap(nullptr, "BROKEN"), nullptr);
  EXPECT_EQ(LoadBitmap(nullptr, "MISSING"), nullptr);
}

TEST_F(ModuleResources, StandardIconsAndMissingIcons) {
  HICON app = LoadIconById(nullptr, IDI_APPLICATION);
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(LoadIconById(nullptr, IDI_APPLICATION), app);  // one shared standard icon
  const Surface* image = gfx::IconImage(app);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Width(), 32);
  EXPECT_EQ(image->Pixel(0, 0) >> 24, 0u);       // transparent corner
  EXPECT_EQ(image->Pixel(16, 16) >> 24, 0xFFu);  // opaque body
  EXPECT_TRUE(DestroyIcon(app));
  EXPECT_NE(gfx::IconImage(app), nullptr);  // shared icons outlive DestroyIcon
  HICON stop = LoadIconById(nullptr, IDI_HAND);
  ASSERT_NE(stop, nullptr);
  EXPECT_EQ(gfx::IconImage(stop)->Pixel(16, 3) & 0xFFFFFF, 0xE00000u);  // red disc
  EXPECT_EQ(LoadIcon(nullptr, "MAINICON"), nullptr);                    // not in this set
  EXPECT_FALSE(DestroyIcon(nullptr));
}

// The sizes an icon offers the desktop, in the order IconArgb lists them.
std::vector<std::pair<std::uint32_t, std::uint32_t>> IconSizes(HICON icon) {
  const std::vector<std::uint32_t> argb = gfx::IconArgb(icon);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes;
  for (std::size_t at = 0; at + 2 <= argb.size(); at += 2 + std::size_t{argb[at]} * argb[at + 1]) {
    sizes.emplace_back(argb[at], argb[at + 1]);
  }
  return sizes;
}

// The program's own icon, as built: drawn at 32 x 32 (not the standard icon it falls back to),
// with the 16 and 48 pixel drawings offered to the desktop beside it.
TEST(ModuleIcon, TheProgramIconLoadsWithEverySize) {
  SetModuleResources(TessivoResources());
  HICON icon = LoadIcon(GetModuleHandle(nullptr), "MAINICON");
  ASSERT_NE(icon, nullptr);
  EXPECT_NE(icon, LoadIconById(nullptr, IDI_APPLICATION));
  const Surface* image = gfx::IconImage(icon);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Width(), 32);
  EXPECT_EQ(image->Pixel(0, 0) >> 24, 0u) << "transparent corner";
  EXPECT_EQ(image->Pixel(4, 16), 0xFF000080u) << "the navy square";
  using Size = std::pair<std::uint32_t, std::uint32_t>;
  EXPECT_EQ(IconSizes(icon), (std::vector<Size>{{32, 32}, {16, 16}, {48, 48}}));
  EXPECT_TRUE(DestroyIcon(icon));
  SetModuleResources(nullptr);
}

// Compiled icon data with a second image cut short is not an icon: nothing is loaded from it.
TEST(ModuleIcon, ACompiledIconCutShortLoadsNothing) {
  const std::vector<std::uint8_t> data = {1, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0, 0, 0xFF,   // 1 x 1
                                          2, 0, 0, 0, 2, 0, 0, 0, 0xFF, 0, 0, 0xFF};  // 2 x 2, 1 pixel
  const ResourceEntry entry{RT_ICON, "CUT", 0, std::span<const std::uint8_t>(data)};
  ResourceSet set{std::span<const ResourceEntry>(&entry, 1)};
  SetModuleResources(&set);
  EXPECT_EQ(LoadIcon(GetModuleHandle(nullptr), "CUT"), nullptr);
  const std::span<const std::uint8_t> whole(data.data(), 12);
  const ResourceEntry one{RT_ICON, "ONE", 0, whole};
  set.entries = std::span<const ResourceEntry>(&one, 1);
  HICON icon = LoadIcon(GetModuleHandle(nullptr), "ONE");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(gfx::IconArgb(icon), (std::vector<std::uint32_t>{1, 1, 0xFF0000FF}));
  DestroyIcon(icon);
  SetModuleResources(nullptr);
}

TEST(ModuleFile, FileNameOfTheProgram) {
  char path[4096];
  DWORD n = GetModuleFileName(nullptr, path, sizeof path);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(std::strlen(path), n);
  const std::string expected = testsupport::RunningProgramFile().string();
  ASSERT_GT(expected.size(), 4u);
  EXPECT_EQ(path, expected);  // an ASCII build path reads the same in cp1252
  char small[5];
  EXPECT_EQ(GetModuleFileName(nullptr, small, sizeof small), 4u);
  EXPECT_EQ(std::string(small), expected.substr(0, 4));
  EXPECT_EQ(GetModuleFileName(nullptr, small, 0), 0u);
  EXPECT_EQ(GetModuleFileName(reinterpret_cast<HMODULE>(0x1234), path, sizeof path), 0u);
  EXPECT_EQ(GetModuleHandle(nullptr), GetModuleHandle(nullptr));
  EXPECT_NE(GetModuleHandle(nullptr), nullptr);
  EXPECT_FALSE(IsDBCSLeadByte(0xE3));
}

}  // namespace
