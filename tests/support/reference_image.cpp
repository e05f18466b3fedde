// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/reference_image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <sstream>

#include "platform/headless/headless_driver.h"
#include "platform/surface.h"

namespace testpng {
namespace {

bool UpdatingReferences() {
  const char* value = std::getenv("TESSIVO_UPDATE_REFERENCES");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

// A pixel of the reference, faded towards white so that red differences stand out on it.
std::uint32_t Faded(std::uint32_t pixel) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const std::uint32_t channel = (pixel >> shift) & 0xFF;
    out |= (170 + channel / 3) << shift;
  }
  return out;
}

}  // namespace

Image Presented(HWND topLevel) {
  Image image;
  const Surface* surface = headless::PresentedSurface(topLevel);
  if (surface == nullptr) return image;
  image.width = surface->Width();
  image.height = surface->Height();
  for (int y = 0; y < image.height; ++y) {
    const std::uint32_t* row = surface->Row(y);
    for (int x = 0; x < image.width; ++x) image.pixels.push_back(row[x] & 0xFFFFFF);
  }
  return image;
}

::testing::AssertionResult MatchesReference(const Image& shown, const std::string& name) {
  const std::filesystem::path reference =
      std::filesystem::path(TESSIVO_SOURCE_DIR) / "tests" / "reference" / (name + ".png");
  if (shown.width <= 0 || shown.height <= 0) {
    return ::testing::AssertionFailure() << "the window shows nothing to compare with " << reference;
  }
  if (UpdatingReferences()) {
    if (!WritePng(reference.string(), shown)) {
      return ::testing::AssertionFailure() << "could not rewrite " << reference;
    }
    std::fprintf(stderr, "rewrote reference image %s\n", reference.c_str());
    return ::testing::AssertionSuccess();
  }

  std::string error;
  const std::optional<Image> expected = ReadPng(reference.string(), &error);
  std::error_code ec;
  const std::filesystem::path outputDir = std::filesystem::path(TESSIVO_BINARY_DIR) / "reference-output";
  std::filesystem::create_directories(outputDir, ec);
  const std::filesystem::path actualPath = outputDir / (name + ".actual.png");
  const std::filesystem::path diffPath = outputDir / (name + ".diff.png");
  std::filesystem::remove(actualPath, ec);
  std::filesystem::remove(diffPath, ec);

  std::ostringstream failure;
  if (!expected) {
    failure << "no reference image (" << error << ")";
  } else if (expected->width != shown.width || expected->height != shown.height) {
    failure << "the window is " << shown.width << " x " << shown.height << ", the reference "
            << expected->width << " x " << expected->height;
  } else {
    Image diff = *expected;
    long differing = 0;
    int firstX = -1;
    int firstY = -1;
    for (int y = 0; y < shown.height; ++y) {
      for (int x = 0; x < shown.width; ++x) {
        const std::size_t i = static_cast<std::size_t>(y) * shown.width + x;
        if (shown.pixels[i] == expected->pixels[i]) {
          diff.pixels[i] = Faded(expected->pixels[i]);
          continue;
        }
        diff.pixels[i] = 0xFF0000;
        if (differing++ == 0) {
          firstX = x;
          firstY = y;
        }
      }
    }
    if (differing == 0) return ::testing::AssertionSuccess();
    std::ostringstream first;
    first << std::hex << std::setfill('0') << "0x" << std::setw(6) << shown.At(firstX, firstY)
          << " where the reference has 0x" << std::setw(6) << expected->At(firstX, firstY);
    failure << differing << " pixels differ from " << reference.string() << ", the first at (" << firstX
            << ", " << firstY << "): " << first.str();
    if (WritePng(diffPath.string(), diff)) failure << "\n  differences: " << diffPath.string();
  }
  if (WritePng(actualPath.string(), shown)) failure << "\n  shown: " << actualPath.string();
  failure << "\n  (TESSIVO_UPDATE_REFERENCES=1 rewrites the reference when the change is meant)";
  return ::testing::AssertionFailure() << failure.str();
}

}  // namespace testpng
