// SPDX-License-Identifier: GPL-3.0-or-later
// Procedures hooked in front of a window's own (window.h, Subclassing). The hooks live in the
// window's record; while a window has any, its procedure is the entry below, which starts each
// message at the newest hook. A message's way down the hooks is kept per call, so a hook may send
// its own window other messages, or remove hooks, before it passes the first one on.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "platform/window.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

// Above every hook: where a message starts.
constexpr std::uint64_t kAboveAll = std::numeric_limits<std::uint64_t>::max();

// A message running through a window's hooks, from its start above every hook to its return.
// The record, and so the chain, stays allocated while a message runs, even when a hook destroyed
// the window (window_store.h).
class ChainCall {
 public:
  explicit ChainCall(SubclassChain& chain) : m_chain(chain) { chain.calls.push_back(kAboveAll); }
  ~ChainCall() { m_chain.calls.pop_back(); }
  ChainCall(const ChainCall&) = delete;
  ChainCall& operator=(const ChainCall&) = delete;

 private:
  SubclassChain& m_chain;
};

// The innermost message at the hook it reached, until that hook returns: another DefSubclassProc
// from the same hook then goes the same way. Held as a place in the list of calls, which the
// messages the hook sends meanwhile add to and take from.
class AtHook {
 public:
  AtHook(SubclassChain& chain, std::uint64_t order)
      : m_chain(chain), m_index(chain.calls.size() - 1), m_before(chain.calls[m_index]) {
    chain.calls[m_index] = order;
  }
  ~AtHook() { m_chain.calls[m_index] = m_before; }
  AtHook(const AtHook&) = delete;
  AtHook& operator=(const AtHook&) = delete;

 private:
  SubclassChain& m_chain;
  std::size_t m_index;
  std::uint64_t m_before;
};

// Takes the message to the newest hook older than the one it reached (the chain's innermost
// call), or to the window's own procedure after the oldest.
LRESULT PassOn(HWND hwnd, SubclassChain& chain, UINT msg, WPARAM wParam, LPARAM lParam) {
  const std::uint64_t reached = chain.calls.back();
  auto next = std::find_if(chain.hooks.rbegin(), chain.hooks.rend(),
                           [&](const SubclassChain::Hook& hook) { return hook.order < reached; });
  if (next == chain.hooks.rend()) return CallWindowProc(chain.own, hwnd, msg, wParam, lParam);
  const SubclassChain::Hook hook = *next;  // the list may change inside the hook
  const AtHook at(chain, hook.order);
  return hook.proc(hwnd, msg, wParam, lParam, hook.id, hook.refData);
}

LRESULT HookEntry(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return DefWindowProc(hwnd, msg, wParam, lParam);
  SubclassChain& chain = rec->subclasses;
  LRESULT result = 0;
  {
    const ChainCall call(chain);
    result = PassOn(hwnd, chain, msg, wParam, lParam);
  }
  if (msg == WM_NCDESTROY) {
    // The last message the window gets: no hook may be called with its value after it.
    chain.hooks.clear();
    if (rec->proc == &HookEntry) rec->proc = chain.own;
  }
  return result;
}

SubclassChain::Hook* FindHook(WindowRecord& rec, SUBCLASSPROC proc, std::uintptr_t id) {
  auto& hooks = rec.subclasses.hooks;
  auto it = std::find_if(hooks.begin(), hooks.end(),
                         [&](const SubclassChain::Hook& hook) { return hook.proc == proc && hook.id == id; });
  return it != hooks.end() ? &*it : nullptr;
}

}  // namespace
}  // namespace window

using namespace window;

BOOL SetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, std::uintptr_t id, std::uintptr_t refData) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr || proc == nullptr || rec->destroying) return FALSE;
  if (SubclassChain::Hook* hook = FindHook(*rec, proc, id)) {
    hook->refData = refData;
    return TRUE;
  }
  SubclassChain& chain = rec->subclasses;
  if (rec->proc != &HookEntry) {
    chain.own = rec->proc;
    rec->proc = &HookEntry;
  }
  chain.hooks.push_back({proc, id, refData, chain.nextOrder++});
  return TRUE;
}

BOOL GetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, std::uintptr_t id, std::uintptr_t* refData) {
  WindowRecord* rec = Find(hwnd);
  const SubclassChain::Hook* hook = rec != nullptr ? FindHook(*rec, proc, id) : nullptr;
  if (refData != nullptr) *refData = hook != nullptr ? hook->refData : 0;
  return hook != nullptr ? TRUE : FALSE;
}

BOOL RemoveWindowSubclass(HWND hwnd, SUBCLASSPROC proc, std::uintptr_t id) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return FALSE;
  SubclassChain::Hook* hook = FindHook(*rec, proc, id);
  if (hook == nullptr) return FALSE;
  SubclassChain& chain = rec->subclasses;
  chain.hooks.erase(chain.hooks.begin() + (hook - chain.hooks.data()));
  // The last hook gone: the window's own procedure takes its messages again. Messages still on
  // their way reach it through the chain, which keeps it.
  if (chain.hooks.empty() && rec->proc == &HookEntry) rec->proc = chain.own;
  return TRUE;
}

LRESULT DefSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return DefWindowProc(hwnd, msg, wParam, lParam);
  SubclassChain& chain = rec->subclasses;
  if (chain.calls.empty()) {
    // Outside the hooks: the window's own procedure, as it was before the first hook.
    WNDPROC own = rec->proc == &HookEntry ? chain.own : rec->proc;
    return CallWindowProc(own, hwnd, msg, wParam, lParam);
  }
  return PassOn(hwnd, chain, msg, wParam, lParam);
}
