#include "platform/window/window_store.h"

#include <algorithm>
#include <mutex>
#include <unordered_set>

namespace wincore {
namespace {

struct Store {
  std::unordered_map<std::uintptr_t, std::unique_ptr<WindowRecord>> windows;
  std::vector<HWND> topLevels;
  std::vector<std::unique_ptr<WindowRecord>> parked;
  int dispatchDepth = 0;
};

Store& S() {
  static Store store;
  return store;
}

// Handles grow for the whole run and are never handed out twice, across platform restarts too.
std::uintptr_t g_nextHandle = 0x10000;

std::mutex g_liveMutex;
std::unordered_set<std::uintptr_t> g_live;

}  // namespace

bool CoreReady() { return CurrentBackend() != nullptr; }

WindowRecord* Find(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  auto it = S().windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
  return it == S().windows.end() ? nullptr : it->second.get();
}

HWND NewHandle() {
  g_nextHandle += 4;
  return reinterpret_cast<HWND>(g_nextHandle);
}

WindowRecord* Insert(std::unique_ptr<WindowRecord> record) {
  auto key = reinterpret_cast<std::uintptr_t>(record->handle);
  WindowRecord* raw = record.get();
  S().windows[key] = std::move(record);
  std::lock_guard<std::mutex> lock(g_liveMutex);
  g_live.insert(key);
  return raw;
}

void Remove(HWND hwnd) {
  auto key = reinterpret_cast<std::uintptr_t>(hwnd);
  {
    std::lock_guard<std::mutex> lock(g_liveMutex);
    g_live.erase(key);
  }
  auto it = S().windows.find(key);
  if (it == S().windows.end()) return;
  std::unique_ptr<WindowRecord> rec = std::move(it->second);
  S().windows.erase(it);
  auto& tops = S().topLevels;
  tops.erase(std::remove(tops.begin(), tops.end(), hwnd), tops.end());
  // Parked rather than freed: the caller may still hold the record it looked up before.
  S().parked.push_back(std::move(rec));
}

void ReleaseParked() {
  if (S().dispatchDepth == 0) S().parked.clear();
}

void EnterDispatch() { ++S().dispatchDepth; }

void LeaveDispatch() {
  // Parked records are freed only when the loop reads its next message: a platform call may
  // still hold the record it looked up before a window procedure destroyed the window.
  if (--S().dispatchDepth < 0) S().dispatchDepth = 0;
}

std::vector<HWND>& TopLevels() { return S().topLevels; }

std::vector<HWND> AllWindows() {
  std::vector<HWND> out;
  out.reserve(S().windows.size());
  for (auto& [key, rec] : S().windows) out.push_back(rec->handle);
  std::sort(out.begin(), out.end());
  return out;
}

void ResetStore() {
  Store& s = S();
  s.windows.clear();
  s.topLevels.clear();
  s.parked.clear();
  s.dispatchDepth = 0;
  std::lock_guard<std::mutex> lock(g_liveMutex);
  g_live.clear();
}

bool IsLiveHandle(HWND hwnd) {
  std::lock_guard<std::mutex> lock(g_liveMutex);
  return g_live.count(reinterpret_cast<std::uintptr_t>(hwnd)) != 0;
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

}  // namespace wincore
