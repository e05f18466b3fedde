// SPDX-License-Identifier: GPL-3.0-or-later
// Window classes, registered for one run of the platform (a part of its state). The platform's own
// classes are registered when it starts; the program registers its own before first use.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

#include "platform/window.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

// Names below this value are atoms (MAKEINTATOM), not text.
constexpr std::uintptr_t kFirstNameAddress = 0x10000;
// The most extra bytes a class may ask for in each of its windows.
constexpr int kMaxWindowExtra = 4096;

std::string Folded(const char* name) {
  std::string s = name ? name : "";
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::shared_ptr<ClassRecord> FindClass(const char* name) {
  PlatformState* running = RunningPlatform();
  if (name == nullptr || running == nullptr) return nullptr;
  // A class may also be named by its atom (MAKEINTATOM).
  auto value = reinterpret_cast<std::uintptr_t>(name);
  if (value < kFirstNameAddress) {
    for (auto& [key, entry] : running->classes.byName) {
      if (entry.first == value) return entry.second;
    }
    return nullptr;
  }
  auto it = running->classes.byName.find(Folded(name));
  return it == running->classes.byName.end() ? nullptr : it->second.second;
}

}  // namespace window

using namespace window;

ATOM RegisterClass(const WNDCLASS* wc) {
  PlatformState* running = RunningPlatform();
  if (running == nullptr || wc == nullptr || wc->lpfnWndProc == nullptr || wc->lpszClassName == nullptr ||
      reinterpret_cast<std::uintptr_t>(wc->lpszClassName) < kFirstNameAddress ||
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
  if (wc->lpszMenuName != nullptr &&
      reinterpret_cast<std::uintptr_t>(wc->lpszMenuName) >= kFirstNameAddress) {
    rec->menuName = wc->lpszMenuName;
  }
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
  if (rec == nullptr) return 0;
  switch (index) {
    case GCL_STYLE:
      return rec->cls->wc.style;
    case GCL_HICON:
      return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(rec->cls->wc.hIcon));
    default:
      return 0;
  }
}

DWORD SetClassLong(HWND hwnd, int index, LONG value) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return 0;
  DWORD old = GetClassLong(hwnd, index);
  switch (index) {
    case GCL_STYLE:
      rec->cls->wc.style = static_cast<UINT>(value);
      break;
    case GCL_HICON:
      // Icon handles are small numbers (see LoadIcon), so they fit the 32-bit value.
      rec->cls->wc.hIcon = reinterpret_cast<HICON>(static_cast<std::uintptr_t>(static_cast<DWORD>(value)));
      for (HWND h : TopLevels()) {
        WindowRecord* w = Find(h);
        if (w != nullptr && w->cls == rec->cls) PushTopLevelProps(h);
      }
      break;
    default:
      return 0;
  }
  return old;
}

int GetClassName(HWND hwnd, char* buffer, int size) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || buffer == nullptr || size <= 0) return 0;
  int n = std::min<int>(size - 1, static_cast<int>(rec->cls->name.size()));
  std::memcpy(buffer, rec->cls->name.data(), static_cast<std::size_t>(n));
  buffer[n] = '\0';
  return n;
}
