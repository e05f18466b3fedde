// SPDX-License-Identifier: GPL-3.0-or-later
// The program's module (file name, resources, start-up information) and the standard icons.
#include "platform/module.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <span>
#include <vector>

#include "base/cp1252.h"
#include "base/last_error.h"
#include "base/program_folder.h"
#include "platform/gdi.h"
#include "platform/gfx/gdi_icon.h"
#include "platform/gfx/graphics_state.h"
#include "platform/module/module_bmp.h"

namespace module {
namespace {

const ResourceSet* g_resources = nullptr;

HMODULE ProgramModule() { return reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x400000)); }

struct Icon {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;
};

HICON AddIcon(const Icon& icon) { return gfx::CreateIconFromArgb(icon.width, icon.height, icon.argb.data()); }

std::uint32_t ReadU32(std::span<const std::uint8_t> data, std::size_t at) {
  return static_cast<std::uint32_t>(data[at]) | (static_cast<std::uint32_t>(data[at + 1]) << 8) |
         (static_cast<std::uint32_t>(data[at + 2]) << 16) | (static_cast<std::uint32_t>(data[at + 3]) << 24);
}

// An icon resource as the resource compiler writes it: one or more images back to back, each its
// width, height and pixels (u32 LE each). False, with nothing decoded, unless the data is exactly
// that, so other icon data (an .ico file, an icon bitmap) is left to the bitmap decoder.
bool DecodeCompiledIcon(std::span<const std::uint8_t> data, std::vector<Icon>* out) {
  constexpr std::size_t kWord = 4;
  constexpr std::uint32_t kLargestSide = 1024;
  std::vector<Icon> sizes;
  std::size_t at = 0;
  while (at < data.size()) {
    if (data.size() - at < 2 * kWord) return false;
    const std::uint32_t width = ReadU32(data, at);
    const std::uint32_t height = ReadU32(data, at + kWord);
    at += 2 * kWord;
    if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide) return false;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    if ((data.size() - at) / kWord < count) return false;
    Icon icon{static_cast<int>(width), static_cast<int>(height), std::vector<std::uint32_t>(count)};
    for (std::size_t i = 0; i < count; ++i, at += kWord) icon.argb[i] = ReadU32(data, at);
    sizes.push_back(std::move(icon));
  }
  if (sizes.empty()) return false;
  *out = std::move(sizes);
  return true;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// The standard icons are 32 x 32 pixels, drawn row by row.
constexpr int kIconSide = 32;
constexpr std::size_t kIconPixels = static_cast<std::size_t>(kIconSide) * kIconSide;
std::size_t IconPixel(int x, int y) {
  return static_cast<std::size_t>(y) * kIconSide + static_cast<std::size_t>(x);
}

// The standard application icon: a small window with a blue title bar.
Icon ApplicationIcon() {
  Icon icon{kIconSide, kIconSide, std::vector<std::uint32_t>(kIconPixels, 0)};
  for (int y = 4; y < 28; ++y) {
    for (int x = 2; x < 30; ++x) {
      std::uint32_t c = 0xFFFFFFFF;
      if (x == 2 || x == 29 || y == 4 || y == 27) {
        c = 0xFF000000;
      } else if (y < 10) {
        c = 0xFF0A246A;
      }
      icon.argb[IconPixel(x, y)] = c;
    }
  }
  return icon;
}

// The stop icon of error boxes: a red disc with a white cross.
Icon StopIcon() {
  Icon icon{kIconSide, kIconSide, std::vector<std::uint32_t>(kIconPixels, 0)};
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const int dx2 = 2 * x + 1 - 32;
      const int dy2 = 2 * y + 1 - 32;
      const int d2 = dx2 * dx2 + dy2 * dy2;  // (2r)^2
      if (d2 > 30 * 30) continue;
      std::uint32_t c = d2 > 27 * 27 ? 0xFF800000 : 0xFFE00000;
      const bool onCross =
          (std::abs(x - y) <= 1 || std::abs(x + y - 31) <= 1) && x >= 9 && x <= 22 && y >= 9 && y <= 22;
      if (onCross) c = 0xFFFFFFFF;
      icon.argb[IconPixel(x, y)] = c;
    }
  }
  return icon;
}

