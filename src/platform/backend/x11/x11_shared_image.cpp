#include "platform/backend/x11/x11_shared_image.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include "platform/backend/x11/x11_errors.h"

namespace x11 {

std::unique_ptr<X11SharedImage> X11SharedImage::Create(Display* display, Visual* visual, int depth,
                                                       int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  std::unique_ptr<X11SharedImage> shared(new X11SharedImage(display));
  shared->m_image = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap,
                                    nullptr, &shared->m_info, static_cast<unsigned>(width),
                                    static_cast<unsigned>(height));
  if (shared->m_image == nullptr) return nullptr;
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
  shared->m_attached = true;
  return shared;
}

X11SharedImage::~X11SharedImage() {
  if (m_attached) XShmDetach(m_display, &m_info);
  if (m_image != nullptr) {
    m_image->data = nullptr;  // the segment is not heap memory
    XDestroyImage(m_image);
  }
  if (m_info.shmaddr != nullptr) shmdt(m_info.shmaddr);
}

}  // namespace x11
