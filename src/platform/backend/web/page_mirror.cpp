// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/backend/web/page_mirror.h"

#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "base/cp1252.h"
#include "platform/accessibility.h"
#include "platform/window.h"
#include "platform/window/platform_state.h"

// clang-format off
EM_JS(void, tessivo_js_mirror, (const char* json), { Module.tessivoMirror.update(UTF8ToString(json)); });
EM_JS(int, tessivo_js_first_picture_shown, (), { return Module.tessivoDisplay.shown ? 1 : 0; });
// clang-format on

namespace web {
namespace {

using a11y::ObjectRef;

// What the page can ask of an object (mirror.js sends the same numbers).
enum class PageRequest : int { kAction = 0, kSelectChild = 1, kFocus = 2 };

class PageMirror final : public a11y::EventSink, public window::RunService {
 public:
  PageMirror() { a11y::SetEventSink(this); }
  ~PageMirror() override {
    a11y::SetEventSink(nullptr);
    tessivo_js_mirror("");
  }
  PageMirror(const PageMirror&) = delete;
  PageMirror& operator=(const PageMirror&) = delete;

  void Send(const a11y::Event& /*event*/) override { m_stale = true; }
  void MarkStale() { m_stale = true; }
  // The first description waits for the window's first picture to be shown (the page wakes the
  // program then): describing and laying the mirror out would hold the picture back, and a reader
  // has nothing to read before it.
  void Refresh() {
    if (!m_stale || tessivo_js_first_picture_shown() == 0) return;
    m_stale = false;
    tessivo_js_mirror(DescribeForPage().c_str());
  }

 private:
  bool m_stale = true;
};

PageMirror* Running() {
  return window::RunningPlatform() != nullptr
             ? window::ServiceOf<PageMirror>(window::ServiceSlot::kPageMirror)
             : nullptr;
}

std::string IdOf(ObjectRef object) {
  return std::to_string(reinterpret_cast<std::uintptr_t>(object.hwnd)) + "_" + std::to_string(object.child);
}

void AppendString(std::string& out, const std::string& utf8) {
  out.push_back('"');
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

void Describe(std::string& out, ObjectRef object, const std::string& parent, int depth) {
  a11y::Provider* provider = a11y::ProviderOf(object.hwnd);
  // A window's tree is a few levels deep; the bound keeps a provider's fault from recursing away.
  constexpr int kDeepest = 16;
  if (provider == nullptr || depth > kDeepest || !provider->Exists(object.child)) return;
  const std::string id = IdOf(object);
  const RECT r = provider->BoundsOf(object.child);
  out += out.back() == '[' ? "{" : ",{";
  out += "\"id\":\"" + id + "\",\"parent\":\"" + parent +
         "\",\"role\":" + std::to_string(static_cast<std::uint32_t>(provider->RoleOf(object.child))) +
         ",\"name\":";
  AppendString(out, text::Cp1252ToUtf8(provider->NameOf(object.child)));
  // The state bits the model uses all lie below 53: exact in the page's numbers.
  out += ",\"states\":" + std::to_string(provider->StatesOf(object.child).Bits()) + ",\"bounds\":[" +
         std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right - r.left) + "," +
         std::to_string(r.bottom - r.top) + "]";
  if (const std::optional<std::string> text = provider->TextOf(object.child)) {
    out += ",\"text\":";
    AppendString(out, text::Cp1252ToUtf8(*text));
  }
  if (const std::optional<a11y::CellPosition> cell = provider->CellOf(object.child)) {
    out += ",\"row\":" + std::to_string(cell->row) + ",\"column\":" + std::to_string(cell->column);
  }
  if (const std::optional<a11y::TableShape> shape = provider->TableOf(object.child)) {
    out += ",\"rows\":" + std::to_string(shape->rows) + ",\"columns\":" + std::to_string(shape->columns);
  }
  if (!provider->ActionsOf(object.child).empty()) out += ",\"acts\":true";
  if (provider->HasSelection(object.child)) out += ",\"selects\":true";
  out += "}";
  for (const ObjectRef child : provider->ChildrenOf(object.child)) Describe(out, child, id, depth + 1);
}

}  // namespace

void StartPageMirror() {
  window::AdoptService(window::ServiceSlot::kPageMirror, std::make_unique<PageMirror>());
}

void MarkPageMirrorStale() {
  if (PageMirror* mirror = Running()) mirror->MarkStale();
}

void RefreshPageMirror() {
  if (PageMirror* mirror = Running()) mirror->Refresh();
}

std::string DescribeForPage() {
  std::string focus;
  if (HWND focused = GetFocus(); focused != nullptr) {
    if (a11y::Provider* provider = a11y::ProviderOf(focused))
      focus = IdOf({focused, provider->FocusedChild()});
  }
  std::string out = "{\"focus\":\"" + focus + "\",\"objects\":[";
  for (const ObjectRef top : a11y::TopLevels()) Describe(out, top, "", 0);
  out += "]}";
  return out;
}

}  // namespace web

// What a reader did through the page's mirror: the model's request, run from the message loop as
// a click's work would be. `hwnd` is the window's handle as the page got it from DescribeForPage.
extern "C" EMSCRIPTEN_KEEPALIVE void tessivo_mirror_request(std::uintptr_t hwnd, int child, int kind,
                                                            int index) {
  const a11y::ObjectRef target{reinterpret_cast<HWND>(hwnd), child};
  if (!IsWindow(target.hwnd)) return;
  switch (static_cast<web::PageRequest>(kind)) {
    case web::PageRequest::kAction:
      a11y::Request(target, a11y::RequestKind::kDoAction, index);
      break;
    case web::PageRequest::kSelectChild:
      a11y::Request(target, a11y::RequestKind::kSelectChild, index);
      break;
    case web::PageRequest::kFocus:
      a11y::Request(target, a11y::RequestKind::kGrabFocus, index);
      break;
  }
}
