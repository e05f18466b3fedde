// SPDX-License-Identifier: GPL-3.0-or-later
// Driving the program on the headless display from a test: start the platform, inject input as
// the X server would deliver it, run the loop until it is idle, move the virtual clock, and read
// back what was presented. It reaches the platform through its public calls only; the display is
// the session's own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/backend/backend_events.h"
#include "platform/backend/headless/headless_backend.h"
#include "platform/message_box.h"

namespace headless {

// A message box the program showed, and the window that owns it.
struct MessageBoxRecord {
  HWND box = nullptr;
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT flags = 0;
};

// The keysyms tests press keys by (headless::keys::kTab ...).
namespace keys = backend::keys;

// Owns a headless display and the platform on it for its lifetime (one at a time).
class Session {
 public:
  explicit Session(const Options& options = {});
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  HeadlessBackend& Backend() { return *m_backend; }
  const std::vector<MessageBoxRecord>& MessageBoxes() const { return m_boxes; }
  void SetMessageBoxHandler(std::function<void(const MessageBoxRecord&)> handler) {
    m_boxHandler = std::move(handler);
  }
  // The exit code of the WM_QUIT a pump took, if one did.
  std::optional<int> QuitCode() const { return m_quitCode; }
  void TookQuit(int code) { m_quitCode = code; }

 private:
  void BoxShown(const ShownMessageBox& shown);

  std::unique_ptr<HeadlessBackend> m_backend;
  std::vector<MessageBoxRecord> m_boxes;
  std::function<void(const MessageBoxRecord&)> m_boxHandler;
  std::optional<int> m_quitCode;
};

Session& CurrentSession();   // the running session
HeadlessBackend& Current();  // the running session's display
// Where the display's reports go: a test reports as the desktop would (a focus change, a close
// request from the window manager).
backend::EventSink& Events();

// ---- Input (queued; PumpUntilIdle delivers it) ----------------------------------------------
void MouseMove(int screenX, int screenY);
void MouseDown(int button = 1);
void MouseUp(int button = 1);
void Click(int screenX, int screenY, int button = 1);
// Two clicks at the point, `gapMs` apart on the virtual clock.
void DoubleClick(int screenX, int screenY, std::uint64_t gapMs = 100);
// Wheel steps at the pointer: positive turns away from the user.
void Wheel(int steps);
// A key press with the characters the input method produced for it (UTF-8), and its release.
// Modifier keys (Shift, Control, Alt) pressed this way stay held until released.
void KeyDown(std::uint32_t keysym, std::string_view textUtf8 = {});
void KeyUp(std::uint32_t keysym);
// Press and release with the characters a US keyboard would give for the held modifiers.
void PressKey(std::uint32_t keysym);
// Each character typed as its own key press (keysym from the character), UTF-8.
void TypeText(std::string_view utf8);

// ---- Running --------------------------------------------------------------------------------
// Reads and dispatches messages until none is left, paints and the present included.
void PumpUntilIdle();
// Moves the virtual clock forward by `ms`, stopping at every timer deadline on the way: the
// clock listeners hear of each step and the loop runs until idle after each.
void AdvanceClock(std::uint64_t ms);
std::uint64_t Now();
// Whether PumpUntilIdle took a WM_QUIT, and its exit code.
bool QuitReceived();
int QuitCode();

// ---- Clipboard (UTF-8, as another program on the desktop would see it) ------------------------
void SetClipboard(std::string_view utf8);
std::optional<std::string> Clipboard();

// ---- Looking ----------------------------------------------------------------------------------
// The pixel (0x00RRGGBB) a top-level window shows on the display at (x, y) of its client area.
std::uint32_t PresentedPixel(HWND topLevel, int x, int y);
const Surface* PresentedSurface(HWND topLevel);
// Writes what the window shows to a PNG file; false (and nothing written) on any failure.
bool WritePng(HWND topLevel, const std::string& path);
// Every message box shown so far, and the answer to the next ones: without a handler a box is
// answered by pressing Enter.
const std::vector<MessageBoxRecord>& MessageBoxes();
void SetMessageBoxHandler(std::function<void(const MessageBoxRecord&)> handler);
// Queues Enter pressed and released in `box`, as a user answers it (what is done without a handler).
void AnswerWithEnter(HWND box);
// For a test that runs the program's own loop: `steps` run one by one whenever the loop would
// block with nothing pending (see HeadlessBackend::SetIdleScript).
void SetIdleScript(std::vector<std::function<void()>> steps);

}  // namespace headless
