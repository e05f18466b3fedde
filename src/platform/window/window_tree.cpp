// SPDX-License-Identifier: GPL-3.0-or-later
// Creating and destroying windows, the parent/owner tree, window longs and what the desktop is
// told about top-level windows.

#include <algorithm>
#include <cstring>

#include "base/cp1252.h"
#include "base/rect.h"
#include "platform/gdi.h"
#include "platform/gfx/dc_internal.h"
#include "platform/gfx/gdi_icon.h"
#include "platform/window.h"
#include "platform/window/a11y/platform_events.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

// Windows of this class are announced to the desktop as modal dialogs (the message box).
constexpr const char* kDialogClass = "#32770";

constexpr int GWL_HINSTANCE_INDEX = -6;
constexpr int GWL_HWNDPARENT_INDEX = -8;

std::uint32_t FacePixel() { return PixelFromColor(GetSysColor(COLOR_BTNFACE)); }

bool EqualsNoCase(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

void MarkDestroying(WindowRecord& rec) {
  rec.destroying = true;
  for (HWND child : rec.children) {
    if (WindowRecord* c = Find(child)) MarkDestroying(*c);
  }
}

void SendDestroy(HWND hwnd) {
  SendMessage(hwnd, WM_DESTROY, 0, 0);
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return;
  std::vector<HWND> children = rec->children;
  for (HWND child : children) {
    if (Find(child) != nullptr) SendDestroy(child);
  }
}

void FinishDestroy(HWND hwnd) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return;
  std::vector<HWND> children = rec->children;
  for (HWND child : children) FinishDestroy(child);
  SendMessage(hwnd, WM_NCDESTROY, 0, 0);
  rec = Find(hwnd);
  if (rec == nullptr) return;
  State().timers.KillWindowTimers(hwnd);
  gfx::DetachSurfaceDCs(hwnd);
  if (rec->IsChild()) {
    if (WindowRecord* parent = Find(rec->parent)) {
      auto& list = parent->children;
      list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
    }
  } else {
    if (rec->sysMenu != nullptr) DestroySystemMenu(rec->sysMenu);
    if (rec->nativeCreated) State().backend.DestroyNative(hwnd);
    rec->nativeCreated = false;
  }
  State().windows.Remove(hwnd);
}

HICON PropsIcon(const WindowRecord& rec) {
  if (rec.bigIconSet) return rec.bigIcon;
  if (rec.smallIcon != nullptr) return rec.smallIcon;
  return rec.cls->wc.hIcon;
}

}  // namespace

backend::TopLevelProps ComputeProps(const WindowRecord& rec) {
  backend::TopLevelProps p;
  p.titleUtf8 = text::Cp1252ToUtf8(rec.text);
  // The taskbar shows the title of the window at the root of the owner chain (the application
  // window), whichever of its windows is showing.
  const WindowRecord* root = &rec;
  for (int guard = 0; guard < 64 && root->owner != nullptr; ++guard) {
    const WindowRecord* next = Find(root->owner);
    if (next == nullptr) break;
    root = next;
  }
  p.iconNameUtf8 = text::Cp1252ToUtf8(root->text);
  p.className = rec.cls->name;
  p.transientFor = rec.owner;
  p.dialog = EqualsNoCase(rec.cls->name, kDialogClass);
  if (p.dialog) {
    // A box must stay above the window the user sees. Its owner may be the application window,
    // which has no area and is never shown, or it may have none (a task-modal box): then it
    // belongs to the program's shown window instead.
    const WindowRecord* owner = rec.owner != nullptr ? Find(rec.owner) : nullptr;
    if (owner == nullptr || rect::IsEmpty(owner->rect)) {
      for (HWND h : TopLevels()) {
        const WindowRecord* o = Find(h);
        if (o != nullptr && o != &rec && o->owner == rec.owner && !IsModalBox(*o) &&
            (o->style & WS_VISIBLE) != 0 && !rect::IsEmpty(o->rect)) {
          p.transientFor = h;
          break;
        }
      }
    }
  }
  p.fixedSize = (rec.style & WS_THICKFRAME) == 0;
  p.userPosition = true;
  p.hasTitle = (rec.style & WS_CAPTION) == WS_CAPTION;
  p.hasSystemMenu = (rec.style & WS_SYSMENU) != 0;
  HMENU menu = rec.sysMenu;
  p.canMove = !p.hasSystemMenu || MenuOffers(menu, SC_MOVE);
  p.canClose = p.hasSystemMenu && MenuOffers(menu, SC_CLOSE);
  p.canMinimize = (rec.style & WS_MINIMIZEBOX) != 0 && (!p.hasSystemMenu || MenuOffers(menu, SC_MINIMIZE));
  p.canMaximize = (rec.style & WS_MAXIMIZEBOX) != 0 && (!p.hasSystemMenu || MenuOffers(menu, SC_MAXIMIZE));
  p.canResize = (rec.style & WS_THICKFRAME) != 0 && (!p.hasSystemMenu || MenuOffers(menu, SC_SIZE));
  p.modal = p.dialog;
  p.popup = (rec.style & WS_POPUP) != 0 && !p.hasTitle;
  p.skipTaskbar = rec.owner != nullptr || (rec.exStyle & WS_EX_TOOLWINDOW) != 0;
  // The icon the desktop shows. On X11 the taskbar entry and the frame read the same property
  // (_NET_WM_ICON). The application window has no area and is never mapped, so the window it owns
  // (the main window) carries the program's taskbar entry, and that entry must show the
  // program's icon: a window without an icon of its own that stands in for such an owner shows
  // the owner's. Its own icon is untouched: WM_GETICON still answers what the program set (none
  // on a dialog frame).
  p.iconArgb = gfx::IconArgb(PropsIcon(rec));
  if (p.iconArgb.empty() && rec.owner != nullptr) {
    const WindowRecord* owner = Find(rec.owner);
    if (owner != nullptr && rect::IsEmpty(owner->rect)) p.iconArgb = gfx::IconArgb(PropsIcon(*owner));
  }
  return p;
}

