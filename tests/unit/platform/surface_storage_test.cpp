// SPDX-License-Identifier: GPL-3.0-or-later
// A surface whose pixels live in memory of someone else's (the display's shared image): moving in
// and out, copies, and the display's chance to finish reading before drawing changes anything.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gdi.h"
#include "platform/gfx/dc_internal.h"
#include "platform/surface.h"

namespace {

// Memory that records every BeforeWrite and what its pixels held at that moment.
class RecordingStorage final : public SurfaceStorage {
 public:
  explicit RecordingStorage(std::size_t words) : m_words(words, 0xDEADBEEF) {}
  std::uint32_t* Pixels() override { return m_words.data(); }
  void BeforeWrite() override { seenBeforeWrites.push_back(m_words); }

  std::vector<std::vector<std::uint32_t>> seenBeforeWrites;

 private:
  std::vector<std::uint32_t> m_words;
};

}  // namespace

TEST(SurfaceStorage, MovingInKeepsThePixelsAndResizingGoesBackToTheHeap) {
  Surface surface(4, 3, 0x112233);
  surface.Row(2)[3] = 0x445566;
  auto storage = std::make_shared<RecordingStorage>(12);
  surface.MoveInto(storage);
  EXPECT_EQ(surface.Storage(), storage.get());
  EXPECT_EQ(surface.Data(), storage->Pixels());
  EXPECT_EQ(storage->Pixels()[0], 0x112233u);
  EXPECT_EQ(storage->Pixels()[11], 0x445566u);

  // Moving keeps the storage; copying makes pixels of the copy's own.
  Surface moved = std::move(surface);
  EXPECT_EQ(moved.Storage(), storage.get());
  Surface copy = moved;
  EXPECT_EQ(copy.Storage(), nullptr);
  EXPECT_NE(copy.Data(), storage->Pixels());
  EXPECT_EQ(copy.Pixel(3, 2), 0x445566u);
  copy = moved;  // assignment too
  EXPECT_EQ(copy.Storage(), nullptr);

  moved.Resize(5, 3, 0x778899);
  EXPECT_EQ(moved.Storage(), nullptr);
  EXPECT_EQ(moved.Pixel(3, 2), 0x445566u);
  EXPECT_EQ(moved.Pixel(4, 0), 0x778899u);
  EXPECT_EQ(storage.use_count(), 1) << "the surface still holds memory of the old size";
}

TEST(SurfaceStorage, DrawingAsksTheStorageBeforeChangingAPixel) {
  Surface surface(20, 10, 0xFFFFFF);
  auto storage = std::make_shared<RecordingStorage>(200);
  surface.MoveInto(storage);
  HDC dc = gfx::CreateSurfaceDC(reinterpret_cast<HWND>(0x5100), &surface, POINT{0, 0}, {RECT{0, 0, 20, 10}});
  ASSERT_NE(dc, nullptr);
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  const RECT all{0, 0, 20, 10};
  FillRect(dc, &all, black);
  ASSERT_FALSE(storage->seenBeforeWrites.empty());
  for (std::uint32_t p : storage->seenBeforeWrites.front()) ASSERT_EQ(p, 0xFFFFFFu);
  EXPECT_EQ(surface.Pixel(5, 5), 0u);
  gfx::DestroySurfaceDC(dc);
  DeleteObject(black);
}
