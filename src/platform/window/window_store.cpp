// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window/window_store.h"

#include <algorithm>
#include <atomic>

#include "platform/window/platform_state.h"

namespace window {

WindowRecord* WindowStore::Find(HWND hwnd) const {
  if (hwnd == nullptr) return nullptr;
  auto it = m_windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
  return it == m_windows.end() ? nullptr : it->second.get();
}

WindowRecord* WindowStore::Insert(std::unique_ptr<WindowRecord> record) {
  auto key = reinterpret_cast<std::uintptr_t>(record->handle);
  WindowRecord* raw = record.get();
  m_windows[key] = std::move(record);
  std::lock_guard<std::mutex> lock(m_liveMutex);
  m_live.insert(key);
  return raw;
}

void WindowStore::Remove(HWND hwnd) {
  auto key = reinterpret_cast<std::uintptr_t>(hwnd);
  {
    std::lock_guard<std::mutex> lock(m_liveMutex);
    m_live.erase(key);
  }
  auto it = m_windows.find(key);
  if (it == m_windows.end()) return;
  std::unique_ptr<WindowRecord> rec = std::move(it->second);
  m_windows.erase(it);
  m_topLevels.erase(std::remove(m_topLevels.begin(), m_topLevels.end(), hwnd), m_topLevels.end());
  // The object ends after the table is consistent: ending it may destroy other windows.
  std::unique_ptr<WindowObject> object = std::move(rec->object);
  // Parked rather than freed: the caller may still hold the record it looked up before.
  m_parked.push_back(std::move(rec));
}

void WindowStore::ReleaseParked() {
  if (m_dispatchDepth == 0) m_parked.clear();
}

void WindowStore::LeaveDispatch() {
  // Parked records are freed only when the loop reads its next message: a platform call may
  // still hold the record it looked up before a window procedure destroyed the window.
  if (--m_dispatchDepth < 0) m_dispatchDepth = 0;
}

std::vector<HWND> WindowStore::AllWindows() const {
  std::vector<HWND> out;
  out.reserve(m_windows.size());
  for (auto& [key, rec] : m_windows) out.push_back(rec->handle);
  std::sort(out.begin(), out.end());
  return out;
}

bool WindowStore::IsLive(HWND hwnd) const {
  std::lock_guard<std::mutex> lock(m_liveMutex);
  return m_live.count(reinterpret_cast<std::uintptr_t>(hwnd)) != 0;
}

bool CoreReady() { return RunningPlatform() != nullptr; }

WindowRecord* Find(HWND hwnd) {
  PlatformState* state = RunningPlatform();
  return state != nullptr ? state->windows.Find(hwnd) : nullptr;
}

HWND NewHandle() {
  // Handles grow for the whole process and are never handed out twice, across platform restarts
  // too, so a handle kept from an earlier run is simply not found.
  static std::atomic<std::uintptr_t> lastHandle{0x10000};
  constexpr std::uintptr_t kHandleStep = 4;
  return reinterpret_cast<HWND>(lastHandle += kHandleStep);
}

std::vector<HWND>& TopLevels() { return State().windows.TopLevels(); }

std::vector<HWND> AllWindows() {
  PlatformState* state = RunningPlatform();
  return state != nullptr ? state->windows.AllWindows() : std::vector<HWND>{};
}

// ---- Geometry ------------------------------------------------------------------------------
int ClampCoordinate(int v) { return std::clamp(v, -kMaxCoordinate, kMaxCoordinate); }

int ClampSize(int v, bool topLevel) { return std::clamp(v, 0, topLevel ? kMaxTopLevelSize : kMaxChildSize); }

HWND TopLevelOf(HWND hwnd) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return nullptr;
  rec = TopLevelRecord(rec);
  return rec ? rec->handle : nullptr;
}

WindowRecord* TopLevelRecord(WindowRecord* rec) {
  while (rec != nullptr && rec->IsChild()) rec = Find(rec->parent);
  return rec;
}

POINT WindowOriginInSurface(const WindowRecord& rec) {
  if (!rec.IsChild()) return {0, 0};
  const WindowRecord* parent = Find(rec.parent);
  if (parent == nullptr) return {0, 0};
  POINT p = ClientOriginInSurface(*parent);
  return {p.x + rec.rect.left, p.y + rec.rect.top};
}

POINT ClientOriginInSurface(const WindowRecord& rec) {
  POINT p = WindowOriginInSurface(rec);
  return {p.x + rec.client.left, p.y + rec.client.top};
}

RECT WindowRectInSurface(const WindowRecord& rec) {
  POINT p = WindowOriginInSurface(rec);
  return {p.x, p.y, p.x + Width(rec.rect), p.y + Height(rec.rect)};
}

RECT ClientRectInSurface(const WindowRecord& rec) {
  POINT p = ClientOriginInSurface(rec);
  return {p.x, p.y, p.x + Width(rec.client), p.y + Height(rec.client)};
}

POINT WindowOriginOnScreen(const WindowRecord& rec) {
  const WindowRecord* top = TopLevelRecord(const_cast<WindowRecord*>(&rec));
  POINT p = WindowOriginInSurface(rec);
  if (top != nullptr) {
    p.x += top->rect.left;
    p.y += top->rect.top;
  }
  return p;
}

POINT ClientOriginOnScreen(const WindowRecord& rec) {
  POINT p = WindowOriginOnScreen(rec);
  return {p.x + rec.client.left, p.y + rec.client.top};
}

bool Showing(const WindowRecord& rec) {
  const WindowRecord* r = &rec;
  while (r != nullptr) {
    if ((r->style & WS_VISIBLE) == 0) return false;
    if (!r->IsChild()) return true;
    r = Find(r->parent);
  }
  return false;
}

bool EnabledChain(const WindowRecord& rec) {
  const WindowRecord* r = &rec;
  while (r != nullptr) {
    if ((r->style & WS_DISABLED) != 0) return false;
    if (!r->IsChild()) return true;
    r = Find(r->parent);
  }
  return false;
}

}  // namespace window
