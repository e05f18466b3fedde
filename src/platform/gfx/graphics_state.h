// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing state of the process: the objects and device contexts behind their handles, the
// stock objects and standard icons, the system colours' brushes and the fonts in use. Drawing
// needs no display (memory bitmaps, text measured before a window exists), so this is made on
// first use and lives as long as the process: a platform restart keeps every handle valid. Nothing
// of a run lives here (the screen the display's DCs answer for is bound by the run: screen.h).
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
  // Standard icons by identifier (IDI_APPLICATION...), made once and shared like the stock
  // objects: DestroyIcon leaves them alone.
  std::map<std::uintptr_t, HICON> standardIcons;
};

GraphicsState& Graphics();

}  // namespace gfx
