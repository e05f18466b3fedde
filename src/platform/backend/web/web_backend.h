// SPDX-License-Identifier: GPL-3.0-or-later
// The browser as the display: the page is the desktop (its viewport the screen), each top-level
// window of the program a window in the page, drawn by the page's display script
// (backend/web/page/display.js) with the frame and caption a desktop would draw, its client area
// a canvas the platform's surfaces are copied into. The page's events come back through the
// script's queue; the blocking wait yields to the browser until one arrives, a timer is due or the
// program wakes itself (WebAssembly with Asyncify). Only in the WebAssembly build.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend/backend.h"

namespace web {

class WebBackend final : public backend::Backend {
 public:
  WebBackend();
  ~WebBackend() override;
  WebBackend(const WebBackend&) = delete;
  WebBackend& operator=(const WebBackend&) = delete;

  // ---- The screen: the page's viewport ----
  int ScreenWidth() override;
  int ScreenHeight() override;
  // 96 times the device pixel ratio: the page's canvases are backed one to one by the screen's
  // pixels, and the program lays its windows out for them.
  int PixelsPerInch() override;

  // ---- Top-level windows: elements of the page ----
  bool CreateNative(HWND hwnd, const RECT& screenRect, const backend::TopLevelProps& props) override;
  void DestroyNative(HWND hwnd) override;
  // The frame and caption the page draws around the client area, known from the window's creation.
  RECT FrameExtents(HWND hwnd) override;
  void SetNativeProps(HWND hwnd, const backend::TopLevelProps& props) override;
  void SetNativeBounds(HWND hwnd, const RECT& screenRect) override;
  void SetNativeShowState(HWND hwnd, backend::NativeShowState state) override;
  void ActivateNative(HWND hwnd) override;
  void Present(HWND hwnd, Surface& surface, std::span<const RECT> dirty) override;

  // ---- Input: the page's pointer and keys; the clipboard through the page's paste events and
  // its clipboard interface ----
  void GrabPointer(HWND hwnd) override;
  void SetClipboardText(const std::string& utf8) override;
  std::optional<std::string> ClipboardText(int timeoutMs) override;
  POINT CursorPos() override;
  void WarpCursor(POINT screenPt) override;

  // ---- Screen readers: the page's mirror of the windows (page_mirror.h) ----
  void StartOwnAccessibility() override;

  // ---- The page's clock and the wait ----
  std::uint64_t NowMs() override;
  bool WaitAndDispatch(int timeoutMs) override;
  void Wake() override;

 private:
  // Reports every event the page queued; false when there was none.
  bool DispatchQueued();

  std::vector<std::uint8_t> m_rgba;  // one dirty rectangle at a time, as the canvas takes it
};

}  // namespace web
