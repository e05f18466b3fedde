// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/bridge.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/accessibility.h"
#include "platform/atspi/bridge_loader.h"
#include "platform/atspi/connection.h"
#include "platform/atspi/dbus_api.h"
#include "platform/atspi/message.h"
#include "platform/atspi/object_server.h"
#include "platform/window.h"
#include "platform/window/a11y/platform_events.h"
#include "platform/window/platform_state.h"

namespace atspi {

namespace {

constexpr const char* kBusPath = "/org/a11y/bus";
constexpr const char* kStatusInterface = "org.a11y.Status";
constexpr const char* kRegistryName = "org.a11y.atspi.Registry";
constexpr const char* kRegistryPath = "/org/a11y/atspi/registry";
constexpr const char* kRegistryInterface = "org.a11y.atspi.Registry";
constexpr const char* kSocketInterface = "org.a11y.atspi.Socket";
constexpr int kCallTimeoutMs = 5000;

void SayOnce(const std::string& what) {
  static bool said = false;
  if (said) return;
  said = true;
  std::fprintf(stderr, "tessivo: accessibility: %s; going on without it\n", what.c_str());
}

class Bridge final : public a11y::EventSink, public window::RunService {
 public:
  Bridge(const DbusApi& api, Mode mode, std::optional<std::string> busAddress)
      : m_api(api), m_mode(mode), m_busAddress(std::move(busAddress)) {}
  ~Bridge() override { a11y::SetEventSink(nullptr); }

  void Start(const std::optional<std::string>& sessionAddress);
  void Send(const a11y::Event& event) override;

 private:
  void WatchSwitch(const std::string& sessionAddress);
  void ReadSwitch(DBusMessage* reply);
  void TakeSwitches(Reader entries);
  bool SessionSignal(DBusMessage* message);
  void Apply();
  void Connect();
  void ConnectTo(const std::string& address);
  void Registered();
  bool BusSignal(DBusMessage* message);
  void Drop(const std::string& why);
  void AnnounceWhatIsThere();
  bool Wanted(const std::string& eventName) const;
  void Emit(const a11y::ObjectRef& source, const char* iface, const char* member, const std::string& detail,
            int d1, int d2, const std::string& eventName, char variantType, const std::string& text = {},
            const a11y::ObjectRef& other = {});

