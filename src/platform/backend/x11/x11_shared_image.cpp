// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/backend/x11/x11_shared_image.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include "platform/backend/x11/x11_errors.h"

namespace x11 {

std::shared_ptr<X11SharedImage> X11SharedImage::Create(Display* display, Visual* visual, int depth, int width,
                                                       int height) {
  if (width <= 0 || height <= 0) return nullptr;
  std::shared_ptr<X11SharedImage> shared(new X11SharedImage());
  shared->m_image =
      XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &shared->m_info,
                      static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (shared->m_image == nullptr) return nullptr;
  // The surface's rows have no padding, so the image's must not have any either.
  if (shared->m_image->bits_per_pixel != 32 || shared->m_image->bytes_per_line != width * 4) {
    return nullptr;
  }
  const std::size_t size =
      static_cast<std::size_t>(shared->m_image->bytes_per_line) * static_cast<std::size_t>(height);
  shared->m_info.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
  if (shared->m_info.shmid < 0) return nullptr;
  void* address = shmat(shared->m_info.shmid, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    shmctl(shared->m_info.shmid, IPC_RMID, nullptr);
    shared->m_info.shmid = -1;
    return nullptr;
  }
  shared->m_info.shmaddr = static_cast<char*>(address);
  shared->m_image->data = shared->m_info.shmaddr;
  shared->m_info.readOnly = True;
  bool failed = false;
  {
    x11::ErrorTrap trap(display);
    XShmAttach(display, &shared->m_info);
    failed = trap.Failed();
  }
  // Once the server holds it (or refused it), the segment is marked for removal so that it
  // disappears with the last process that uses it, even if this one is killed.
  shmctl(shared->m_info.shmid, IPC_RMID, nullptr);
  if (failed) return nullptr;
  shared->m_display = display;
  return shared;
}

X11SharedImage::~X11SharedImage() {
  Detach();
  if (m_image != nullptr) {
    m_image->data = nullptr;  // the segment is not heap memory
    XDestroyImage(m_image);   // frees the structure only; no request to the server
  }
  if (m_info.shmaddr != nullptr) shmdt(m_info.shmaddr);
}

void X11SharedImage::Detach() {
  if (m_display == nullptr) return;
  // Requests run in order: a put still queued is carried out before the server lets go.
  XShmDetach(m_display, &m_info);
  m_display = nullptr;
  m_putPending = false;
}

void X11SharedImage::Put(Window window, GC gc, std::span<const RECT> rects) {
  if (m_display == nullptr || rects.empty()) return;
  for (const RECT& r : rects) {
    XShmPutImage(m_display, window, gc, m_image, r.left, r.top, r.left, r.top,
                 static_cast<unsigned>(r.right - r.left), static_cast<unsigned>(r.bottom - r.top), False);
  }
  // Counted after the fact: Xlib may send a change of the GC's state before a put.
  m_lastPut = NextRequest(m_display) - 1;
  m_putPending = true;
}

// The server copies from the segment when it carries out the put, which may be after this
// program has begun the next frame in the same memory; the window could then show a mix of the
// two. So drawing waits until the server is known to have carried out the last put.
//
// It is known without asking in the usual case: every event and reply tells which request the
// server had reached, and the input that leads to the next frame (a click, a key, an expose)
// nearly always comes after the put. Only when it does not (a timer or a posted message drawing
// right after a frame) is there one round trip, here, before drawing. No completion events are
// asked for: each would wake the program once more after every frame, and an idle program must
// sleep with nothing to read.
void X11SharedImage::BeforeWrite() {
  if (!m_putPending || m_display == nullptr) return;
  if (LastKnownRequestProcessed(m_display) < m_lastPut) XSync(m_display, False);
  m_putPending = false;
}

}  // namespace x11
