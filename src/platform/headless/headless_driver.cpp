// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/headless/headless_driver.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "base/utf8.h"
#include "platform/message_box.h"
#include "platform/platform.h"
#include "platform/window.h"

namespace headless {
namespace {

Session* g_session = nullptr;  // the one running session

// A test that keeps the loop busy forever is a failure, not a hang.
constexpr int kMaxMessagesPerPump = 1000000;

backend::InputEvent MakeEvent(backend::InputKind kind) {
  backend::InputEvent e;
  e.kind = kind;
  e.modifiers = Current().HeldModifiers();
  e.timeMs = Current().NowMs();
  return e;
}

// Fills in the window and its client coordinates for a pointer event at the cursor; false when
// the pointer is over nothing of ours.
bool AimPointer(backend::InputEvent& e) {
  HeadlessBackend& b = Current();
  POINT p = b.CursorPos();
  bool deliver = false;
  HWND target = b.PointerTarget(p, &deliver);
  if (!deliver) return false;
  e.topLevel = target;
  e.x = p.x;
  e.y = p.y;
  if (target != nullptr) {
    const NativeWindow* w = b.Native(target);
    e.x -= w->rect.left;
    e.y -= w->rect.top;
  }
  return true;
}

unsigned ModifierOf(std::uint32_t keysym) {
  switch (keysym) {
    case keys::kShiftL:
    case keys::kShiftR:
      return backend::kShift;
    case keys::kControlL:
    case keys::kControlR:
      return backend::kControl;
    case keys::kAltL:
    case keys::kAltR:
      return backend::kAlt;
    default:
      return 0;
  }
}

// What an input method gives for a key on a US layout with the held modifiers.
std::string KeyTextFor(std::uint32_t keysym, unsigned modifiers) {
  switch (keysym) {
    case keys::kReturn:
    case keys::kKeypadEnter:
      return "\r";
    case keys::kBackSpace:
      return "\b";
    case keys::kTab:
    case keys::kIsoLeftTab:
      return "\t";
    case keys::kEscape:
      return "\x1b";
    case keys::kDelete:
      return "\x7f";
    default:
      break;
  }
  std::string out;
  if (keysym >= keys::kSpace && keysym <= keys::kLastAscii) {
    char c = static_cast<char>(keysym);
    if (c >= 'a' && c <= 'z') {
      if (modifiers & backend::kControl) return std::string(1, static_cast<char>(c - 'a' + 1));
      if (modifiers & backend::kShift) c = static_cast<char>(c - 'a' + 'A');
    }
    out += c;
  } else if (keysym >= keys::kFirstLatin1 && keysym <= keys::kLastLatin1) {
    text::AppendUtf8(out, keysym);
  } else if ((keysym & ~keys::kUnicodeMask) == keys::kUnicodeBit) {
    text::AppendUtf8(out, keysym & keys::kUnicodeMask);
  }
  return out;
}

// Writes the surface as 8-bit RGB rows; false when libpng fails. libpng reports a failure by a long
// jump back to the setjmp here, so this function holds nothing a jump could skip the cleanup of,
// and it throws nothing (WebAssembly cannot have a setjmp and exception handling in one function).
bool WriteRgb(png_structp png, png_infop info, FILE* f, const Surface& s, png_byte* row) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(s.Width()), static_cast<png_uint_32>(s.Height()), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < s.Height(); ++y) {
    const std::uint32_t* src = s.Row(y);
    for (int x = 0; x < s.Width(); ++x) {
      row[static_cast<std::size_t>(x) * 3] = static_cast<png_byte>((src[x] >> 16) & 0xFF);
      row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<png_byte>((src[x] >> 8) & 0xFF);
      row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<png_byte>(src[x] & 0xFF);
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

Session::Session(const Options& options) {
  if (g_session != nullptr) throw std::logic_error("a headless session is already running");
  m_backend = std::make_unique<HeadlessBackend>(options);
  InitPlatform(m_backend.get());
  WatchMessageBoxes([this](const ShownMessageBox& shown) { BoxShown(shown); });
  g_session = this;
}

Session::~Session() {
  g_session = nullptr;
  // The multimedia service, rendering on this display's clock, ends with the platform.
  ShutdownPlatform();
}

void Session::BoxShown(const ShownMessageBox& shown) {
  const MessageBoxRecord record{shown.box, GetWindow(shown.box, GW_OWNER), shown.text, shown.caption,
                                shown.flags};
  m_boxes.push_back(record);
  if (m_boxHandler) {
    m_boxHandler(record);
    return;
  }
  // Nobody answers for the test: the user presses Enter in the box.
  AnswerWithEnter(shown.box);
}

void AnswerWithEnter(HWND box) {
  HeadlessBackend& display = Current();
  backend::InputEvent e;
  e.kind = backend::InputKind::KeyPress;
  e.topLevel = box;
  e.keysym = backend::keys::kReturn;
  e.textUtf8.assign(1, '\r');
  e.modifiers = display.HeldModifiers();
  e.timeMs = display.NowMs();
  display.Inject(e);
  e.kind = backend::InputKind::KeyRelease;
  e.textUtf8.clear();
  display.Inject(e);
}

Session& CurrentSession() {
  if (g_session == nullptr) {
    std::fprintf(stderr, "headless display: no session is running\n");
    std::abort();
  }
  return *g_session;
}

HeadlessBackend& Current() { return CurrentSession().Backend(); }

backend::EventSink& Events() {
  backend::EventSink* sink = Current().Sink();
  if (sink == nullptr) {
    std::fprintf(stderr, "headless display: the session's platform has stopped\n");
    std::abort();
  }
  return *sink;
}

void MouseMove(int screenX, int screenY) {
  Current().WarpCursor({screenX, screenY});
  auto e = MakeEvent(backend::InputKind::PointerMove);
  if (AimPointer(e)) Current().Inject(e);
}

void MouseDown(int button) {
  HeadlessBackend& b = Current();
  auto e = MakeEvent(backend::InputKind::ButtonPress);
  e.button = button;
  if (!AimPointer(e)) return;
  if (b.HeldButtons() == 0) b.SetPressWindow(e.topLevel);
  b.SetHeldButtons(b.HeldButtons() | (1u << (button - 1)));
  b.Inject(e);
}

void MouseUp(int button) {
  HeadlessBackend& b = Current();
  auto e = MakeEvent(backend::InputKind::ButtonRelease);
  e.button = button;
  const bool aimed = AimPointer(e);
  b.SetHeldButtons(b.HeldButtons() & ~(1u << (button - 1)));
  if (b.HeldButtons() == 0) b.SetPressWindow(nullptr);
  if (aimed) b.Inject(e);
}

void Click(int screenX, int screenY, int button) {
  MouseMove(screenX, screenY);
  MouseDown(button);
  MouseUp(button);
}

void DoubleClick(int screenX, int screenY, std::uint64_t gapMs) {
  Click(screenX, screenY);
  AdvanceClock(gapMs);
  Click(screenX, screenY);
}

void Wheel(int steps) {
  auto e = MakeEvent(backend::InputKind::Wheel);
  e.wheelDelta = steps * WHEEL_DELTA;
  if (AimPointer(e)) Current().Inject(e);
}

void KeyDown(std::uint32_t keysym, std::string_view textUtf8) {
  HeadlessBackend& b = Current();
  auto e = MakeEvent(backend::InputKind::KeyPress);
  e.topLevel = b.ActiveNative();
  e.keysym = keysym;
  e.textUtf8 = std::string(textUtf8);
  b.Inject(e);
  b.SetHeldModifiers(b.HeldModifiers() | ModifierOf(keysym));
}

void KeyUp(std::uint32_t keysym) {
  HeadlessBackend& b = Current();
  auto e = MakeEvent(backend::InputKind::KeyRelease);
  e.topLevel = b.ActiveNative();
  e.keysym = keysym;
  b.Inject(e);
  b.SetHeldModifiers(b.HeldModifiers() & ~ModifierOf(keysym));
}

void PressKey(std::uint32_t keysym) {
  KeyDown(keysym, ModifierOf(keysym) ? std::string() : KeyTextFor(keysym, Current().HeldModifiers()));
  KeyUp(keysym);
}

void TypeText(std::string_view utf8) {
  HeadlessBackend& b = Current();
  // A test's text that is not UTF-8 types nothing for its ill-formed bytes: no input method
  // produces them, so there is no key press to stand for them.
  text::ForEachCodePoint(utf8, text::IllFormedUtf8::kSkip, [&](char32_t cp) {
    std::string chars;
    text::AppendUtf8(chars, cp);
    std::uint32_t keysym = cp <= keys::kLastLatin1 ? cp : (keys::kUnicodeBit | cp);
    if (cp == '\n' || cp == '\r') {
      keysym = keys::kReturn;
      chars.assign(1, '\r');
    }
    const unsigned held = b.HeldModifiers();
    // Capitals are typed with Shift down, as a user would.
    if (cp >= 'A' && cp <= 'Z') b.SetHeldModifiers(held | backend::kShift);
    KeyDown(keysym, chars);
    KeyUp(keysym);
    b.SetHeldModifiers(held);
  });
}

void PumpUntilIdle() {
  Current();
  MSG msg;
  int count = 0;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      CurrentSession().TookQuit(static_cast<int>(msg.wParam));
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
    if (++count > kMaxMessagesPerPump) {
      std::fprintf(stderr, "headless display: the message loop never went idle\n");
      std::abort();
    }
  }
}

void AdvanceClock(std::uint64_t ms) {
  HeadlessBackend& b = Current();
  const std::uint64_t target = b.NowMs() + ms;
  PumpUntilIdle();
  while (true) {
    const std::uint64_t now = b.NowMs();
    std::uint64_t step = target;
    auto next = Events().NextTimerDeadline();
    if (next && *next < target) step = std::max(*next, now + 1);
    if (step > target) step = target;
    b.SetNow(step);
    PumpUntilIdle();
    if (step >= target) break;
  }
}

std::uint64_t Now() { return Current().NowMs(); }

void SetClipboard(std::string_view utf8) { Current().SetClipboardText(std::string(utf8)); }
std::optional<std::string> Clipboard() { return Current().ClipboardText(0); }
bool QuitReceived() { return CurrentSession().QuitCode().has_value(); }
int QuitCode() { return CurrentSession().QuitCode().value_or(0); }

std::uint32_t PresentedPixel(HWND topLevel, int x, int y) {
  const Surface* s = PresentedSurface(topLevel);
  return s ? s->Pixel(x, y) : 0;
}

const Surface* PresentedSurface(HWND topLevel) {
  const NativeWindow* w = Current().Native(topLevel);
  return w ? &w->presented : nullptr;
}

bool WritePng(HWND topLevel, const std::string& path) {
  const Surface* s = PresentedSurface(topLevel);
  if (s == nullptr || s->Width() <= 0 || s->Height() <= 0) return false;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row(static_cast<std::size_t>(s->Width()) * 3);
  const bool ok = png != nullptr && info != nullptr && WriteRgb(png, info, f, *s, row.data());
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  const bool closed = std::fclose(f) == 0;
  if (!ok || !closed) std::remove(path.c_str());
  return ok && closed;
}

const std::vector<MessageBoxRecord>& MessageBoxes() { return CurrentSession().MessageBoxes(); }

void SetMessageBoxHandler(std::function<void(const MessageBoxRecord&)> handler) {
  CurrentSession().SetMessageBoxHandler(std::move(handler));
}

void SetIdleScript(std::vector<std::function<void()>> steps) { Current().SetIdleScript(std::move(steps)); }

}  // namespace headless