void PushTopLevelProps(HWND hwnd) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || rec->IsChild()) return;
  backend::TopLevelProps props = ComputeProps(*rec);
  if (!rec->propsKnown || !(props == rec->props)) {
    rec->props = props;
    rec->propsKnown = true;
    if (rec->nativeCreated) State().backend.SetNativeProps(hwnd, rec->props);
  }
  // Owned windows carry this window's title as their icon name.
  std::vector<HWND> tops = TopLevels();
  for (HWND other : tops) {
    WindowRecord* o = Find(other);
    if (o != nullptr && o->owner == hwnd) PushTopLevelProps(other);
  }
}

void DestroyAllWindows() {
  for (int guard = 0; guard < 10000 && !TopLevels().empty(); ++guard) {
    // Unowned windows first: destroying one takes the windows it owns with it.
    std::vector<HWND> tops = TopLevels();
    HWND pick = tops.front();
    for (HWND h : tops) {
      WindowRecord* rec = Find(h);
      if (rec != nullptr && rec->owner == nullptr) {
        pick = h;
        break;
      }
    }
    DestroyWindow(pick);
    if (Find(pick) != nullptr) State().windows.Remove(pick);  // a window that refused to go
  }
}

namespace {

struct Relatives {
  HWND parent = nullptr;  // child windows
  HWND owner = nullptr;   // top-level windows
};

// The parent a child window names, or the top-level window that owns a new top-level one. False
// (with the error set) when the handle does not fit the style.
bool ResolveRelatives(DWORD style, HWND parentOrOwner, Relatives* out) {
  if ((style & WS_CHILD) != 0) {
    if (Find(parentOrOwner) == nullptr) {
      SetLastError(ERROR_TLW_WITH_WSCHILD);
      return false;
    }
    out->parent = parentOrOwner;
  } else if (parentOrOwner != nullptr && parentOrOwner != DesktopHandle()) {
    out->owner = TopLevelOf(parentOrOwner);
    if (out->owner == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return false;
    }
  }
  return true;
}

// Makes the record and puts it in the tree: a child at the bottom of its siblings' z-order (so
// creation order is tab order), a top-level window in front with its surface, system menu and
// native window. The window starts hidden; CreateWindowEx shows it afterwards as its style asks.
WindowRecord* InsertRecord(const std::shared_ptr<ClassRecord>& cls, const CREATESTRUCT& cs,
                           const Relatives& relatives) {
  auto rec = std::make_unique<WindowRecord>();
  const HWND hwnd = NewHandle();
  const bool topLevel = relatives.parent == nullptr;
  rec->handle = hwnd;
  rec->cls = cls;
  rec->style = static_cast<DWORD>(cs.style) & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
  if (topLevel) rec->style |= WS_CLIPSIBLINGS;
  rec->exStyle = cs.dwExStyle;
  rec->parent = relatives.parent;
  rec->owner = relatives.owner;
  rec->rect = {cs.x, cs.y, cs.x + cs.cx, cs.y + cs.cy};
  rec->proc = cls->wc.lpfnWndProc;
  rec->id = topLevel ? 0 : reinterpret_cast<std::intptr_t>(cs.hMenu);
  rec->instance = cs.hInstance;
  rec->extra.assign(static_cast<std::size_t>(std::max(cls->wc.cbWndExtra, 0)), 0);
  rec->client = CalcClientRect(*rec, cs.cx, cs.cy);
  WindowRecord* r = State().windows.Insert(std::move(rec));
  if (!topLevel) {
    Find(relatives.parent)->children.push_back(hwnd);
    return r;
  }
  TopLevels().insert(TopLevels().begin(), hwnd);
  r->surface = std::make_unique<Surface>(cs.cx, cs.cy, FacePixel());
  r->sysMenu = CreateSystemMenu(hwnd);
  r->props = ComputeProps(*r);
  r->propsKnown = true;
  r->nativeCreated = State().backend.CreateNative(hwnd, r->rect, r->props);
  return r;
}

// WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, then WM_SIZE and WM_MOVE. False when the window refused
// to be made (it is destroyed then) or was destroyed on the way.
bool SendCreation(HWND hwnd, CREATESTRUCT& cs) {
  if (SendMessage(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) == 0) {
    DestroyWindow(hwnd);
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  WindowRecord* r = Find(hwnd);
  if (r == nullptr) return false;
  RECT calc = r->rect;
  SendMessage(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&calc));
  if ((r = Find(hwnd)) == nullptr) return false;
  r->client = Intersect(Offset(calc, -r->rect.left, -r->rect.top), {0, 0, Width(r->rect), Height(r->rect)});
  if (SendMessage(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if ((r = Find(hwnd)) == nullptr) return false;
  SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(Width(r->client), Height(r->client)));
  if ((r = Find(hwnd)) == nullptr) return false;
  const POINT moved{r->rect.left + r->client.left, r->rect.top + r->client.top};
  SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(moved.x, moved.y));
  return Find(hwnd) != nullptr;
}

void ShowAsCreated(HWND hwnd, DWORD style) {
  if ((style & WS_MINIMIZE) != 0) {
    ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
  } else if ((style & WS_MAXIMIZE) != 0) {
    ShowWindow(hwnd, SW_SHOWMAXIMIZED);
  } else if ((style & WS_VISIBLE) != 0) {
    ShowWindow(hwnd, SW_SHOW);
  }
}

}  // namespace
}  // namespace window

