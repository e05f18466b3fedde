// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/backend/web/web_backend.h"

#include <emscripten.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/backend/backend_events.h"
#include "platform/backend/web/page_mirror.h"

// The page's side (page/display.js) is reached through Module.tessivoDisplay; a window is named
// there by its handle's number.
// clang-format off
EM_JS(int, tessivo_js_screen_width, (), { return Module.tessivoDisplay.screenWidth(); });
EM_JS(int, tessivo_js_screen_height, (), { return Module.tessivoDisplay.screenHeight(); });
EM_JS(int, tessivo_js_pixels_per_inch, (), { return Module.tessivoDisplay.pixelsPerInch(); });
EM_JS(double, tessivo_js_now, (), { return performance.now(); });
EM_JS(void, tessivo_js_create, (int id, int x, int y, int width, int height, int flags, const char* title), {
  Module.tessivoDisplay.create(id, x, y, width, height, flags, UTF8ToString(title));
});
EM_JS(void, tessivo_js_destroy, (int id), { Module.tessivoDisplay.destroy(id); });
EM_JS(void, tessivo_js_set_props, (int id, int flags, const char* title), {
  Module.tessivoDisplay.setProps(id, flags, UTF8ToString(title));
});
EM_JS(void, tessivo_js_set_bounds, (int id, int x, int y, int width, int height), {
  Module.tessivoDisplay.setBounds(id, x, y, width, height);
});
EM_JS(void, tessivo_js_show, (int id, int shown), { Module.tessivoDisplay.show(id, shown !== 0); });
EM_JS(void, tessivo_js_activate, (int id), { Module.tessivoDisplay.activate(id); });
EM_JS(void, tessivo_js_put, (int id, const void* rgba, int x, int y, int width, int height), {
  Module.tessivoDisplay.put(id, HEAPU8.subarray(rgba, rgba + width * height * 4), x, y, width, height);
});
EM_JS(void, tessivo_js_grab, (int id), { Module.tessivoDisplay.grab(id); });
EM_JS(int, tessivo_js_cursor_x, (), { return Module.tessivoDisplay.cursorX; });
EM_JS(int, tessivo_js_cursor_y, (), { return Module.tessivoDisplay.cursorY; });
EM_JS(int, tessivo_js_next_event, (void* record), { return Module.tessivoDisplay.nextEvent(record >> 2); });
EM_JS(void, tessivo_js_wake, (), { Module.tessivoDisplay.wake(); });
EM_JS(void, tessivo_js_ended, (), { Module.tessivoDisplay.ended(); });
EM_JS(void, tessivo_js_frame_extents, (int id, std::int32_t* out), {
  HEAP32.set(Module.tessivoDisplay.frameExtents(id), out >> 2);
});
EM_JS(void, tessivo_js_set_clipboard, (const char* text), { Module.tessivoDisplay.setClipboard(UTF8ToString(text)); });
// The clipboard's text (malloc'ed UTF-8, the caller frees it), or 0 when it holds none.
EM_JS(char*, tessivo_js_clipboard, (), {
  const text = Module.tessivoDisplay.clipboard;
  return text === null ? 0 : allocateUTF8(text);
});
// Resolves when an event is queued, the program woke itself or `timeoutMs` passed (-1: never).
// Built for the browser's own suspension, the import returns the promise and the page suspends the
// program's stack on it (display.js wraps it); with Asyncify, emscripten unwinds and rewinds it.
#if defined(TESSIVO_WEB_JSPI)
EM_JS(void, tessivo_js_wait, (int timeoutMs), { return Module.tessivoDisplay.wait(timeoutMs); });
#else
EM_ASYNC_JS(void, tessivo_js_wait, (int timeoutMs), { await Module.tessivoDisplay.wait(timeoutMs); });
#endif
// clang-format on

namespace web {
namespace {

// What the page tells of a window: one bit each (display.js reads the same).
enum WindowFlag : int {
  kTitle = 1,
  kCloseBox = 2,
  kPopup = 4,
  kModal = 8,
};

int FlagsOf(const backend::TopLevelProps& props) {
  int flags = 0;
  if (props.hasTitle && !props.popup) flags |= kTitle;
  if (props.canClose && props.hasSystemMenu) flags |= kCloseBox;
  if (props.popup) flags |= kPopup;
  if (props.modal || props.dialog) flags |= kModal;
  return flags;
}

int IdOf(HWND hwnd) { return static_cast<int>(reinterpret_cast<std::uintptr_t>(hwnd)); }
HWND HandleOf(int id) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(static_cast<unsigned>(id)));
}

