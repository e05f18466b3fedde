// Window classes. The registry lives for the whole process (it survives a platform restart), so
// code that registers its class once on first use keeps working when tests restart the platform.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

#include "platform/window.h"
#include "platform/window/combo_internal.h"
#include "platform/window/window_store.h"

namespace wincore {
namespace {

std::string Folded(const char* name) {
  std::string s = name ? name : "";
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

struct ClassRegistry {
  std::map<std::string, std::pair<ATOM, std::shared_ptr<ClassRecord>>> byName;
  ATOM nextAtom = 0xC000;
};

ClassRegistry& Registry() {
  static ClassRegistry registry;
  return registry;
}

}  // namespace

std::shared_ptr<ClassRecord> FindClass(const char* name) {
  // The classes the platform provides exist before anyone asks for them.
  combo::RegisterClasses();
  if (name == nullptr) return nullptr;
  // A class may also be named by its atom (MAKEINTATOM).
  auto value = reinterpret_cast<std::uintptr_t>(name);
  if (value < 0x10000) {
    for (auto& [key, entry] : Registry().byName) {
      if (entry.first == value) return entry.second;
    }
    return nullptr;
  }
  auto it = Registry().byName.find(Folded(name));
  return it == Registry().byName.end() ? nullptr : it->second.second;
}

}  // namespace wincore

using namespace wincore;

ATOM RegisterClass(const WNDCLASS* wc) {
  if (wc == nullptr || wc->lpfnWndProc == nullptr || wc->lpszClassName == nullptr ||
      reinterpret_cast<std::uintptr_t>(wc->lpszClassName) < 0x10000 ||
      wc->lpszClassName[0] == '\0' || wc->cbWndExtra < 0 || wc->cbWndExtra > 4096) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto& reg = Registry();
  std::string key = Folded(wc->lpszClassName);
  if (reg.byName.count(key) != 0) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto rec = std::make_shared<ClassRecord>();
  rec->name = wc->lpszClassName;
  rec->wc = *wc;
  if (wc->lpszMenuName != nullptr && reinterpret_cast<std::uintptr_t>(wc->lpszMenuName) >= 0x10000) {
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
  Registry().byName.erase(Folded(rec->name.c_str()));
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

void PushTopLevelPropsFor(HWND hwnd);  // window_tree.cpp

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
        if (w != nullptr && w->cls == rec->cls) PushTopLevelPropsFor(h);
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
