// SPDX-License-Identifier: GPL-3.0-or-later
// Update regions, WM_PAINT, device contexts of windows and the dirty-rectangle presents.
//
// Child windows draw into their top-level's surface through DCs clipped to their visible region.
// Every DC reports the box it drew into when it ends; those boxes are the top-level's dirty list,
// presented once at the next idle point, so only changed pixels travel to the display.
#include <map>

#include "platform/gfx/dc_internal.h"
#include "platform/window.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

bool InFamily(HWND filter, HWND hwnd) { return filter == nullptr || hwnd == filter || IsChild(filter, hwnd); }

HWND VisitForPaint(HWND hwnd, HWND filter) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || !Showing(*rec)) return nullptr;
  const bool mine = InFamily(filter, hwnd);
  if (mine && rec->ncPaintNeeded && rec->update.empty()) {
    rec->ncPaintNeeded = false;
    SendMessage(hwnd, WM_NCPAINT, 1, 0);
    rec = Find(hwnd);
    if (rec == nullptr) return nullptr;
  }
  if (mine && !rec->update.empty()) return hwnd;
  // Parents before children; among siblings the lower ones first, so upper ones end on top.
  std::vector<HWND> children = rec->children;
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if (HWND found = VisitForPaint(*it, filter)) return found;
  }
  return nullptr;
}

HDC MakeDc(WindowRecord& rec, RegionKind kind, std::vector<RECT> visible) {
  WindowRecord* top = TopLevelRecord(&rec);
  if (top == nullptr || !top->surface) return nullptr;
  POINT origin = kind == RegionKind::Client ? ClientOriginInSurface(rec) : WindowOriginInSurface(rec);
  HDC hdc = gfx::CreateSurfaceDC(rec.handle, top->surface.get(), origin, std::move(visible));
  if (hdc != nullptr) State().paint.windowDcs[hdc] = {rec.handle, top->handle};
  return hdc;
}

void InvalidateTreeArea(WindowRecord& rec, const RECT& area) {
  if (!Showing(rec)) return;
  RECT win = WindowRectInSurface(rec);
  RECT hit = Intersect(win, area);
  if (IsEmpty(hit)) return;
  RECT client = ClientRectInSurface(rec);
  RECT inClient = Intersect(hit, client);
  if (!IsEmpty(inClient)) {
    AddRect(rec.update, Offset(inClient, -client.left, -client.top));
    rec.eraseNeeded = true;
  }
  if (!(hit.left >= client.left && hit.top >= client.top && hit.right <= client.right &&
        hit.bottom <= client.bottom)) {
    rec.ncPaintNeeded = true;
  }
  for (HWND child : rec.children) {
    if (WindowRecord* c = Find(child)) InvalidateTreeArea(*c, area);
  }
}

}  // namespace

std::vector<RECT> VisibleRegion(const WindowRecord& rec, RegionKind kind) {
  std::vector<RECT> region;
  if (!Showing(rec)) return region;
  RECT base = kind == RegionKind::Client ? ClientRectInSurface(rec) : WindowRectInSurface(rec);
  if (IsEmpty(base)) return region;
  region.push_back(base);
  const WindowRecord* cur = &rec;
  while (cur->IsChild()) {
    const WindowRecord* parent = Find(cur->parent);
    if (parent == nullptr) return {};
    IntersectList(region, ClientRectInSurface(*parent));
    if ((cur->style & WS_CLIPSIBLINGS) != 0) {
      for (HWND sib : parent->children) {
        if (sib == cur->handle) break;  // only the siblings above
        const WindowRecord* s = Find(sib);
        if (s != nullptr && (s->style & WS_VISIBLE) != 0) SubtractRect(region, WindowRectInSurface(*s));
      }
    }
    cur = parent;
  }
  if (cur->surface) IntersectList(region, {0, 0, cur->surface->Width(), cur->surface->Height()});
  if ((rec.style & WS_CLIPCHILDREN) != 0) {
    for (HWND child : rec.children) {
      const WindowRecord* c = Find(child);
      if (c != nullptr && (c->style & WS_VISIBLE) != 0) SubtractRect(region, WindowRectInSurface(*c));
    }
  }
  return region;
}

HWND FindPaintWindow(HWND filter) {
  std::vector<HWND> tops = TopLevels();
  for (HWND top : tops) {
    if (HWND found = VisitForPaint(top, filter)) return found;
  }
  return nullptr;
}

void InvalidateClient(WindowRecord& rec, const RECT* rect, bool erase, bool allChildren) {
  if (!Showing(rec)) return;
  RECT client{0, 0, Width(rec.client), Height(rec.client)};
  RECT r = rect ? Intersect(*rect, client) : client;
  if (IsEmpty(r)) return;
  AddRect(rec.update, r);
  if (erase) rec.eraseNeeded = true;
  // Without WS_CLIPCHILDREN the window paints over its children, so they must paint again.
  if (!allChildren && (rec.style & WS_CLIPCHILDREN) != 0) return;
  for (HWND child : rec.children) {
    WindowRecord* c = Find(child);
    if (c == nullptr || (c->style & WS_VISIBLE) == 0) continue;
    RECT overlap = Intersect(r, c->rect);
    if (IsEmpty(overlap)) continue;
    RECT local = Offset(overlap, -c->rect.left - c->client.left, -c->rect.top - c->client.top);
    RECT childClient{0, 0, Width(c->client), Height(c->client)};
    RECT inside = Intersect(local, childClient);
    if (inside != local) c->ncPaintNeeded = true;
    if (!IsEmpty(inside)) InvalidateClient(*c, &inside, erase, allChildren);
  }
}

