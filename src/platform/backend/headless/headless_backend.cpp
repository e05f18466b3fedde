// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/backend/headless/headless_backend.h"

#include <poll.h>
#include <unistd.h>
#ifndef __EMSCRIPTEN__
#include <sys/eventfd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace headless {

HeadlessBackend::HeadlessBackend(const Options& options) : m_options(options), m_now(options.startMs) {
#ifndef __EMSCRIPTEN__
  m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (m_wakeFd < 0) {
    std::perror("headless display: eventfd");
    std::abort();
  }
#endif
  m_cursor = {options.screenWidth / 2, options.screenHeight / 2};
}

HeadlessBackend::~HeadlessBackend() {
  if (m_wakeFd >= 0) ::close(m_wakeFd);
}

STARTUPINFO HeadlessBackend::StartupInfo() {
  STARTUPINFO si;
  if (m_options.showCommand != SW_SHOWDEFAULT) {
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(m_options.showCommand);
  } else {
    si.wShowWindow = SW_SHOWDEFAULT;
  }
  return si;
}

void HeadlessBackend::AddClockListener(ClockListener* listener) {
  if (listener != nullptr &&
      std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end()) {
    m_listeners.push_back(listener);
  }
}

void HeadlessBackend::RemoveClockListener(ClockListener* listener) {
  m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

void HeadlessBackend::SetNow(std::uint64_t nowMs) {
  if (nowMs <= m_now.load()) return;
  m_now = nowMs;
  // A listener may remove itself while being told.
  std::vector<ClockListener*> listeners = m_listeners;
  for (ClockListener* l : listeners) {
    if (std::find(m_listeners.begin(), m_listeners.end(), l) != m_listeners.end()) l->ClockAdvanced(nowMs);
  }
}

bool HeadlessBackend::CreateNative(HWND hwnd, const RECT& screenRect, const backend::TopLevelProps& props) {
  NativeWindow& w = m_windows[hwnd];
  w.rect = screenRect;
  w.props = props;
  w.state = backend::NativeShowState::Hidden;
  m_stacking.insert(m_stacking.begin(), hwnd);
  return true;
}

void HeadlessBackend::DestroyNative(HWND hwnd) {
  m_windows.erase(hwnd);
  m_stacking.erase(std::remove(m_stacking.begin(), m_stacking.end(), hwnd), m_stacking.end());
  if (m_active == hwnd) m_active = nullptr;
  if (m_grab == hwnd) m_grab = nullptr;
  if (m_keyboardGrab == hwnd) m_keyboardGrab = nullptr;
  if (m_pressWindow == hwnd) m_pressWindow = nullptr;
}

void HeadlessBackend::SetNativeProps(HWND hwnd, const backend::TopLevelProps& props) {
  auto it = m_windows.find(hwnd);
  if (it != m_windows.end()) it->second.props = props;
}

void HeadlessBackend::SetNativeBounds(HWND hwnd, const RECT& screenRect) {
  auto it = m_windows.find(hwnd);
  if (it != m_windows.end()) it->second.rect = screenRect;
}

void HeadlessBackend::SetNativeShowState(HWND hwnd, backend::NativeShowState state) {
  auto it = m_windows.find(hwnd);
  if (it == m_windows.end()) return;
  const bool wasHidden = it->second.state == backend::NativeShowState::Hidden;
  it->second.state = state;
  // A window that appears comes up on top of the others.
  if (wasHidden && state != backend::NativeShowState::Hidden) Raise(hwnd);
  if (state == backend::NativeShowState::Hidden && m_active == hwnd) m_active = nullptr;
}

void HeadlessBackend::ActivateNative(HWND hwnd) {
  if (m_windows.count(hwnd) == 0) return;
  m_active = hwnd;
  Raise(hwnd);
}

void HeadlessBackend::Raise(HWND hwnd) {
  m_stacking.erase(std::remove(m_stacking.begin(), m_stacking.end(), hwnd), m_stacking.end());
  m_stacking.insert(m_stacking.begin(), hwnd);
}

void HeadlessBackend::Present(HWND hwnd, Surface& surface, std::span<const RECT> dirty) {
  auto it = m_windows.find(hwnd);
  if (it == m_windows.end()) return;
  NativeWindow& w = it->second;
  if (w.presented.Width() != surface.Width() || w.presented.Height() != surface.Height()) {
    w.presented.Resize(surface.Width(), surface.Height(), 0);
  }
  w.lastPresent.assign(dirty.begin(), dirty.end());
  ++w.presentCount;
  for (const RECT& r : dirty) {
    const int left = std::max(0, static_cast<int>(r.left));
    const int top = std::max(0, static_cast<int>(r.top));
    const int right = std::min(surface.Width(), static_cast<int>(r.right));
    const int bottom = std::min(surface.Height(), static_cast<int>(r.bottom));
    for (int y = top; y < bottom; ++y) {
      std::copy(surface.Row(y) + left, surface.Row(y) + right, w.presented.Row(y) + left);
    }
  }
}

void HeadlessBackend::Inject(const backend::InputEvent& event) { m_pending.push_back(event); }

bool HeadlessBackend::DeliverPending() {
#ifdef __EMSCRIPTEN__
  const bool woken = m_woken.exchange(false);
#else
  std::uint64_t counter = 0;
  const bool woken = ::read(m_wakeFd, &counter, sizeof counter) == static_cast<ssize_t>(sizeof counter);
#endif
  if (m_pending.empty()) return woken;
  // Events injected while these are delivered wait for the next round, as on a real connection.
  std::deque<backend::InputEvent> batch;
  batch.swap(m_pending);
  backend::EventSink* sink = Sink();
  if (sink == nullptr) return true;  // no platform runs: nothing takes them
  for (const auto& e : batch) sink->Input(e);
  return true;
}

bool HeadlessBackend::WaitAndDispatch(int timeoutMs) {
  if (DeliverPending()) return true;
  if (timeoutMs == 0) return false;
  if (!m_idleScript.empty()) {
    // The step is taken off first: it may itself run a nested loop (a message box) that idles.
    std::function<void()> step = std::move(m_idleScript.front());
    m_idleScript.pop_front();
    step();
    DeliverPending();
    return true;
  }
  if (timeoutMs > 0 && m_options.idleAdvancesClock) {
    SetNow(m_now.load() + static_cast<std::uint64_t>(timeoutMs));
    return true;
  }
  // Only another thread's PostMessage (or a test's timer thread) can end this wait; WebAssembly
  // has no other thread, so there the wait is a stall at once.
#ifndef __EMSCRIPTEN__
  pollfd p{m_wakeFd, POLLIN, 0};
  int r = 0;
  do {
    r = ::poll(&p, 1, m_options.stallTimeoutMs);
  } while (r < 0 && errno == EINTR);
  if (r > 0) return DeliverPending();
#endif
  std::fprintf(stderr,
               "headless display: the event loop waited %d ms for input that nothing will send "
               "(unanswered message box, or a wait for a timer on the virtual clock)\n",
               m_options.stallTimeoutMs);
  std::abort();
}

void HeadlessBackend::Wake() {
#ifdef __EMSCRIPTEN__
  m_woken.store(true);
#else
  const std::uint64_t one = 1;
  ssize_t n = ::write(m_wakeFd, &one, sizeof one);
  (void)n;
#endif
}

HWND HeadlessBackend::PointerTarget(POINT screenPt, bool* deliver) const {
  *deliver = true;
  if (m_grab != nullptr) return nullptr;
  if (m_pressWindow != nullptr && m_buttons != 0) return m_pressWindow;
  for (HWND h : m_stacking) {
    auto it = m_windows.find(h);
    if (it == m_windows.end()) continue;
    const NativeWindow& w = it->second;
    if (w.state == backend::NativeShowState::Hidden || w.state == backend::NativeShowState::Minimized)
      continue;
    if (screenPt.x >= w.rect.left && screenPt.x < w.rect.right && screenPt.y >= w.rect.top &&
        screenPt.y < w.rect.bottom) {
      return h;
    }
  }
  *deliver = false;  // the desktop or another program is there
  return nullptr;
}

const NativeWindow* HeadlessBackend::Native(HWND hwnd) const {
  auto it = m_windows.find(hwnd);
  return it == m_windows.end() ? nullptr : &it->second;
}

}  // namespace headless
