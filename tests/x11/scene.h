// SPDX-License-Identifier: GPL-3.0-or-later
// A small window scene for the end-to-end tests: a top-level window with three child windows
// that paint fills, lines, wide pens, edges and text, and that record the input they get. The
// same scene drawn on two backends must give the same pixels.
#pragma once

#include "base/types.h"
#include "platform/platform.h"
#include "support/message_log.h"

namespace scene {

inline constexpr int kClientWidth = 320;
inline constexpr int kClientHeight = 200;
inline constexpr int kLeft = 100;
inline constexpr int kTop = 80;

// The input and close requests the scene's windows received.
testwin::Log& Log();

struct Windows {
  HWND top = nullptr;
  HWND fills = nullptr;  // solid fills and a rectangle
  HWND lines = nullptr;  // thin and wide lines
  HWND text = nullptr;   // client edge, raised and sunken edges, text
};

// Registers the classes on the current platform (again after a fresh InitPlatform) and clears
// the log.
void Reset();
// Creates the scene at (kLeft, kTop) and shows it.
Windows Create();
// Every window of the scene has been painted at least once.
bool FullyPainted();

}  // namespace scene