void InvalidateSurfaceArea(HWND top, const RECT& surfaceRect) {
  WindowRecord* rec = Find(top);
  if (rec == nullptr || IsEmpty(surfaceRect)) return;
  InvalidateTreeArea(*rec, surfaceRect);
}

void AddDirty(HWND top, const RECT& surfaceRect) {
  WindowRecord* rec = Find(top);
  if (rec == nullptr || !rec->surface) return;
  RECT r = Intersect(surfaceRect, {0, 0, rec->surface->Width(), rec->surface->Height()});
  AddRect(rec->dirty, r);
}

void FlushPresents() {
  PlatformState* running = RunningPlatform();
  if (running == nullptr) return;
  backend::Backend* backend = &running->backend;
  std::vector<HWND> tops = TopLevels();
  for (HWND top : tops) {
    WindowRecord* rec = Find(top);
    if (rec == nullptr || rec->dirty.empty()) continue;
    std::vector<RECT> dirty;
    dirty.swap(rec->dirty);
    // A hidden window is presented whole when it is shown again.
    if (rec->nativeCreated && (rec->style & WS_VISIBLE) != 0 && rec->surface) {
      backend->Present(top, *rec->surface, dirty);
    }
  }
}

void PaintNow(HWND hwnd) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || !Showing(*rec)) return;
  if (rec->ncPaintNeeded && rec->update.empty()) {
    rec->ncPaintNeeded = false;
    SendMessage(hwnd, WM_NCPAINT, 1, 0);
    return;
  }
  if (rec->update.empty()) return;
  SendMessage(hwnd, WM_PAINT, 0, 0);
  if (Find(hwnd) != nullptr) ValidateRect(hwnd, nullptr);
}

}  // namespace window

using namespace window;

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (hwnd == nullptr) {
    for (HWND top : TopLevels()) {
      if (WindowRecord* rec = Find(top)) {
        rec->ncPaintNeeded = true;
        InvalidateClient(*rec, nullptr, erase != FALSE, true);
      }
    }
    return TRUE;
  }
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return FALSE;
  InvalidateClient(*rec, rect, erase != FALSE, false);
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return FALSE;
  if (rect == nullptr) {
    rec->update.clear();
  } else {
    SubtractRect(rec->update, *rect);
  }
  if (rec->update.empty()) rec->eraseNeeded = false;
  return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
  if (Find(hwnd) == nullptr) return FALSE;
  PaintNow(hwnd);
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return FALSE;
  RECT box = BoundingBox(rec->update);
  if (rect != nullptr) *rect = box;
  return IsEmpty(box) ? FALSE : TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || ps == nullptr) return nullptr;
  if (rec->ncPaintNeeded) {
    rec->ncPaintNeeded = false;
    SendMessage(hwnd, WM_NCPAINT, 1, 0);
    rec = Find(hwnd);
    if (rec == nullptr) return nullptr;
  }
  std::vector<RECT> update;
  update.swap(rec->update);
  const bool erase = rec->eraseNeeded;
  rec->eraseNeeded = false;

  std::vector<RECT> visible = VisibleRegion(*rec, RegionKind::Client);
  POINT org = ClientOriginInSurface(*rec);
  std::vector<RECT> clip;
  for (const RECT& u : update) {
    RECT onSurface = Offset(u, org.x, org.y);
    for (const RECT& v : visible) {
      RECT i = Intersect(onSurface, v);
      if (!IsEmpty(i)) clip.push_back(i);
    }
  }
  HDC hdc = MakeDc(*rec, RegionKind::Client, std::move(clip));
  *ps = PAINTSTRUCT{};
  ps->hdc = hdc;
  ps->rcPaint = BoundingBox(update);
  if (hdc != nullptr && erase) {
    LRESULT erased = SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
    ps->fErase = erased == 0 ? TRUE : FALSE;
  }
  return hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (ps == nullptr) return FALSE;
  return ReleaseDC(hwnd, ps->hdc) != 0 ? TRUE : FALSE;
}

HDC GetDC(HWND hwnd) {
  if (hwnd == nullptr || hwnd == GetDesktopWindow()) {
    HDC hdc = gfx::CreateSurfaceDC(nullptr, &State().paint.screenSurface, {0, 0}, {});
    if (hdc != nullptr) State().paint.windowDcs[hdc] = {nullptr, nullptr};
    return hdc;
  }
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return nullptr;
  return MakeDc(*rec, RegionKind::Client, VisibleRegion(*rec, RegionKind::Client));
}

HDC GetWindowDC(HWND hwnd) {
  if (hwnd == nullptr) return GetDC(nullptr);
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return nullptr;
  return MakeDc(*rec, RegionKind::Window, VisibleRegion(*rec, RegionKind::Window));
}

int ReleaseDC(HWND, HDC hdc) {
  auto it = State().paint.windowDcs.find(hdc);
  if (hdc == nullptr || it == State().paint.windowDcs.end()) return 0;
  PaintState::LiveDc live = it->second;
  State().paint.windowDcs.erase(it);
  RECT drawn = gfx::DestroySurfaceDC(hdc);
  if (live.top != nullptr && !IsEmpty(drawn)) AddDirty(live.top, drawn);
  return 1;
}