using namespace window;

HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                    int width, int height, HWND parentOrOwner, HMENU menuOrId, HINSTANCE instance,
                    void* createParam) {
  if (!CoreReady()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  std::shared_ptr<ClassRecord> cls = FindClass(className);
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  Relatives relatives;
  if (!ResolveRelatives(style, parentOrOwner, &relatives)) return nullptr;
  const bool topLevel = relatives.parent == nullptr;
  CREATESTRUCT cs;
  cs.lpCreateParams = createParam;
  cs.hInstance = instance;
  cs.hMenu = menuOrId;
  cs.hwndParent = parentOrOwner;
  cs.cx = ClampSize(width, topLevel);
  cs.cy = ClampSize(height, topLevel);
  cs.x = ClampCoordinate(x);
  cs.y = ClampCoordinate(y);
  cs.style = static_cast<LONG>(style);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;
  const HWND hwnd = InsertRecord(cls, cs, relatives)->handle;
  if (!SendCreation(hwnd, cs)) return nullptr;
  ShowAsCreated(hwnd, style);
  return Find(hwnd) != nullptr ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (rec->destroying) return TRUE;
  MarkDestroying(*rec);

  // Windows owned by this one go first.
  if (rec->IsTopLevel()) {
    std::vector<HWND> tops = TopLevels();
    for (HWND other : tops) {
      WindowRecord* o = Find(other);
      if (o != nullptr && o->owner == hwnd) DestroyWindow(other);
    }
  }
  rec = Find(hwnd);
  if (rec == nullptr) return TRUE;
  if (rec->IsTopLevel()) {
    a11y::TellDestroyed(hwnd);
    if ((rec = Find(hwnd)) == nullptr) return TRUE;
  }

  // Hidden at once, without the usual show messages: it is going.
  if ((rec->style & WS_VISIBLE) != 0) {
    if (rec->IsChild()) {
      const bool wasShowing = Showing(*rec);
      RECT area = WindowRectInSurface(*rec);
      rec->style &= ~WS_VISIBLE;
      if (wasShowing) InvalidateSurfaceArea(TopLevelOf(hwnd), area);
    } else {
      rec->style &= ~WS_VISIBLE;
      if (rec->nativeCreated) State().backend.SetNativeShowState(hwnd, backend::NativeShowState::Hidden);
    }
  }
  ForgetWindow(hwnd);
  if (Find(hwnd) == nullptr) return TRUE;
  SendDestroy(hwnd);
  FinishDestroy(hwnd);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  if (hwnd == DesktopHandle()) return TRUE;
  return Find(hwnd) != nullptr ? TRUE : FALSE;
}

HWND GetParent(HWND hwnd) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return nullptr;
  return rec->IsChild() ? rec->parent : rec->owner;
}