HICON StandardIcon(std::uintptr_t id) {
  auto& made = gfx::Graphics().standardIcons;
  auto it = made.find(id);
  if (it != made.end()) return it->second;
  HICON icon = nullptr;
  if (id == IDI_APPLICATION) icon = AddIcon(ApplicationIcon());
  if (id == IDI_HAND) icon = AddIcon(StopIcon());
  if (icon != nullptr) made[id] = icon;
  return icon;
}

}  // namespace
}  // namespace module

using namespace module;

void SetModuleResources(const ResourceSet* resources) { g_resources = resources; }
HMODULE GetModuleHandle(const char* name) { return name == nullptr ? ProgramModule() : nullptr; }

DWORD GetModuleFileName(HMODULE module, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  buffer[0] = '\0';
  if (module != nullptr && module != ProgramModule()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  const std::string path = base::ProgramPath();
  if (path.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  std::string cp = text::Utf8ToCp1252(path);
  DWORD len = static_cast<DWORD>(std::min<std::size_t>(cp.size(), size - 1));
  std::memcpy(buffer, cp.data(), len);
  buffer[len] = '\0';
  return len;
}

std::span<const std::uint8_t> FindResourceData(HMODULE, std::string_view name, std::uintptr_t kind) {
  if (g_resources == nullptr || name.empty()) return {};
  for (const ResourceEntry& e : g_resources->entries) {
    if (e.kind == kind && SameName(e.name, name)) return e.data;
  }
  return {};
}

int LoadString(HINSTANCE, UINT id, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  if (g_resources == nullptr) return 0;
  for (const ResourceEntry& e : g_resources->entries) {
    if (e.kind != RT_STRING || e.id != id) continue;
    int n = std::min<int>(size - 1, static_cast<int>(e.data.size()));
    std::memcpy(buffer, e.data.data(), static_cast<std::size_t>(n));
    buffer[n] = '\0';
    return n;
  }
  return 0;
}

HBITMAP LoadBitmap(HINSTANCE instance, const char* name) {
  if (name == nullptr) return nullptr;
  auto data = FindResourceData(instance, name, RT_BITMAP);
  if (data.empty()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  module::Image image;
  std::string error;
  if (!module::DecodeBmp(data, &image, &error)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  for (std::uint32_t& p : image.argb) p &= 0x00FFFFFF;
  return CreateBitmapFromPixels(image.width, image.height, image.argb.data());
}

HICON LoadIcon(HINSTANCE instance, const char* name) {
  if (name == nullptr) return nullptr;
  for (std::uintptr_t kind : {RT_GROUP_ICON, RT_ICON}) {
    auto data = FindResourceData(instance, name, kind);
    if (data.empty()) continue;
    std::vector<Icon> sizes;
    if (kind == RT_ICON && DecodeCompiledIcon(data, &sizes)) {
      HICON icon = AddIcon(sizes.front());
      for (std::size_t i = 1; i < sizes.size() && icon != nullptr; ++i) {
        gfx::AddIconSize(icon, sizes[i].width, sizes[i].height, sizes[i].argb.data());
      }
      return icon;
    }
    module::Image image;
    std::string error;
    if (!module::DecodeIcon(data, &image, &error)) continue;
    return AddIcon({image.width, image.height, std::move(image.argb)});
  }
  SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

HICON LoadIconById(HINSTANCE instance, std::uintptr_t id) {
  if (instance == nullptr) return StandardIcon(id);
  return nullptr;
}

BOOL DestroyIcon(HICON icon) {
  if (icon == nullptr || gfx::IconImage(icon) == nullptr) return FALSE;
  for (const auto& [id, shared] : gfx::Graphics().standardIcons) {
    if (shared == icon) return TRUE;
  }
  return gfx::DestroyIconImage(icon);
}
