// SPDX-License-Identifier: GPL-3.0-or-later
// Window classes, registered for one run of the platform (a part of its state). The platform's own
// classes are registered when it starts; the program registers its own before first use.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <utility>

#include "platform/window.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

// The most extra bytes a class may ask for in each of its windows.
constexpr int kMaxWindowExtra = 4096;

std::string Folded(const char* name) {
  std::string s = name ? name : "";
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

// A class is found by its name, which is always text: the platform has no atom-as-pointer form,
// so a name is never told from an atom by its address (static data can lie anywhere, below 64 KB
// in a 32-bit address space such as WebAssembly's).
std::shared_ptr<ClassRecord> FindClass(const char* name) {
  PlatformState* running = RunningPlatform();
  if (name == nullptr || running == nullptr) return nullptr;
  auto it = running->classes.byName.find(Folded(name));
  return it == running->classes.byName.end() ? nullptr : it->second.second;
}

}  // namespace window

using namespace window;

ATOM RegisterClass(const WNDCLASS* wc) {
  PlatformState* running = RunningPlatform();
  if (running == nullptr || wc == nullptr || wc->lpfnWndProc == nullptr || wc->lpszClassName == nullptr ||
      wc->lpszClassName[0] == '\0' || wc->cbWndExtra < 0 || wc->cbWndExtra > kMaxWindowExtra) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto& reg = running->classes;
  std::string key = Folded(wc->lpszClassName);
  if (reg.byName.count(key) != 0) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto rec = std::make_shared<ClassRecord>();
  rec->name = wc->lpszClassName;
  rec->wc = *wc;
  if (wc->lpszMenuName != nullptr) rec->menuName = wc->lpszMenuName;
  rec->wc.lpszClassName = rec->name.c_str();
  rec->wc.lpszMenuName = rec->menuName.empty() ? nullptr : rec->menuName.c_str();
  ATOM atom = reg.nextAtom++;
  reg.byName[key] = {atom, rec};
  return atom;
}

BOOL UnregisterClass(const char* className, HINSTANCE) {
  auto rec = FindClass(className);
  if (!rec) return FALSE;
  // A class in use by a live window stays registered.
  if (CoreReady()) {
    for (HWND h : AllWindows()) {
      WindowRecord* w = Find(h);
      if (w != nullptr && w->cls == rec) return FALSE;
    }
  }
  State().classes.byName.erase(Folded(rec->name.c_str()));
  return TRUE;
}

BOOL GetClassInfo(HINSTANCE, const char* className, WNDCLASS* wc) {
  auto rec = FindClass(className);
  if (!rec) return FALSE;
  if (wc != nullptr) *wc = rec->wc;
  return TRUE;
}

DWORD GetClassLong(HWND hwnd, int index) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || index != GCL_STYLE) return 0;
  return rec->cls->wc.style;
}

DWORD SetClassLong(HWND hwnd, int index, LONG value) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || index != GCL_STYLE) return 0;
  return std::exchange(rec->cls->wc.style, static_cast<UINT>(value));
}

// Handles are pointer-sized: a handle is never kept in or passed through a 32-bit value.
std::uintptr_t GetClassLongPtr(HWND hwnd, int index) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return 0;
  if (index == GCLP_HICON) return reinterpret_cast<std::uintptr_t>(rec->cls->wc.hIcon);
  return index == GCL_STYLE ? rec->cls->wc.style : 0;
}

std::uintptr_t SetClassLongPtr(HWND hwnd, int index, std::uintptr_t value) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return 0;
  if (index == GCL_STYLE) return SetClassLong(hwnd, index, static_cast<LONG>(value));
  if (index != GCLP_HICON) return 0;
  HICON old = std::exchange(rec->cls->wc.hIcon, reinterpret_cast<HICON>(value));
  for (HWND h : TopLevels()) {
    WindowRecord* w = Find(h);
    if (w != nullptr && w->cls == rec->cls) PushTopLevelProps(h);
  }
  return reinterpret_cast<std::uintptr_t>(old);
}

int GetClassName(HWND hwnd, char* buffer, int size) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || buffer == nullptr || size <= 0) return 0;
  int n = std::min<int>(size - 1, static_cast<int>(rec->cls->name.size()));
  std::memcpy(buffer, rec->cls->name.data(), static_cast<std::size_t>(n));
  buffer[n] = '\0';
  return n;
}