HWND SetParent(HWND hwnd, HWND newParent) {
  WindowRecord* rec = Find(hwnd);
  WindowRecord* np = Find(newParent);
  // Only child windows move between parents here; top-level windows keep their own surface.
  if (rec == nullptr || np == nullptr || !rec->IsChild() || hwnd == newParent || IsChild(hwnd, newParent)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HWND old = rec->parent;
  if (old == newParent) return old;
  const bool wasShowing = Showing(*rec);
  HWND oldTop = TopLevelOf(hwnd);
  RECT oldArea = WindowRectInSurface(*rec);
  gfx::DetachSurfaceDCs(hwnd);
  if (WindowRecord* op = Find(old)) {
    auto& list = op->children;
    list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
  }
  rec->parent = newParent;
  np->children.insert(np->children.begin(), hwnd);
  if (wasShowing) InvalidateSurfaceArea(oldTop, oldArea);
  if (Showing(*rec)) InvalidateSurfaceArea(TopLevelOf(hwnd), WindowRectInSurface(*rec));
  return old;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return nullptr;
  if (cmd == GW_OWNER) return rec->IsChild() ? nullptr : rec->owner;
  if (cmd == GW_CHILD) return rec->children.empty() ? nullptr : rec->children.front();
  const std::vector<HWND>* siblings = &TopLevels();
  if (rec->IsChild()) {
    WindowRecord* parent = Find(rec->parent);
    if (parent == nullptr) return nullptr;
    siblings = &parent->children;
  }
  auto it = std::find(siblings->begin(), siblings->end(), hwnd);
  if (it == siblings->end()) return nullptr;
  switch (cmd) {
    case GW_HWNDFIRST:
      return siblings->front();
    case GW_HWNDLAST:
      return siblings->back();
    case GW_HWNDNEXT:
      return (it + 1) == siblings->end() ? nullptr : *(it + 1);
    case GW_HWNDPREV:
      return it == siblings->begin() ? nullptr : *(it - 1);
    default:
      return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) {
  if (hwnd == nullptr || hwnd == DesktopHandle()) {
    return TopLevels().empty() ? nullptr : TopLevels().front();
  }
  return GetWindow(hwnd, GW_CHILD);
}

HWND GetAncestorTopLevel(HWND hwnd) { return TopLevelOf(hwnd); }

BOOL IsChild(HWND parent, HWND hwnd) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || parent == nullptr) return FALSE;
  while (rec->IsChild()) {
    if (rec->parent == parent) return TRUE;
    rec = Find(rec->parent);
    if (rec == nullptr) return FALSE;
  }
  return FALSE;
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM lParam) {
  if (proc == nullptr || !CoreReady()) return FALSE;
  if (threadId != State().queue.UiThreadId()) return FALSE;
  std::vector<HWND> tops = TopLevels();
  for (HWND h : tops) {
    if (Find(h) == nullptr) continue;
    if (!proc(h, lParam)) break;
  }
  return TRUE;
}

