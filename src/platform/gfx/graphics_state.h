// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing state of the process: the objects and device contexts behind their handles, the
// stock objects, the system colours' brushes, the fonts in use and the screen the display's DCs
// answer for. Drawing
// needs no display (memory bitmaps, text measured before a window exists), so this is made on
// first use and lives as long as the process: a platform restart keeps every handle valid.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/gfx/gdi_internal.h"

class Backend;

namespace gfx {

struct GraphicsState {
  // Handles start well above small integers so that a colour index or a count passed by mistake
  // is never a valid handle; they grow by this step and are never reused.
  static constexpr std::uintptr_t kFirstHandle = 0x10000;
  static constexpr std::uintptr_t kHandleStep = 4;
  static constexpr int kStockCount = kStockDefaultBitmap + 1;

  std::uintptr_t lastHandle = kFirstHandle;
  std::unordered_map<std::uintptr_t, GdiObjectPtr> objects;
  std::unordered_map<std::uintptr_t, std::unique_ptr<DeviceContext>> dcs;
  std::array<HGDIOBJ, kStockCount> stockObjects{};
  std::array<HBRUSH, COLOR_MAX + 1> sysColorBrushes{};
  // Fonts by face, height, weight step and slant; those nobody holds go when the cache is full.
  std::map<std::string, std::shared_ptr<FontInstance>> fonts;
  Backend* screen = nullptr;  // the running platform's display (AttachScreen)
};

GraphicsState& Graphics();

}  // namespace gfx
