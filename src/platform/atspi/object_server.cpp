// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/object_server.h"

#include <errno.h>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/cp1252.h"
#include "platform/window.h"

namespace atspi {

namespace {

using a11y::ObjectRef;
using a11y::Provider;

constexpr const char* kErrorUnknownObject = "org.freedesktop.DBus.Error.UnknownObject";
constexpr const char* kErrorInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";
constexpr const char* kErrorUnknownMethod = "org.freedesktop.DBus.Error.UnknownMethod";
constexpr const char* kErrorUnknownProperty = "org.freedesktop.DBus.Error.UnknownProperty";
constexpr const char* kIfaceAccessible = "org.a11y.atspi.Accessible";
constexpr const char* kIfaceApplication = "org.a11y.atspi.Application";
constexpr const char* kIfaceComponent = "org.a11y.atspi.Component";
constexpr const char* kIfaceText = "org.a11y.atspi.Text";
constexpr const char* kIfaceEditableText = "org.a11y.atspi.EditableText";
constexpr const char* kIfaceAction = "org.a11y.atspi.Action";
constexpr const char* kIfaceSelection = "org.a11y.atspi.Selection";
constexpr const char* kIfaceTable = "org.a11y.atspi.Table";
constexpr const char* kIfaceTableCell = "org.a11y.atspi.TableCell";
constexpr const char* kIfaceProperties = "org.freedesktop.DBus.Properties";
constexpr const char* kIfaceCache = "org.a11y.atspi.Cache";
constexpr const char* kAtspiVersion = "2.1";
constexpr const char* kToolkitName = "Tessivo";
constexpr const char* kToolkitVersion = "1.0";
constexpr const char* kLocale = "pt_BR";

// Coordinates a reader asks in: the screen's, the top-level window's, the parent's.
enum class CoordType : std::uint32_t { kScreen = 0, kWindow = 1, kParent = 2 };
// Layers of the Component interface.
constexpr std::uint32_t kLayerWidget = 3;
constexpr std::uint32_t kLayerWindow = 7;
// Text boundaries of GetStringAtOffset (granularity) and GetTextAtOffset (boundary type).
constexpr std::uint32_t kGranularityChar = 0;
constexpr std::uint32_t kGranularityWord = 1;
constexpr std::uint32_t kBoundaryChar = 0;
constexpr std::uint32_t kBoundaryWordStart = 1;
constexpr std::uint32_t kBoundaryWordEnd = 2;

const char* RoleName(a11y::Role role) {
  switch (role) {
    case a11y::Role::kAlert:
      return "alert";
    case a11y::Role::kColumnHeader:
      return "column header";
    case a11y::Role::kComboBox:
      return "combo box";
    case a11y::Role::kDialog:
      return "dialog";
    case a11y::Role::kFiller:
      return "filler";
    case a11y::Role::kFrame:
      return "frame";
    case a11y::Role::kLabel:
      return "label";
    case a11y::Role::kList:
      return "list";
    case a11y::Role::kListItem:
      return "list item";
    case a11y::Role::kPanel:
      return "panel";
    case a11y::Role::kPushButton:
      return "push button";
    case a11y::Role::kTable:
      return "table";
    case a11y::Role::kTableCell:
      return "table cell";
    case a11y::Role::kText:
      return "text";
    case a11y::Role::kApplication:
      return "application";
    case a11y::Role::kEntry:
      return "entry";
    case a11y::Role::kInvalid:
      break;
  }
  return "invalid";
}

std::string ProgramName() {
  const char* name = program_invocation_short_name;
  return name != nullptr && *name != '\0' ? name : "tessivo";
}

bool IsTopLevel(HWND hwnd) { return (GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD) == 0; }

RECT Offset(RECT r, int dx, int dy) { return {r.left - dx, r.top - dy, r.right - dx, r.bottom - dy}; }

}  // namespace

std::string PathOf(ObjectRef object) {
  if (object.hwnd == nullptr) return kRootPath;
  return std::string(kObjectPathPrefix) + std::to_string(reinterpret_cast<std::uintptr_t>(object.hwnd)) +
         "_" + std::to_string(object.child);
}

std::optional<ObjectRef> ObjectOfPath(const std::string& path) {
  if (path == kRootPath) return ObjectRef{};
  const std::size_t prefix = std::strlen(kObjectPathPrefix);
  if (path.compare(0, prefix, kObjectPathPrefix) != 0) return std::nullopt;
  const char* first = path.c_str() + prefix;
  const char* last = path.c_str() + path.size();
  std::uintptr_t handle = 0;
  auto [afterHandle, e1] = std::from_chars(first, last, handle);
  if (e1 != std::errc() || afterHandle == last || *afterHandle != '_' || handle == 0) return std::nullopt;
  int child = 0;
  auto [end, e2] = std::from_chars(afterHandle + 1, last, child);
  if (e2 != std::errc() || end != last || child < 0) return std::nullopt;
  return ObjectRef{reinterpret_cast<HWND>(handle), child};
}

WireRef ObjectServer::RefOf(ObjectRef object) const { return {m_connection.UniqueName(), PathOf(object)}; }

void ObjectServer::Reply(DBusMessage* reply) { m_connection.Send(reply); }

void ObjectServer::Error(const Call& call, const char* name, const char* text) {
  if (m_connection.Api().dbus_message_get_no_reply(call.message)) return;
  Reply(m_connection.Api().dbus_message_new_error(call.message, name, text));
}

bool ObjectServer::Handle(DBusMessage* message) {
  const DbusApi& api = m_connection.Api();
  if (api.dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_METHOD_CALL) return false;
  const char* path = api.dbus_message_get_path(message);
  const char* iface = api.dbus_message_get_interface(message);
  const char* member = api.dbus_message_get_member(message);
  if (path == nullptr || member == nullptr) return false;
  Call call;
  call.message = message;
  call.iface = iface != nullptr ? iface : "";
  call.member = member;
  if (std::strcmp(path, kCachePath) == 0) return Cache(call);
  const std::optional<ObjectRef> object = ObjectOfPath(path);
  if (!object) return false;
  call.object = *object;
  call.root = object->hwnd == nullptr;
  if (!call.root) {
    call.provider = a11y::ProviderOf(object->hwnd);
    if (call.provider == nullptr || !call.provider->Exists(object->child)) {
      Error(call, kErrorUnknownObject, "the object is gone");
      return true;
    }
  }
  bool handled = false;
  if (call.iface == kIfaceProperties) {
    handled = Properties(call);
  } else if (call.iface == kIfaceAccessible) {
    handled = Accessible(call);
  } else if (call.root && call.iface == kIfaceApplication) {
    handled = Application(call);
  } else if (!call.root && call.iface == kIfaceComponent) {
    handled = Component(call);
  } else if (!call.root && call.iface == kIfaceText) {
    handled = Text(call);
  } else if (!call.root && call.iface == kIfaceEditableText) {
    handled = EditableText(call);
  } else if (!call.root && call.iface == kIfaceAction) {
    handled = Action(call);
  } else if (!call.root && call.iface == kIfaceSelection) {
    handled = Selection(call);
  } else if (!call.root && call.iface == kIfaceTable) {
    handled = Table(call);
  } else if (!call.root && call.iface == kIfaceTableCell) {
    handled = TableCell(call);
  }
  if (!handled) Error(call, kErrorUnknownMethod, "no such method here, or its arguments are wrong");
  return true;
}

// ---- What an object is -------------------------------------------------------------------------

namespace {

struct Facts {
  a11y::Role role = a11y::Role::kApplication;
  std::string name;  // cp1252
  a11y::StateSet states;
  std::vector<ObjectRef> children;
  ObjectRef parent;
  bool parentIsDesktop = false;
};

Facts FactsOf(ObjectRef object, Provider* provider) {
  Facts f;
  if (provider == nullptr) {
    f.name = ProgramName();
    f.children = a11y::TopLevels();
    f.parentIsDesktop = true;
    return f;
  }
  f.role = provider->RoleOf(object.child);
  f.name = provider->NameOf(object.child);
  f.states = provider->StatesOf(object.child);
  f.children = provider->ChildrenOf(object.child);
  f.parent = a11y::ParentRef(object);
  return f;
}

std::vector<std::string> InterfacesOf(ObjectRef object, Provider* provider) {
  if (provider == nullptr) return {kIfaceAccessible, kIfaceApplication};
  std::vector<std::string> list{kIfaceAccessible, kIfaceComponent};
  const a11y::ChildId c = object.child;
  if (provider->TextOf(c)) list.emplace_back(kIfaceText);
  if (provider->EditableText(c)) list.emplace_back(kIfaceEditableText);
  if (!provider->ActionsOf(c).empty()) list.emplace_back(kIfaceAction);
  if (provider->HasSelection(c)) list.emplace_back(kIfaceSelection);
  if (provider->TableOf(c)) list.emplace_back(kIfaceTable);
  if (provider->CellOf(c)) list.emplace_back(kIfaceTableCell);
  return list;
}

int IndexInParent(ObjectRef object) {
  const ObjectRef parent = a11y::ParentRef(object);
  std::vector<ObjectRef> siblings;
  if (parent.hwnd == nullptr) {
    siblings = a11y::TopLevels();
  } else if (Provider* p = a11y::ProviderOf(parent.hwnd)) {
    siblings = p->ChildrenOf(parent.child);
  }
  const auto it = std::find(siblings.begin(), siblings.end(), object);
  return it == siblings.end() ? -1 : static_cast<int>(it - siblings.begin());
}

// The object's rectangle in the coordinates asked for.
RECT ExtentsOf(ObjectRef object, Provider& provider, std::uint32_t coordType) {
  RECT r = provider.BoundsOf(object.child);
  if (coordType == static_cast<std::uint32_t>(CoordType::kWindow)) {
    RECT top{};
    GetWindowRect(GetAncestorTopLevel(object.hwnd), &top);
    return Offset(r, top.left, top.top);
  }
  if (coordType == static_cast<std::uint32_t>(CoordType::kParent)) {
    const ObjectRef parent = a11y::ParentRef(object);
    if (Provider* p = parent.hwnd != nullptr ? a11y::ProviderOf(parent.hwnd) : nullptr) {
      const RECT pr = p->BoundsOf(parent.child);
      return Offset(r, pr.left, pr.top);
    }
  }
  return r;
}

POINT ToScreen(ObjectRef object, Provider& provider, int x, int y, std::uint32_t coordType) {
  const RECT origin = ExtentsOf(object, provider, coordType);
  const RECT screen = provider.BoundsOf(object.child);
  return {x + (screen.left - origin.left), y + (screen.top - origin.top)};
}

bool Inside(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The deepest shown object under a screen point, starting below `object`.
ObjectRef DeepestAt(ObjectRef object, Provider& provider, POINT p) {
  constexpr int kDeepest = 16;  // far below the window tree's depth; stops a provider's cycle
  ObjectRef found{};
  ObjectRef at = object;
  Provider* atProvider = &provider;
  for (int depth = 0; depth < kDeepest; ++depth) {
    bool descended = false;
    for (const ObjectRef& child : atProvider->ChildrenOf(at.child)) {
      Provider* cp = a11y::ProviderOf(child.hwnd);
      if (cp == nullptr || !cp->StatesOf(child.child).Has(a11y::State::kShowing)) continue;
      if (!Inside(cp->BoundsOf(child.child), p)) continue;
      found = child;
      at = child;
      atProvider = cp;
      descended = true;
      break;
    }
    if (!descended) break;
  }
  return found;
}

std::string Slice(const std::string& text, int start, int end) {
  const int length = static_cast<int>(text.size());
  if (end < 0 || end > length) end = length;
  start = std::clamp(start, 0, length);
  if (end < start) end = start;
  return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

bool IsWordChar(unsigned char c) { return c != ' ' && c != '\t' && c != '\n'; }

// The word (with the spaces after it) around `offset`.
std::pair<int, int> WordAround(const std::string& text, int offset) {
  const int length = static_cast<int>(text.size());
  int start = std::clamp(offset, 0, length);
  while (start > 0 && IsWordChar(static_cast<unsigned char>(text[static_cast<std::size_t>(start - 1)])))
    --start;
  int end = std::clamp(offset, 0, length);
  while (end < length && IsWordChar(static_cast<unsigned char>(text[static_cast<std::size_t>(end)]))) ++end;
  while (end < length && !IsWordChar(static_cast<unsigned char>(text[static_cast<std::size_t>(end)]))) ++end;
  return {start, end};
}

}  // namespace

// ---- Accessible --------------------------------------------------------------------------------

bool ObjectServer::Accessible(const Call& call) {
  const DbusApi& api = m_connection.Api();
  DBusMessage* reply = api.dbus_message_new_method_return(call.message);
  if (reply == nullptr) return true;
  Writer w(api, reply);
  const std::string& m = call.member;
  auto facts = [&] { return FactsOf(call.object, call.provider); };
  if (m == "GetChildAtIndex" && Reader::Has(api, call.message, "i")) {
    const int index = Reader(api, call.message).Int();
    const std::vector<ObjectRef> children = facts().children;
    if (index >= 0 && index < static_cast<int>(children.size())) {
      w.Ref(RefOf(children[static_cast<std::size_t>(index)]));
    } else {
      w.Ref({"", kNullPath});
    }
  } else if (m == "GetChildren" && Reader::Has(api, call.message, "")) {
    const std::vector<ObjectRef> children = facts().children;
    w.Array("(so)", [&](Writer& a) {
      for (const ObjectRef& child : children) a.Ref(RefOf(child));
    });
  } else if (m == "GetIndexInParent" && Reader::Has(api, call.message, "")) {
    w.Int(call.root ? -1 : IndexInParent(call.object));
  } else if (m == "GetRelationSet" && Reader::Has(api, call.message, "")) {
    w.Array("(ua(so))", [](Writer&) {});
  } else if (m == "GetRole" && Reader::Has(api, call.message, "")) {
    w.UInt(static_cast<std::uint32_t>(facts().role));
  } else if ((m == "GetRoleName" || m == "GetLocalizedRoleName") && Reader::Has(api, call.message, "")) {
    w.Str(RoleName(facts().role));
  } else if (m == "GetState" && Reader::Has(api, call.message, "")) {
    const std::uint64_t bits = facts().states.Bits();
    constexpr unsigned kWordBits = 32;
    w.Array("u", [&](Writer& a) {
      a.UInt(static_cast<std::uint32_t>(bits)).UInt(static_cast<std::uint32_t>(bits >> kWordBits));
    });
  } else if (m == "GetAttributes" && Reader::Has(api, call.message, "")) {
    w.Array("{ss}", [&](Writer& a) { a.Entry([&](Writer& e) { e.Str("toolkit").Str(kToolkitName); }); });
  } else if (m == "GetApplication" && Reader::Has(api, call.message, "")) {
    w.Ref(RefOf({}));
  } else if (m == "GetInterfaces" && Reader::Has(api, call.message, "")) {
    const std::vector<std::string> list = InterfacesOf(call.object, call.provider);
    w.Array("s", [&](Writer& a) {
      for (const std::string& i : list) a.Str(i);
    });
  } else {
    api.dbus_message_unref(reply);
    return false;
  }
  Reply(reply);
  return true;
}

bool ObjectServer::Application(const Call& call) {
  const DbusApi& api = m_connection.Api();
  if (call.member != "GetLocale" || !Reader::Has(api, call.message, "u")) return false;
  DBusMessage* reply = api.dbus_message_new_method_return(call.message);
  if (reply == nullptr) return true;
  Writer(api, reply).Str(kLocale);
  Reply(reply);
  return true;
}

// ---- Component ---------------------------------------------------------------------------------

bool ObjectServer::Component(const Call& call) {
  const DbusApi& api = m_connection.Api();
  Provider& provider = *call.provider;
  const std::string& m = call.member;
  DBusMessage* reply = api.dbus_message_new_method_return(call.message);
  if (reply == nullptr) return true;
  Writer w(api, reply);
  Reader r(api, call.message);
  if ((m == "Contains" || m == "GetAccessibleAtPoint") && Reader::Has(api, call.message, "iiu")) {
    const int x = r.Int();
    const int y = r.Int();
    const std::uint32_t coordType = r.UInt();
    const POINT p = ToScreen(call.object, provider, x, y, coordType);
    if (m == "Contains") {
      w.Bool(Inside(provider.BoundsOf(call.object.child), p));
    } else {
      const ObjectRef at = DeepestAt(call.object, provider, p);
      w.Ref(at.hwnd != nullptr ? RefOf(at) : WireRef{"", kNullPath});
    }
  } else if ((m == "GetExtents" || m == "GetPosition") && Reader::Has(api, call.message, "u")) {
    const RECT e = ExtentsOf(call.object, provider, r.UInt());
    if (m == "GetExtents") {
      w.Struct([&](Writer& s) { s.Int(e.left).Int(e.top).Int(e.right - e.left).Int(e.bottom - e.top); });
    } else {
      w.Int(e.left).Int(e.top);
    }
  } else if (m == "GetSize" && Reader::Has(api, call.message, "")) {
    const RECT e = provider.BoundsOf(call.object.child);
    w.Int(e.right - e.left).Int(e.bottom - e.top);
  } else if (m == "GetLayer" && Reader::Has(api, call.message, "")) {
    w.UInt(call.object.child == a11y::kSelf && IsTopLevel(call.object.hwnd) ? kLayerWindow : kLayerWidget);
  } else if (m == "GetMDIZOrder" && Reader::Has(api, call.message, "")) {
    const dbus_int16_t z = 0;
    api.dbus_message_unref(reply);
    reply = api.dbus_message_new_method_return(call.message);
    if (reply == nullptr) return true;
    DBusMessageIter it;
    api.dbus_message_iter_init_append(reply, &it);
    api.dbus_message_iter_append_basic(&it, DBUS_TYPE_INT16, &z);
  } else if (m == "GrabFocus" && Reader::Has(api, call.message, "")) {
    a11y::Request(call.object, a11y::RequestKind::kGrabFocus);
    w.Bool(true);
  } else if (m == "GetAlpha" && Reader::Has(api, call.message, "")) {
    w.Double(1.0);
  } else if ((m == "SetExtents" || m == "SetPosition" || m == "SetSize" || m == "ScrollTo" ||
              m == "ScrollToPoint")) {
    w.Bool(false);  // the window's layout is the program's, not a reader's to change
  } else {
    api.dbus_message_unref(reply);
    return false;
  }
  Reply(reply);
  return true;
}

// ---- Text --------------------------------------------------------------------------------------

bool ObjectServer::Text(const Call& call) {
  const DbusApi& api = m_connection.Api();
  Provider& provider = *call.provider;
  const std::optional<std::string> text = provider.TextOf(call.object.child);
  if (!text) return false;
  const int length = static_cast<int>(text->size());
  const std::string& m = call.member;
  DBusMessage* reply = api.dbus_message_new_method_return(call.message);
  if (reply == nullptr) return true;
  Writer w(api, reply);
  Reader r(api, call.message);
  auto sliceReply = [&](int start, int end) {
    start = std::clamp(start, 0, length);
    end = std::clamp(end, start, length);
    w.Text(Slice(*text, start, end)).Int(start).Int(end);
  };
  if (m == "GetText" && Reader::Has(api, call.message, "ii")) {
    const int start = r.Int();
    const int end = r.Int();
    w.Text(Slice(*text, start, end));
  } else if (m == "GetCharacterAtOffset" && Reader::Has(api, call.message, "i")) {
    const int offset = r.Int();
    w.Int(offset >= 0 && offset < length
              ? static_cast<std::int32_t>(text::Cp1252ToUnicode(
                    static_cast<unsigned char>((*text)[static_cast<std::size_t>(offset)])))
              : 0);
  } else if ((m == "GetStringAtOffset" || m == "GetTextAtOffset" || m == "GetTextBeforeOffset" ||
              m == "GetTextAfterOffset") &&
             Reader::Has(api, call.message, "iu")) {
    int offset = r.Int();
    const std::uint32_t kind = r.UInt();
    if (m == "GetTextBeforeOffset") --offset;
    if (m == "GetTextAfterOffset") ++offset;
    const bool byChar = m == "GetStringAtOffset" ? kind == kGranularityChar : kind == kBoundaryChar;
    const bool byWord = m == "GetStringAtOffset" ? kind == kGranularityWord
                                                 : (kind == kBoundaryWordStart || kind == kBoundaryWordEnd);
    if (offset < 0 || offset >= length) {
      sliceReply(0, 0);
    } else if (byChar) {
      sliceReply(offset, offset + 1);
    } else if (byWord) {
      const auto [start, end] = WordAround(*text, offset);
      sliceReply(start, end);
    } else {  // sentence, line, paragraph: the texts here are one line
      sliceReply(0, length);
    }
  } else if (m == "GetNSelections" && Reader::Has(api, call.message, "")) {
    w.Int(0);
  } else if (m == "GetSelection" && Reader::Has(api, call.message, "i")) {
    w.Int(0).Int(0);
  } else if ((m == "AddSelection" && Reader::Has(api, call.message, "ii")) ||
             (m == "RemoveSelection" && Reader::Has(api, call.message, "i")) ||
             (m == "SetSelection" && Reader::Has(api, call.message, "iii")) ||
             (m == "SetCaretOffset" && Reader::Has(api, call.message, "i"))) {
    w.Bool(false);
  } else if ((m == "GetCharacterExtents" && Reader::Has(api, call.message, "iu")) ||
             (m == "GetRangeExtents" && Reader::Has(api, call.message, "iiu"))) {
    // The object's box: a reader uses it to show where the text is, which is close enough.
    int skip = r.Int();
    if (m == "GetRangeExtents") skip = r.Int();
    (void)skip;
    const RECT e = ExtentsOf(call.object, provider, r.UInt());
    if (m == "GetCharacterExtents") {
      w.Int(e.left).Int(e.top).Int(e.right - e.left).Int(e.bottom - e.top);
    } else {
      w.Struct([&](Writer& s) { s.Int(e.left).Int(e.top).Int(e.right - e.left).Int(e.bottom - e.top); });
    }
  } else if (m == "GetOffsetAtPoint" && Reader::Has(api, call.message, "iiu")) {
    w.Int(-1);
  } else if ((m == "GetAttributes" && Reader::Has(api, call.message, "i")) ||
             (m == "GetAttributeRun" && Reader::Has(api, call.message, "ib"))) {
    w.Array("{ss}", [](Writer&) {}).Int(0).Int(length);
  } else if (m == "GetAttributeValue" && Reader::Has(api, call.message, "is")) {
    w.Str("");
  } else if (m == "GetDefaultAttributes" && Reader::Has(api, call.message, "")) {
    w.Array("{ss}", [](Writer&) {});
  } else if (m == "GetDefaultAttributeSet" && Reader::Has(api, call.message, "")) {
    w.Array("s", [](Writer&) {});
  } else {
    api.dbus_message_unref(reply);
    return false;
  }
  Reply(reply);
  return true;
}

bool ObjectServer::EditableText(const Call& call) {
  const DbusApi& api = m_connection.Api();
  Provider& provider = *call.provider;
  if (!provider.EditableText(call.object.child)) return false;
  const std::string current = provider.TextOf(call.object.child).value_or("");
  const int length = static_cast<int>(current.size());
  const std::string& m = call.member;
  Reader r(api, call.message);
  std::optional<std::string> wanted;
  if (m == "SetTextContents" && Reader::Has(api, call.message, "s")) {
    wanted = text::Utf8ToCp1252Replacing(r.Str(), '?');
  } else if (m == "InsertText" && Reader::Has(api, call.message, "isi")) {
    const int at = std::clamp(r.Int(), 0, length);
    std::string inserted = text::Utf8ToCp1252Replacing(r.Str(), '?');
    const int count = r.Int();
    if (count >= 0 && count < static_cast<int>(inserted.size()))
      inserted.resize(static_cast<std::size_t>(count));
    wanted = current.substr(0, static_cast<std::size_t>(at)) + inserted +
             current.substr(static_cast<std::size_t>(at));
  } else if (m == "DeleteText" && Reader::Has(api, call.message, "ii")) {
    const int start = std::clamp(r.Int(), 0, length);
    const int end = std::clamp(r.Int(), start, length);
    wanted =
        current.substr(0, static_cast<std::size_t>(start)) + current.substr(static_cast<std::size_t>(end));
  } else if ((m == "CopyText" && Reader::Has(api, call.message, "ii"))) {
    DBusMessage* reply = api.dbus_message_new_method_return(call.message);
    Reply(reply);
    return true;
  } else if ((m == "CutText" || m == "PasteText") &&
             (Reader::Has(api, call.message, "ii") || Reader::Has(api, call.message, "i"))) {
    DBusMessage* reply = api.dbus_message_new_method_return(call.message);
    if (reply != nullptr) Writer(api, reply).Bool(false);
    Reply(reply);
    return true;
  } else {
    return false;
  }
  a11y::Request(call.object, a11y::RequestKind::kSetText, 0, *wanted);
  DBusMessage* reply = api.dbus_message_new_method_return(call.message);
  if (reply != nullptr) Writer(api, reply).Bool(true);
  Reply(reply);
  return true;
}

// ---- Properties --------------------------------------------------------------------------------

bool ObjectServer::WriteProperty(const Call& call, const std::string& iface, const std::string& name,
                                 Writer& w) {
  Provider* p = call.provider;
  const a11y::ChildId c = call.object.child;
  if (iface == kIfaceAccessible) {
    if (name == "Name") {
      const std::string value = call.root ? ProgramName() : p->NameOf(c);
      w.Variant("s", [&](Writer& v) { v.Text(value); });
    } else if (name == "Description" || name == "HelpText" || name == "AccessibleId") {
      w.Variant("s", [](Writer& v) { v.Str(""); });
    } else if (name == "Locale") {
      w.Variant("s", [](Writer& v) { v.Str(kLocale); });
    } else if (name == "Parent") {
      const WireRef parent = call.root ? m_desktop : RefOf(a11y::ParentRef(call.object));
      w.Variant("(so)", [&](Writer& v) { v.Ref(parent); });
    } else if (name == "ChildCount") {
      const int count = static_cast<int>(FactsOf(call.object, p).children.size());
      w.Variant("i", [&](Writer& v) { v.Int(count); });
    } else {
      return false;
    }
    return true;
  }
  if (call.root) {
    if (iface != kIfaceApplication) return false;
    if (name == "ToolkitName") {
      w.Variant("s", [](Writer& v) { v.Str(kToolkitName); });
    } else if (name == "Version") {
      w.Variant("s", [](Writer& v) { v.Str(kToolkitVersion); });
    } else if (name == "AtspiVersion") {
      w.Variant("s", [](Writer& v) { v.Str(kAtspiVersion); });
    } else if (name == "Id") {
      w.Variant("i", [&](Writer& v) { v.Int(m_applicationId); });
    } else {
      return false;
    }
    return true;
  }
  const std::optional<std::string> text = iface == kIfaceText ? p->TextOf(c) : std::nullopt;
  if (text) {
    if (name == "CharacterCount") {
      const int count = static_cast<int>(text->size());
      w.Variant("i", [&](Writer& v) { v.Int(count); });
    } else if (name == "CaretOffset") {
      w.Variant("i", [&](Writer& v) { v.Int(p->CaretOf(c)); });
    } else {
      return false;
    }
    return true;
  }
  if (iface == kIfaceAction && name == "NActions") {
    const int count = static_cast<int>(p->ActionsOf(c).size());
    w.Variant("i", [&](Writer& v) { v.Int(count); });
    return true;
  }
  if (iface == kIfaceSelection && name == "NSelectedChildren" && p->HasSelection(c)) {
    const int count = static_cast<int>(p->SelectedChildrenOf(c).size());
    w.Variant("i", [&](Writer& v) { v.Int(count); });
    return true;
  }
  const std::optional<a11y::TableShape> table = iface == kIfaceTable ? p->TableOf(c) : std::nullopt;
  if (table) {
    const a11y::TableShape shape = *table;
    if (name == "NRows" || name == "NColumns") {
      w.Variant("i", [&](Writer& v) { v.Int(name == "NRows" ? shape.rows : shape.columns); });
    } else if (name == "NSelectedRows" || name == "NSelectedColumns") {
      w.Variant("i", [](Writer& v) { v.Int(0); });
    } else if (name == "Caption" || name == "Summary") {
      w.Variant("(so)", [](Writer& v) { v.Ref({"", kNullPath}); });
    } else {
      return false;
    }
    return true;
  }
  const std::optional<a11y::CellPosition> position = iface == kIfaceTableCell ? p->CellOf(c) : std::nullopt;
  if (position) {
    const a11y::CellPosition cell = *position;
    if (name == "ColumnSpan" || name == "RowSpan") {
      w.Variant("i", [](Writer& v) { v.Int(1); });
    } else if (name == "Position") {
      w.Variant("(ii)", [&](Writer& v) { v.Struct([&](Writer& s) { s.Int(cell.row).Int(cell.column); }); });
    } else if (name == "Table") {
      w.Variant("(so)", [&](Writer& v) { v.Ref(RefOf(cell.table)); });
    } else {
      return false;
    }
    return true;
  }
  return false;
}

void ObjectServer::WriteAllProperties(const Call& call, const std::string& iface, Writer& w) {
  static const char* const kNames[] = {
      "Name",         "Description",    "Parent",        "ChildCount",       "Locale",
      "AccessibleId", "HelpText",       "ToolkitName",   "Version",          "AtspiVersion",
      "Id",           "CharacterCount", "CaretOffset",   "NActions",         "NSelectedChildren",
      "NRows",        "NColumns",       "NSelectedRows", "NSelectedColumns", "Caption",
      "Summary",      "ColumnSpan",     "RowSpan",       "Position",         "Table"};
  w.Array("{sv}", [&](Writer& a) {
    for (const char* name : kNames) {
      // Only the names the interface has are written; the check writes into a scratch message.
      DBusMessage* scratch = m_connection.Api().dbus_message_new_method_return(call.message);
      if (scratch == nullptr) continue;
      Writer probe(m_connection.Api(), scratch);
      const bool has = WriteProperty(call, iface, name, probe);
      m_connection.Api().dbus_message_unref(scratch);
      if (!has) continue;
      a.Entry([&](Writer& e) {
        e.Str(name);
        WriteProperty(call, iface, name, e);
      });
    }
  });
}

bool ObjectServer::Properties(const Call& call) {
  const DbusApi& api = m_connection.Api();
  Reader r(api, call.message);
  if (call.member == "Get" && Reader::Has(api, call.message, "ss")) {
    const std::string iface = r.Str();
    const std::string name = r.Str();
    DBusMessage* reply = api.dbus_message_new_method_return(call.message);
    if (reply == nullptr) return true;
    Writer w(api, reply);
    if (!WriteProperty(call, iface, name, w)) {
      api.dbus_message_unref(reply);
      Error(call, kErrorUnknownProperty, "no such property here");
      return true;
    }
    Reply(reply);
    return true;
  }
  if (call.member == "GetAll" && Reader::Has(api, call.message, "s")) {
    const std::string iface = r.Str();
    DBusMessage* reply = api.dbus_message_new_method_return(call.message);
    if (reply == nullptr) return true;
    Writer w(api, reply);
    WriteAllProperties(call, iface, w);
    Reply(reply);
    return true;
  }
  if (call.member == "Set" && Reader::Has(api, call.message, "ssv")) {
    const std::string iface = r.Str();
    const std::string name = r.Str();
    const std::optional<std::int32_t> id = r.VariantInt();
    // The registry numbers the application; nothing else here is a reader's to set.
    if (!call.root || iface != kIfaceApplication || name != "Id" || !id) {
      Error(call, kErrorInvalidArgs, "the property cannot be set");
      return true;
    }
    m_applicationId = *id;
    Reply(api.dbus_message_new_method_return(call.message));
    return true;
  }
  return false;
}

bool ObjectServer::Cache(const Call& call) {
  const DbusApi& api = m_connection.Api();
  if (call.iface != kIfaceCache || call.member != "GetItems" || !Reader::Has(api, call.message, "")) {
    Error(call, kErrorUnknownMethod, "no such method here");
    return true;
  }
  // Nothing is handed out ahead: a reader asks each object when it needs it, so what it hears is
  // never an old copy.
  DBusMessage* reply = api.dbus_message_new_method_return(call.message);
  if (reply == nullptr) return true;
  Writer(api, reply).Array("((so)(so)(so)iiassusau)", [](Writer&) {});
  Reply(reply);
  return true;
}

}  // namespace atspi