// One event as display.js writes it: 32-bit words, the text (UTF-8) at the end.
enum class EventKind : std::int32_t {
  kNone = 0,
  kPointerMove,
  kButtonPress,
  kButtonRelease,
  kWheel,
  kKeyPress,
  kKeyRelease,
  kMoved,
  kCloseRequested,
  kFocusIn,
  kFocusOut,
};
constexpr std::size_t kTextBytes = 32;
struct EventRecord {
  std::int32_t kind = 0;
  std::int32_t window = 0;  // 0: in screen coordinates (a pointer grab)
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t button = 0;
  std::int32_t wheel = 0;
  std::int32_t keysym = 0;
  std::int32_t modifiers = 0;
  std::int32_t timeMs = 0;
  std::int32_t textLength = 0;
  std::array<char, kTextBytes> text{};
};
static_assert(sizeof(EventRecord) == 10 * 4 + kTextBytes, "display.js writes this layout");

// The input events, numbered from kPointerMove on in the page's order.
constexpr std::array kInputKinds{backend::InputKind::PointerMove,   backend::InputKind::ButtonPress,
                                 backend::InputKind::ButtonRelease, backend::InputKind::Wheel,
                                 backend::InputKind::KeyPress,      backend::InputKind::KeyRelease};
std::optional<backend::InputKind> InputKindOf(EventKind kind) {
  const auto index = static_cast<std::int32_t>(kind) - static_cast<std::int32_t>(EventKind::kPointerMove);
  if (index < 0 || static_cast<std::size_t>(index) >= kInputKinds.size()) return std::nullopt;
  return kInputKinds[static_cast<std::size_t>(index)];
}

}  // namespace

WebBackend::WebBackend() = default;
// The display goes when the program has ended: the page says so. (emscripten's own exit report does
// not come once main has waited through Asyncify: main's return then goes nowhere. Suspended by the
// browser, main's return settles a promise, which display.js takes to emscripten's exit.)
WebBackend::~WebBackend() { tessivo_js_ended(); }

int WebBackend::ScreenWidth() { return tessivo_js_screen_width(); }
int WebBackend::ScreenHeight() { return tessivo_js_screen_height(); }
int WebBackend::PixelsPerInch() { return tessivo_js_pixels_per_inch(); }

bool WebBackend::CreateNative(HWND hwnd, const RECT& screenRect, const backend::TopLevelProps& props) {
  tessivo_js_create(IdOf(hwnd), screenRect.left, screenRect.top, screenRect.right - screenRect.left,
                    screenRect.bottom - screenRect.top, FlagsOf(props), props.titleUtf8.c_str());
  return true;
}

void WebBackend::DestroyNative(HWND hwnd) { tessivo_js_destroy(IdOf(hwnd)); }

RECT WebBackend::FrameExtents(HWND hwnd) {
  std::array<std::int32_t, 4> extents{};
  tessivo_js_frame_extents(IdOf(hwnd), extents.data());
  return {extents[0], extents[1], extents[2], extents[3]};
}

void WebBackend::SetNativeProps(HWND hwnd, const backend::TopLevelProps& props) {
  tessivo_js_set_props(IdOf(hwnd), FlagsOf(props), props.titleUtf8.c_str());
}

void WebBackend::SetNativeBounds(HWND hwnd, const RECT& screenRect) {
  tessivo_js_set_bounds(IdOf(hwnd), screenRect.left, screenRect.top, screenRect.right - screenRect.left,
                        screenRect.bottom - screenRect.top);
  MarkPageMirrorStale();  // the model tells of no move, and the mirror lies over the window
}

void WebBackend::SetNativeShowState(HWND hwnd, backend::NativeShowState state) {
  // The page has no taskbar to minimise to: a minimised window is hidden, a maximised one shown.
  tessivo_js_show(
      IdOf(hwnd),
      state == backend::NativeShowState::Normal || state == backend::NativeShowState::Maximized ? 1 : 0);
}

