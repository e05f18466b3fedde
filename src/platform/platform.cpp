// The platform's one piece of process-wide state that every part reads: the backend it runs on.
// Everything else lives with the part that owns it and is reset here, in an order that lets each
// part still reach the ones it needs while it lets go.
#include "platform/platform.h"

#include <atomic>

#include "platform/backend/backend.h"
#include "platform/mci.h"
#include "platform/window/window_core.h"

namespace {

// Written only on the UI thread. PostMessage from the audio thread reads it under the queue's
// lock and only while the queue is open, which InitPlatform opens after setting it and
// ShutdownPlatform closes before clearing it. A termination signal's handler reads it too, so it
// is an atomic (lock-free, so safe there).
std::atomic<Backend*> g_backend{nullptr};
static_assert(std::atomic<Backend*>::is_always_lock_free);

}  // namespace

Backend* CurrentBackend() { return g_backend; }

void InitPlatform(Backend* backend) {
  if (g_backend != nullptr) ShutdownPlatform();
  if (backend == nullptr) return;
  g_backend = backend;
  loop::ResetQueue();
  wincore::ResetStore();
  loop::SetUiThread();  // opens the queue to other threads
}

void ShutdownPlatform() {
  if (g_backend == nullptr) return;
  // Devices stop their audio threads and leave the backend's clock before the windows go.
  ShutdownMci();
  wincore::DestroyAllWindows();
  wincore::ResetPaint();
  loop::ResetTimers();
  wincore::ResetFocus();
  wincore::ResetInput();
  wincore::ResetScrollTracking();
  wincore::ResetMenus();
  loop::ResetQueue();  // closes the queue to other threads
  wincore::ResetStore();
  g_backend = nullptr;
}
