// SPDX-License-Identifier: GPL-3.0-or-later
// System menus. Each top-level window gets the standard items; what a window deletes or greys
// decides which frame functions the desktop offers for it (move, size, minimise, maximise,
// close).
#include <map>

#include "platform/window.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

using MenuItem = SystemMenus::Item;
using Menu = SystemMenus::Menu;

// Menu handles, like window handles, are never reused during a run.
std::uintptr_t NextMenuHandle() {
  static std::uintptr_t lastMenu = 0x40000;
  constexpr std::uintptr_t kHandleStep = 4;
  return lastMenu += kHandleStep;
}

std::vector<MenuItem> StandardItems() {
  return {{static_cast<UINT>(SC_RESTORE), 0},  {static_cast<UINT>(SC_MOVE), 0},
          {static_cast<UINT>(SC_SIZE), 0},     {static_cast<UINT>(SC_MINIMIZE), 0},
          {static_cast<UINT>(SC_MAXIMIZE), 0}, {0, 0},
          {static_cast<UINT>(SC_CLOSE), 0}};
}

Menu* FindMenu(HMENU menu) {
  auto it = State().menus.byHandle.find(reinterpret_cast<std::uintptr_t>(menu));
  return it == State().menus.byHandle.end() ? nullptr : &it->second;
}

// The index of the item that `item`/`flags` names, or -1.
int Locate(const Menu& m, UINT item, UINT flags) {
  if ((flags & MF_BYPOSITION) != 0) return item < m.items.size() ? static_cast<int>(item) : -1;
  for (std::size_t i = 0; i < m.items.size(); ++i) {
    if (m.items[i].id != 0 && m.items[i].id == item) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

HMENU CreateSystemMenu(HWND owner) {
  const std::uintptr_t handle = NextMenuHandle();
  Menu m;
  m.owner = owner;
  m.items = StandardItems();
  State().menus.byHandle[handle] = m;
  return reinterpret_cast<HMENU>(handle);
}

void DestroySystemMenu(HMENU menu) { State().menus.byHandle.erase(reinterpret_cast<std::uintptr_t>(menu)); }

bool MenuOffers(HMENU menu, UINT command) {
  Menu* m = FindMenu(menu);
  if (m == nullptr) return false;
  int i = Locate(*m, command, MF_BYCOMMAND);
  return i >= 0 && (m->items[static_cast<std::size_t>(i)].flags & MF_GRAYED) == 0;
}

}  // namespace window

using namespace window;

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || !rec->IsTopLevel()) return nullptr;
  Menu* m = FindMenu(rec->sysMenu);
  if (m == nullptr) return nullptr;
  if (revert) {
    m->items = StandardItems();
    PushTopLevelProps(hwnd);
    return nullptr;
  }
  return rec->sysMenu;
}

BOOL DeleteMenu(HMENU menu, UINT item, UINT flags) {
  Menu* m = FindMenu(menu);
  if (m == nullptr) return FALSE;
  int i = Locate(*m, item, flags);
  if (i < 0) return FALSE;
  m->items.erase(m->items.begin() + i);
  PushTopLevelProps(m->owner);
  return TRUE;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags) {
  Menu* m = FindMenu(menu);
  if (m == nullptr) return -1;
  int i = Locate(*m, item, flags);
  if (i < 0) return -1;
  MenuItem& it = m->items[static_cast<std::size_t>(i)];
  BOOL old = static_cast<BOOL>(it.flags & MF_GRAYED);
  it.flags = (it.flags & ~MF_GRAYED) | (flags & MF_GRAYED);
  PushTopLevelProps(m->owner);
  return old;
}

int GetMenuItemCount(HMENU menu) {
  Menu* m = FindMenu(menu);
  return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  Menu* m = FindMenu(menu);
  if (m == nullptr || position < 0 || static_cast<std::size_t>(position) >= m->items.size()) {
    return static_cast<UINT>(-1);
  }
  return m->items[static_cast<std::size_t>(position)].id;
}
