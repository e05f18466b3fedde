// SPDX-License-Identifier: GPL-3.0-or-later
// The one place that holds the running platform. Starting makes the state and opens its queue;
// stopping ends the services and destroys the windows while every part still works, closes the queue to other
// threads, then lets the parts go in reverse order of making. InitPlatform and ShutdownPlatform
// (platform.cpp) start and stop it with the rest of the platform.
#include "platform/window/platform_state.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/gfx/dc_internal.h"
#include "platform/window/a11y/access_state.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

PlatformState* g_state = nullptr;  // UI thread
// Held by other threads while they use the running state, and by the UI thread while it makes or
// ends it, so a post from another thread never meets a half-gone platform. It outlives every run.
std::mutex g_otherThreads;

}  // namespace

PaintState::~PaintState() {
  for (auto& [hdc, live] : windowDcs) gfx::DestroySurfaceDC(hdc);
}

PlatformState::PlatformState(backend::Backend& display) : backend(display) {
  backend.AttachSink(&nativeEvents);
}

PlatformState::~PlatformState() { backend.AttachSink(nullptr); }

PlatformState* RunningPlatform() { return g_state; }

PlatformState& State() {
  if (g_state == nullptr) {
    std::fputs("platform: used while no platform runs (InitPlatform was not called)\n", stderr);
    std::abort();
  }
  return *g_state;
}

bool PostFromOtherThread(const MSG& msg) {
  std::lock_guard<std::mutex> lock(g_otherThreads);
  return g_state != nullptr && g_state->queue.PostFromOtherThread(msg);
}

bool IsLiveHandle(HWND hwnd) {
  std::lock_guard<std::mutex> lock(g_otherThreads);
  return g_state != nullptr && g_state->windows.IsLive(hwnd);
}

void StartPlatform(backend::Backend& backend) {
  {
    std::lock_guard<std::mutex> lock(g_otherThreads);
    g_state = new PlatformState(backend);
  }
  g_state->queue.Open();  // to other threads
}

void StopPlatform() {
  if (g_state == nullptr) return;
  // Services stop their threads and devices before the windows go, latest first.
  while (!g_state->serviceOrder.empty()) EndService(g_state->serviceOrder.back());
  DestroyAllWindows();
  g_state->queue.Close();
  std::unique_ptr<PlatformState> ending;
  {
    std::lock_guard<std::mutex> lock(g_otherThreads);
    ending.reset(g_state);
    g_state = nullptr;
  }
}

RunService* FindService(ServiceSlot slot) {
  return g_state != nullptr ? g_state->services[static_cast<std::size_t>(slot)].get() : nullptr;
}

bool AdoptService(ServiceSlot slot, std::unique_ptr<RunService> service) {
  if (g_state == nullptr) return false;
  EndService(slot);
  g_state->services[static_cast<std::size_t>(slot)] = std::move(service);
  g_state->serviceOrder.push_back(slot);
  return true;
}

void EndService(ServiceSlot slot) {
  if (g_state == nullptr) return;
  auto& order = g_state->serviceOrder;
  order.erase(std::remove(order.begin(), order.end(), slot), order.end());
  std::unique_ptr<RunService> ending = std::move(g_state->services[static_cast<std::size_t>(slot)]);
}

}  // namespace window