void WebBackend::ActivateNative(HWND hwnd) { tessivo_js_activate(IdOf(hwnd)); }

void WebBackend::Present(HWND hwnd, Surface& surface, std::span<const RECT> dirty) {
  for (const RECT& asked : dirty) {
    const RECT r{std::max<LONG>(asked.left, 0), std::max<LONG>(asked.top, 0),
                 std::min<LONG>(asked.right, surface.Width()),
                 std::min<LONG>(asked.bottom, surface.Height())};
    if (r.right <= r.left || r.bottom <= r.top) continue;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    m_rgba.resize(static_cast<std::size_t>(width) * height * 4);
    std::uint8_t* out = m_rgba.data();
    // The surface's 0x00RRGGBB to the canvas's R, G, B, A bytes.
    for (int y = r.top; y < r.bottom; ++y) {
      const std::uint32_t* row = surface.Row(y) + r.left;
      for (int x = 0; x < width; ++x, out += 4) {
        out[0] = static_cast<std::uint8_t>(row[x] >> 16);
        out[1] = static_cast<std::uint8_t>(row[x] >> 8);
        out[2] = static_cast<std::uint8_t>(row[x]);
        out[3] = 0xFF;
      }
    }
    tessivo_js_put(IdOf(hwnd), m_rgba.data(), r.left, r.top, width, height);
  }
}

void WebBackend::GrabPointer(HWND hwnd) { tessivo_js_grab(IdOf(hwnd)); }

void WebBackend::SetClipboardText(const std::string& utf8) { tessivo_js_set_clipboard(utf8.c_str()); }

std::optional<std::string> WebBackend::ClipboardText(int) {
  char* text = tessivo_js_clipboard();
  if (text == nullptr) return std::nullopt;
  std::string out(text);
  std::free(text);
  return out;
}

POINT WebBackend::CursorPos() { return {tessivo_js_cursor_x(), tessivo_js_cursor_y()}; }

// A page cannot move the pointer; the program's idea of it follows the request until it moves.
void WebBackend::WarpCursor(POINT) {}

std::uint64_t WebBackend::NowMs() { return static_cast<std::uint64_t>(tessivo_js_now()); }

void WebBackend::StartOwnAccessibility() { StartPageMirror(); }

bool WebBackend::WaitAndDispatch(int timeoutMs) {
  if (DispatchQueued()) return true;
  if (timeoutMs == 0) return false;
  // What changed since the last wait reaches the page's mirror at once, before the page runs.
  RefreshPageMirror();
  tessivo_js_wait(timeoutMs);
  return DispatchQueued();
}

void WebBackend::Wake() { tessivo_js_wake(); }

bool WebBackend::DispatchQueued() {
  bool any = false;
  EventRecord record;
  while (tessivo_js_next_event(&record) != 0) {
    any = true;
    backend::EventSink* sink = Sink();
    if (sink == nullptr) continue;  // no platform runs: nothing takes it
    const HWND window = HandleOf(record.window);
    const auto kind = static_cast<EventKind>(record.kind);
    switch (kind) {
      case EventKind::kMoved:
        MarkPageMirrorStale();
        sink->Moved(window, record.x, record.y);
        continue;
      case EventKind::kCloseRequested:
        sink->CloseRequested(window);
        continue;
      case EventKind::kFocusIn:
      case EventKind::kFocusOut:
        sink->FocusChanged(window, kind == EventKind::kFocusIn);
        continue;
      default:
        break;
    }
    backend::InputEvent input;
    const std::optional<backend::InputKind> inputKind = InputKindOf(kind);
    if (!inputKind) continue;  // a kind this program does not know: the page is newer
    input.kind = *inputKind;
    input.topLevel = record.window != 0 ? window : nullptr;
    input.x = record.x;
    input.y = record.y;
    input.button = record.button;
    input.wheelDelta = record.wheel;
    input.keysym = static_cast<std::uint32_t>(record.keysym);
    const auto length =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(record.textLength, 0)), kTextBytes);
    input.textUtf8.assign(record.text.data(), length);
    input.modifiers = static_cast<unsigned>(record.modifiers);
    input.timeMs = static_cast<std::uint64_t>(record.timeMs);
    sink->Input(input);
  }
  return any;
}

}  // namespace web
