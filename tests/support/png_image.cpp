// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/png_image.h"

#include <png.h>

#include <cstdio>

namespace testpng {

std::optional<Image> ReadPng(const std::string& path, std::string* error) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) {
    if (error) *error = path + ": " + png.message;
    return std::nullopt;
  }
  png.format = PNG_FORMAT_RGB;
  std::vector<png_byte> bytes(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, bytes.data(), 0, nullptr)) {
    if (error) *error = path + ": " + png.message;
    png_image_free(&png);
    return std::nullopt;
  }
  Image image;
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    image.pixels[i] = (static_cast<std::uint32_t>(bytes[i * 3]) << 16) |
                      (static_cast<std::uint32_t>(bytes[i * 3 + 1]) << 8) | bytes[i * 3 + 2];
  }
  return image;
}

bool WritePng(const std::string& path, const Image& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != static_cast<std::size_t>(image.width) * image.height) {
    return false;
  }
  std::vector<png_byte> bytes(image.pixels.size() * 3);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    bytes[i * 3] = static_cast<png_byte>((image.pixels[i] >> 16) & 0xFF);
    bytes[i * 3 + 1] = static_cast<png_byte>((image.pixels[i] >> 8) & 0xFF);
    bytes[i * 3 + 2] = static_cast<png_byte>(image.pixels[i] & 0xFF);
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&png, path.c_str(), 0, bytes.data(), 0, nullptr)) {
    std::remove(path.c_str());
    return false;
  }
  return true;
}

}  // namespace testpng