  const DbusApi& m_api;
  Mode m_mode;
  std::optional<std::string> m_busAddress;
  std::unique_ptr<Connection> m_session;
  std::unique_ptr<Connection> m_bus;
  std::unique_ptr<ObjectServer> m_server;
  bool m_enabled = false;
  bool m_screenReader = false;
  bool m_connecting = false;
  std::vector<std::pair<std::string, std::string>> m_listeners;  // (bus name, event pattern)
};

void Bridge::Start(const std::optional<std::string>& sessionAddress) {
  if (m_mode == Mode::kForcedOn || !sessionAddress || std::getenv("AT_SPI_BUS_ADDRESS") != nullptr) {
    m_enabled = true;
    if (sessionAddress && !m_busAddress) WatchSwitch(*sessionAddress);  // for GetAddress only
    Apply();
    return;
  }
  WatchSwitch(*sessionAddress);
}

// ---- The switch on the session bus --------------------------------------------------------------

void Bridge::WatchSwitch(const std::string& sessionAddress) {
  std::string error;
  m_session = Connection::Open(
      m_api, sessionAddress,
      [this] {
        m_session->SetMessageHandler([this](DBusMessage* m) { return SessionSignal(m); });
        m_session->AddMatch(std::string("type='signal',interface='org.freedesktop.DBus.Properties',"
                                        "member='PropertiesChanged',path='") +
                            kBusPath + "'");
        DBusMessage* ask = m_api.dbus_message_new_method_call(kBusName, kBusPath,
                                                              "org.freedesktop.DBus.Properties", "GetAll");
        if (ask == nullptr) return;
        // Asking must not start the service: it runs, or accessibility is simply not there.
        m_api.dbus_message_set_auto_start(ask, FALSE);
        Writer(m_api, ask).Str(kStatusInterface);
        m_session->Call(ask, kCallTimeoutMs, [this](DBusMessage* reply) { ReadSwitch(reply); });
      },
      [this] { m_session.reset(); }, &error);
  if (!m_session) SayOnce("the session bus cannot be reached (" + error + ")");
}

void Bridge::ReadSwitch(DBusMessage* reply) {
  if (reply == nullptr) {
    // No status service: the bus was announced all the same, so it is used.
    m_enabled = true;
  } else if (Reader::Has(m_api, reply, "a{sv}")) {
    TakeSwitches(Reader(m_api, reply).Enter());
  }
  Apply();
}

// The switches among the status's properties; the others are left alone.
void Bridge::TakeSwitches(Reader entries) {
  while (!entries.AtEnd()) {
    Reader entry = entries.Enter();
    const std::string name = entry.Str();
    const std::optional<bool> value = entry.VariantBool();
    if (name == "IsEnabled" && value) m_enabled = *value;
    if (name == "ScreenReaderEnabled" && value) m_screenReader = *value;
  }
}

bool Bridge::SessionSignal(DBusMessage* message) {
  if (!m_api.dbus_message_is_signal(message, "org.freedesktop.DBus.Properties", "PropertiesChanged") ||
      !Reader::Has(m_api, message, "sa{sv}as")) {
    return false;
  }
  const char* path = m_api.dbus_message_get_path(message);
  if (path == nullptr || std::strcmp(path, kBusPath) != 0) return false;
  Reader r(m_api, message);
  if (r.Str() != kStatusInterface) return true;
  TakeSwitches(r.Enter());
  Apply();
  return true;
}

void Bridge::Apply() {
  const bool wanted = m_mode == Mode::kForcedOn || m_enabled || m_screenReader;
  if (wanted && !m_bus && !m_connecting) Connect();
  if (!wanted && (m_bus || m_connecting)) {
    // Turned off: the program leaves the bus, and comes back when it is turned on again.
    a11y::SetEventSink(nullptr);
    m_server.reset();
    m_bus.reset();
    m_connecting = false;
  }
}

// ---- The accessibility bus ----------------------------------------------------------------------

void Bridge::Connect() {
  if (m_busAddress) {
    ConnectTo(*m_busAddress);
    return;
  }
  if (!m_session) return;
  DBusMessage* ask = m_api.dbus_message_new_method_call(kBusName, kBusPath, kBusName, "GetAddress");
  if (ask == nullptr) return;
  m_api.dbus_message_set_auto_start(ask, FALSE);
  m_connecting = true;
  m_session->Call(ask, kCallTimeoutMs, [this](DBusMessage* reply) {
    m_connecting = false;
    if (reply == nullptr || !Reader::Has(m_api, reply, "s")) {
      SayOnce("the accessibility bus did not give its address");
      return;
    }
    m_busAddress = Reader(m_api, reply).Str();
    ConnectTo(*m_busAddress);
  });
}

void Bridge::ConnectTo(const std::string& address) {
  std::string error;
  m_connecting = true;
  m_bus = Connection::Open(
      m_api, address, [this] { Registered(); }, [this] { Drop("the accessibility bus went away"); }, &error);
  if (!m_bus) {
    m_connecting = false;
    SayOnce("the accessibility bus cannot be reached (" + error + ")");
  }
}

void Bridge::Registered() {
  m_connecting = false;
  m_server = std::make_unique<ObjectServer>(*m_bus);
  m_bus->SetMessageHandler([this](DBusMessage* m) { return m_server->Handle(m) || BusSignal(m); });
  for (const char* member : {"EventListenerRegistered", "EventListenerDeregistered"}) {
    m_bus->AddMatch(std::string("type='signal',interface='") + kRegistryInterface + "',member='" + member +
                    "'");
  }
  DBusMessage* ask = m_api.dbus_message_new_method_call(kRegistryName, kRegistryPath, kRegistryInterface,
                                                        "GetRegisteredEvents");
  m_bus->Call(ask, kCallTimeoutMs, [this](DBusMessage* reply) {
    if (reply == nullptr || !Reader::Has(m_api, reply, "a(ss)")) return;
    m_listeners.clear();
    Reader list = Reader(m_api, reply).Enter();
    while (!list.AtEnd()) {
      Reader item = list.Enter();
      std::string bus = item.Str();
      m_listeners.emplace_back(std::move(bus), item.Str());
    }
    AnnounceWhatIsThere();
  });
  DBusMessage* embed =
      m_api.dbus_message_new_method_call(kRegistryName, kRootPath, kSocketInterface, "Embed");
  if (embed != nullptr) {
    Writer(m_api, embed).Ref(m_server->RefOf({}));
    m_bus->Call(embed, kCallTimeoutMs, [this](DBusMessage* reply) {
      if (reply == nullptr || !Reader::Has(m_api, reply, "(so)")) {
        SayOnce("the registry did not take the program");
        return;
      }
      Reader ref = Reader(m_api, reply).Enter();
      std::string bus = ref.Str();
      m_server->SetDesktop({std::move(bus), ref.Path()});
    });
  }
  a11y::SetEventSink(this);
}

// A reader that is already listening hears what it would have heard had the bridge been there
// from the start: the window that is active (an error box shown before the first idle moment, or
// the main window) and the part that has the focus.
void Bridge::AnnounceWhatIsThere() {
  HWND active = GetActiveWindow();
  if (active == nullptr || !IsWindowVisible(active)) return;
  a11y::TellShown(active);
  a11y::TellActivation(active, a11y::Activation::kActivated);
  if (HWND focus = GetFocus(); focus != nullptr && GetAncestorTopLevel(focus) == active)
    a11y::TellFocusGained(focus);
}

bool Bridge::BusSignal(DBusMessage* message) {
  const bool added = m_api.dbus_message_is_signal(message, kRegistryInterface, "EventListenerRegistered");
  const bool removed = m_api.dbus_message_is_signal(message, kRegistryInterface, "EventListenerDeregistered");
  if (!added && !removed) return false;
  Reader r(m_api, message);
  std::string bus = r.Str();
  std::string pattern = r.Str();
  if (added) {
    m_listeners.emplace_back(std::move(bus), std::move(pattern));
  } else {
    std::erase_if(m_listeners, [&](const auto& l) { return l.first == bus && l.second == pattern; });
  }
  return true;
}

void Bridge::Drop(const std::string& why) {
  SayOnce(why);
  a11y::SetEventSink(nullptr);
  m_server.reset();
  m_bus.reset();
  m_connecting = false;
}

// ---- Events -------------------------------------------------------------------------------------

bool Bridge::Wanted(const std::string& eventName) const {
  for (const auto& listener : m_listeners) {
    if (EventPatternCovers(listener.second, eventName)) return true;
  }
  return false;
}

void Bridge::Emit(const a11y::ObjectRef& source, const char* iface, const char* member,
                  const std::string& detail, int d1, int d2, const std::string& eventName, char variantType,
                  const std::string& text, const a11y::ObjectRef& other) {
  if (!m_bus || !m_server || !Wanted(eventName)) return;
  DBusMessage* signal = m_api.dbus_message_new_signal(PathOf(source).c_str(), iface, member);
  if (signal == nullptr) return;
  Writer w(m_api, signal);
  w.Str(detail).Int(d1).Int(d2);
  switch (variantType) {
    case 's':
      w.Variant("s", [&](Writer& v) { v.Text(text); });
      break;
    case 'r':
      w.Variant("(so)", [&](Writer& v) { v.Ref(m_server->RefOf(other)); });
      break;
    default:
      w.Variant("i", [](Writer& v) { v.Int(0); });
      break;
  }
  w.Array("{sv}", [](Writer&) {});
  m_bus->Send(signal);
}

const char* StateName(a11y::State state) {
  switch (state) {
    case a11y::State::kActive:
      return "active";
    case a11y::State::kCollapsed:
      return "collapsed";
    case a11y::State::kDefunct:
      return "defunct";
    case a11y::State::kEditable:
      return "editable";
    case a11y::State::kEnabled:
      return "enabled";
    case a11y::State::kExpandable:
      return "expandable";
    case a11y::State::kExpanded:
      return "expanded";
    case a11y::State::kFocusable:
      return "focusable";
    case a11y::State::kFocused:
      return "focused";
    case a11y::State::kModal:
      return "modal";
    case a11y::State::kSelectable:
      return "selectable";
    case a11y::State::kSelected:
      return "selected";
    case a11y::State::kSensitive:
      return "sensitive";
    case a11y::State::kShowing:
      return "showing";
    case a11y::State::kSingleLine:
      return "single-line";
    case a11y::State::kVisible:
      return "visible";
    case a11y::State::kManagesDescendants:
      return "manages-descendants";
    case a11y::State::kSelectableText:
      return "selectable-text";
  }
  return "invalid";
}

void Bridge::Send(const a11y::Event& event) {
  constexpr const char* kObject = "org.a11y.atspi.Event.Object";
  constexpr const char* kWindow = "org.a11y.atspi.Event.Window";
  const a11y::ObjectRef& s = event.source;
  const int length = static_cast<int>(event.text.size());
  auto stateChange = [&](a11y::State state, bool on) {
    const std::string name = StateName(state);
    Emit(s, kObject, "StateChanged", name, on ? 1 : 0, 0, "object:state-changed:" + name, 'i');
  };
  switch (event.kind) {
    case a11y::EventKind::kFocus:
      stateChange(a11y::State::kFocused, true);
      Emit(s, "org.a11y.atspi.Event.Focus", "Focus", "", 0, 0, "focus:", 'i');
      break;
    case a11y::EventKind::kStateChanged:
      stateChange(event.state, event.on);
      break;
    case a11y::EventKind::kNameChanged: {
      a11y::Provider* p = a11y::ProviderOf(s.hwnd);
      const std::string name = p != nullptr ? p->NameOf(s.child) : std::string();
      Emit(s, kObject, "PropertyChange", "accessible-name", 0, 0, "object:property-change:accessible-name",
           's', name);
      break;
    }
    case a11y::EventKind::kTextInserted:
      Emit(s, kObject, "TextChanged", "insert", event.offset, length, "object:text-changed:insert", 's',
           event.text);
      break;
    case a11y::EventKind::kTextRemoved:
      Emit(s, kObject, "TextChanged", "delete", event.offset, length, "object:text-changed:delete", 's',
           event.text);
      break;
    case a11y::EventKind::kCaretMoved:
      Emit(s, kObject, "TextCaretMoved", "", event.offset, 0, "object:text-caret-moved", 'i');
      break;
    case a11y::EventKind::kActiveDescendantChanged:
      Emit(s, kObject, "ActiveDescendantChanged", "", 0, 0, "object:active-descendant-changed", 'r', {},
           event.other);
      break;
    case a11y::EventKind::kSelectionChanged:
      Emit(s, kObject, "SelectionChanged", "", 0, 0, "object:selection-changed", 'i');
      break;
    case a11y::EventKind::kChildrenChanged:
      Emit(s, kObject, "ChildrenChanged", "add", 0, 0, "object:children-changed:add", 'r', {}, event.other);
      break;
    case a11y::EventKind::kWindowActivated:
      Emit(s, kWindow, "Activate", "", 0, 0, "window:activate", 'i');
      stateChange(a11y::State::kActive, true);
      break;
    case a11y::EventKind::kWindowDeactivated:
      Emit(s, kWindow, "Deactivate", "", 0, 0, "window:deactivate", 'i');
      stateChange(a11y::State::kActive, false);
      break;
    case a11y::EventKind::kWindowCreated:
      Emit({}, kObject, "ChildrenChanged", "add", 0, 0, "object:children-changed:add", 'r', {}, s);
      Emit(s, kWindow, "Create", "", 0, 0, "window:create", 'i');
      break;
    case a11y::EventKind::kWindowDestroyed:
      Emit(s, kWindow, "Destroy", "", 0, 0, "window:destroy", 'i');
      Emit({}, kObject, "ChildrenChanged", "remove", 0, 0, "object:children-changed:remove", 'r', {}, s);
      break;
  }
}

}  // namespace

namespace {

// Listeners are registered in the bus's spelling ("Object:StateChanged:Focused") or the readers'
// ("object:state-changed:focused"): both compare alike without case and dashes.
std::string Folded(std::string_view name) {
  std::string folded;
  for (char c : name) {
    if (c == '-' || c == '_') continue;
    folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return folded;
}

}  // namespace

bool EventPatternCovers(const std::string& patternAsGiven, const std::string& eventAsGiven) {
  const std::string pattern = Folded(patternAsGiven);
  const std::string event = Folded(eventAsGiven);
  std::size_t p = 0;
  std::size_t e = 0;
  while (p <= pattern.size()) {
    const std::size_t pEnd = std::min(pattern.find(':', p), pattern.size());
    const std::size_t eEnd = e <= event.size() ? std::min(event.find(':', e), event.size()) : e;
    const std::string_view part(pattern.data() + p, pEnd - p);
    if (!part.empty()) {
      if (e > event.size() || part != std::string_view(event.data() + e, eEnd - e)) return false;
    }
    p = pEnd + 1;
    e = eEnd + 1;
  }
  return true;
}

}  // namespace atspi

// The module's entry (bridge_loader.h): the only name it exports.
extern "C" __attribute__((visibility("default"))) void tessivo_atspi_start(atspi::Mode mode,
                                                                           const char* busAddress,
                                                                           const char* sessionAddress) {
  using namespace atspi;
  static_assert(std::is_same_v<decltype(tessivo_atspi_start), ModuleStart>);
  std::string error;
  const DbusApi* api = LoadDbusApi(&error);
  if (api == nullptr) {
    SayOnce(error);
    return;
  }
  std::optional<std::string> bus;
  if (busAddress != nullptr) bus = busAddress;
  std::optional<std::string> session;
  if (sessionAddress != nullptr) session = sessionAddress;
  // One per run, owned by the run and ended before its windows go.
  StartBusTimers();
  auto bridge = std::make_unique<Bridge>(*api, mode, std::move(bus));
  Bridge* started = bridge.get();
  if (!window::AdoptService(window::ServiceSlot::kAccessibilityBridge, std::move(bridge))) return;
  started->Start(session);
}