namespace {
bool EnumChildren(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  WindowRecord* rec = Find(parent);
  if (rec == nullptr) return true;
  std::vector<HWND> children = rec->children;
  for (HWND child : children) {
    if (Find(child) == nullptr) continue;
    if (!proc(child, lParam)) return false;
    if (!EnumChildren(child, proc, lParam)) return false;
  }
  return true;
}
}  // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  if (proc == nullptr || Find(parent) == nullptr) return FALSE;
  EnumChildren(parent, proc, lParam);
  return TRUE;
}

std::intptr_t GetWindowLongPtr(HWND hwnd, int index) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (index) {
    case GWL_WNDPROC:
      return reinterpret_cast<std::intptr_t>(rec->proc);
    case GWL_STYLE: {
      DWORD style = rec->style;
      if (rec->iconic) style |= WS_MINIMIZE;
      if (rec->zoomed) style |= WS_MAXIMIZE;
      return static_cast<std::intptr_t>(style);
    }
    case GWL_EXSTYLE:
      return static_cast<std::intptr_t>(rec->exStyle);
    case GWL_USERDATA:
      return rec->userData;
    case GWL_ID:
      return rec->id;
    case GWL_HINSTANCE_INDEX:
      return reinterpret_cast<std::intptr_t>(rec->instance);
    case GWL_HWNDPARENT_INDEX:
      return reinterpret_cast<std::intptr_t>(rec->IsChild() ? rec->parent : rec->owner);
    default:
      break;
  }
  if (index >= 0 && static_cast<std::size_t>(index) + sizeof(std::intptr_t) <= rec->extra.size()) {
    std::intptr_t v = 0;
    std::memcpy(&v, rec->extra.data() + index, sizeof v);
    return v;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

std::intptr_t SetWindowLongPtr(HWND hwnd, int index, std::intptr_t value) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  std::intptr_t old = GetWindowLongPtr(hwnd, index);
  switch (index) {
    case GWL_WNDPROC:
      if (value == 0) return 0;
      rec->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWL_STYLE:
      // As with the classic service, frame bits take effect with SetWindowPos(SWP_FRAMECHANGED).
      rec->style = static_cast<DWORD>(value) & ~(WS_MINIMIZE | WS_MAXIMIZE);
      PushTopLevelProps(hwnd);
      return old;
    case GWL_EXSTYLE:
      rec->exStyle = static_cast<DWORD>(value);
      PushTopLevelProps(hwnd);
      return old;
    case GWL_USERDATA:
      rec->userData = value;
      return old;
    case GWL_ID:
      rec->id = value;
      return old;
    case GWL_HWNDPARENT_INDEX:
      if (rec->IsTopLevel()) {
        HWND owner = value != 0 ? TopLevelOf(reinterpret_cast<HWND>(value)) : nullptr;
        if (owner == hwnd) return 0;
        rec->owner = owner;
        PushTopLevelProps(hwnd);
      }
      return old;
    default:
      break;
  }
  if (index >= 0 && static_cast<std::size_t>(index) + sizeof(std::intptr_t) <= rec->extra.size()) {
    std::memcpy(rec->extra.data() + index, &value, sizeof value);
    return old;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

LONG GetWindowLong(HWND hwnd, int index) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (index >= 0) {
    if (static_cast<std::size_t>(index) + sizeof(LONG) > rec->extra.size()) return 0;
    LONG v = 0;
    std::memcpy(&v, rec->extra.data() + index, sizeof v);
    return v;
  }
  return static_cast<LONG>(GetWindowLongPtr(hwnd, index));
}

LONG SetWindowLong(HWND hwnd, int index, LONG value) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (index == GWL_WNDPROC) {
    // A procedure address does not fit 32 bits; SetWindowLongPtr is the way to subclass.
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (index >= 0) {
    if (static_cast<std::size_t>(index) + sizeof(LONG) > rec->extra.size()) return 0;
    LONG old = 0;
    std::memcpy(&old, rec->extra.data() + index, sizeof old);
    std::memcpy(rec->extra.data() + index, &value, sizeof value);
    return old;
  }
  std::intptr_t v = value;
  if (index == GWL_STYLE || index == GWL_EXSTYLE) v = static_cast<std::intptr_t>(static_cast<DWORD>(value));
  return static_cast<LONG>(SetWindowLongPtr(hwnd, index, v));
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (proc == nullptr) return 0;
  return proc(hwnd, msg, wParam, lParam);
}
