// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' side of accessibility: finding a window's provider, the events the windows send,
// and the requests a screen reader leaves for the message loop. Nothing here speaks to a bus: the
// bridge (atspi_bridge.cpp) does, when one runs.
#include "platform/accessibility.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "platform/window.h"
#include "platform/window/a11y/access_state.h"
#include "platform/window/a11y/default_provider.h"
#include "platform/window/platform_state.h"

namespace a11y {

int CellIndex(TableShape shape, int row, int column) {
  if (row < 0 || column < 0 || row >= shape.rows || column >= shape.columns) return -1;
  return row * shape.columns + column;
}

int RowOfIndex(TableShape shape, int index) {
  if (shape.columns <= 0 || index < 0 || index >= shape.rows * shape.columns) return -1;
  return index / shape.columns;
}

int ColumnOfIndex(TableShape shape, int index) {
  if (shape.columns <= 0 || index < 0 || index >= shape.rows * shape.columns) return -1;
  return index % shape.columns;
}

ObjectRef ParentRef(ObjectRef object) {
  Provider* provider = ProviderOf(object.hwnd);
  if (provider == nullptr) return {};
  if (ObjectRef named = provider->ParentOf(object.child); named.hwnd != nullptr) return named;
  if (object.child != kSelf) return {object.hwnd, kSelf};
  if ((GetWindowLong(object.hwnd, GWL_STYLE) & WS_CHILD) == 0) return {};
  return {GetParent(object.hwnd), kSelf};
}

std::vector<ObjectRef> TopLevels() {
  std::vector<ObjectRef> tops;
  for (HWND top = GetTopWindow(nullptr); top != nullptr; top = GetWindow(top, GW_HWNDNEXT)) {
    RECT r{};
    if (!IsWindowVisible(top) || !GetWindowRect(top, &r) || r.right <= r.left || r.bottom <= r.top) continue;
    const ObjectRef self{top, kSelf};
    if (ParentRef(self).hwnd == nullptr) tops.push_back(self);
  }
  // Oldest first, as a reader lists a program's windows.
  std::reverse(tops.begin(), tops.end());
  return tops;
}

Provider* ProviderOf(HWND hwnd) {
  if (hwnd == nullptr || !IsWindow(hwnd)) return nullptr;
  const LRESULT answer = SendMessage(hwnd, WM_GETOBJECT, 0, kObjectIdClient);
  if (answer != 0) return reinterpret_cast<Provider*>(answer);
  return DefaultProviderOf(hwnd);
}

bool Listening() {
  const window::PlatformState* running = window::RunningPlatform();
  return running != nullptr && running->accessibilitySink != nullptr;
}

void NotifyEvent(const Event& event) {
  window::PlatformState* running = window::RunningPlatform();
  if (running == nullptr || running->accessibilitySink == nullptr) return;
  running->accessibilitySink->Send(event);
}

void SetEventSink(EventSink* sink) {
  if (window::PlatformState* running = window::RunningPlatform()) running->accessibilitySink = sink;
}

namespace {

void RunOne(const PendingRequest& request) {
  Provider* provider = ProviderOf(request.target.hwnd);
  if (provider == nullptr || !provider->Exists(request.target.child)) return;
  const ChildId child = request.target.child;
  switch (request.kind) {
    case RequestKind::kDoAction:
      if (request.index >= 0 && static_cast<std::size_t>(request.index) < provider->ActionsOf(child).size()) {
        provider->DoAction(child, request.index);
      }
      break;
    case RequestKind::kSelectChild:
      if (request.index >= 0 &&
          static_cast<std::size_t>(request.index) < provider->ChildrenOf(child).size()) {
        provider->SelectChild(child, request.index);
      }
      break;
    case RequestKind::kSetText:
      if (provider->EditableText(child)) provider->SetTextContents(child, request.text);
      break;
    case RequestKind::kGrabFocus:
      provider->GrabFocus(child);
      break;
  }
}

// The timer that hands the requests to the loop: one at a time, each with the providers of its
// own moment (an earlier one may have destroyed the window of a later one).
void RunRequests(HWND, UINT, std::uintptr_t id, DWORD) {
  window::PlatformState* running = window::RunningPlatform();
  if (running == nullptr || !running->accessibility) return;
  KillTimer(nullptr, id);
  running->accessibility->timerSet = false;
  std::deque<PendingRequest> batch = std::exchange(running->accessibility->queue, {});
  for (const PendingRequest& request : batch) RunOne(request);
}

}  // namespace

void Request(ObjectRef target, RequestKind kind, int index, std::string text) {
  window::PlatformState* running = window::RunningPlatform();
  if (running == nullptr || target.hwnd == nullptr) return;
  if (!running->accessibility) running->accessibility = std::make_unique<AccessState>();
  AccessState& pending = *running->accessibility;
  pending.queue.push_back({target, kind, index, std::move(text)});
  if (!pending.timerSet) pending.timerSet = SetTimer(nullptr, 0, 0, &RunRequests) != 0;
}

}  // namespace a11y
