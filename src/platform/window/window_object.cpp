// SPDX-License-Identifier: GPL-3.0-or-later
// The objects behind windows of the platform's own classes, held by the window records.
#include "platform/window/window_object.h"

#include <utility>

#include "platform/window.h"
#include "platform/window/window_store.h"

namespace window {
namespace {

// The window goes: its object ends before the default handling forgets the window. Taken out
// of the record first, so while it ends the window is already without it.
void EndObject(WindowRecord& rec) { std::unique_ptr<WindowObject> ending = std::move(rec.object); }

}  // namespace

bool AttachObject(HWND hwnd, std::unique_ptr<WindowObject> object) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || object == nullptr || rec->object != nullptr || rec->destroying) return false;
  rec->object = std::move(object);
  return true;
}

WindowObject* ObjectOf(HWND hwnd) {
  WindowRecord* rec = Find(hwnd);
  return rec != nullptr ? rec->object.get() : nullptr;
}

LRESULT RouteToObject(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, ObjectFactory make) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return DefWindowProc(hwnd, msg, wParam, lParam);
  if (msg == WM_NCCREATE && make != nullptr && rec->object == nullptr) {
    rec->object = make(hwnd, reinterpret_cast<const CREATESTRUCT*>(lParam));
  }
  WindowObject* object = rec->object.get();
  if (object == nullptr) return DefWindowProc(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    EndObject(*rec);
    return DefWindowProc(hwnd, msg, wParam, lParam);
  }
  return object->Handle(msg, wParam, lParam);
}

}  // namespace window
