// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/connection.h"

#include <poll.h>

#include <algorithm>
#include <utility>

#include "platform/window.h"
#include "platform/window/window_core.h"

namespace atspi {

namespace {

// A reader's request is small; the bus's own limit (128 MiB) would let a hostile peer make the
// program hold that much before it could say no.
constexpr long kLargestMessage = 1L << 20;
constexpr long kLargestBacklog = 4L << 20;
constexpr int kHelloTimeoutMs = 5000;

// The platform's timers call a plain function with the timer's id: the connection and the
// library's time-out behind each id (a null time-out: the report of a lost connection).
struct TimerTarget {
  Connection* connection = nullptr;
  DBusTimeout* timeout = nullptr;
};
struct BusTimers final : window::RunService {
  std::map<std::uintptr_t, TimerTarget> byId;
};

// The run's table; nullptr while no run keeps one, when no timer can be set either.
std::map<std::uintptr_t, TimerTarget>* Timers() {
  auto* timers = window::ServiceOf<BusTimers>(window::ServiceSlot::kBusTimers);
  return timers != nullptr ? &timers->byId : nullptr;
}

// Kills and forgets the timers that `matches` picks.
template <class Match>
void DropTimers(Match matches) {
  auto* timers = Timers();
  if (timers == nullptr) return;
  for (auto it = timers->begin(); it != timers->end();) {
    if (matches(it->second)) {
      KillTimer(nullptr, it->first);
      it = timers->erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace

void StartBusTimers() {
  window::AdoptService(window::ServiceSlot::kBusTimers, std::make_unique<BusTimers>());
}

std::unique_ptr<Connection> Connection::Open(const DbusApi& api, const std::string& address,
                                             std::function<void()> ready, std::function<void()> lost,
                                             std::string* error) {
  DBusError err;
  api.dbus_error_init(&err);
  DBusConnection* raw = api.dbus_connection_open_private(address.c_str(), &err);
  if (raw == nullptr) {
    *error = api.dbus_error_is_set(&err) && err.message != nullptr ? err.message : "cannot connect";
    api.dbus_error_free(&err);
    return nullptr;
  }
  std::unique_ptr<Connection> connection(new Connection(api, raw));
  connection->m_ready = std::move(ready);
  connection->m_onLost = std::move(lost);
  Connection* self = connection.get();
  api.dbus_connection_set_exit_on_disconnect(raw, FALSE);
  api.dbus_connection_set_max_message_size(raw, kLargestMessage);
  api.dbus_connection_set_max_received_size(raw, kLargestBacklog);
  if (!api.dbus_connection_add_filter(raw, &Filter, self, nullptr) ||
      !api.dbus_connection_set_watch_functions(raw, &AddWatch, &RemoveWatch, &ToggleWatch, self, nullptr) ||
      !api.dbus_connection_set_timeout_functions(raw, &AddTimeout, &RemoveTimeout, &ToggleTimeout, self,
                                                 nullptr)) {
    *error = "out of memory";
    return nullptr;
  }
  DBusMessage* hello = api.dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                        "org.freedesktop.DBus", "Hello");
  if (hello == nullptr) {
    *error = "out of memory";
    return nullptr;
  }
  self->Call(hello, kHelloTimeoutMs, [self](DBusMessage* reply) {
    const char* name = nullptr;
    DBusMessageIter it;
    if (reply == nullptr || !self->m_api.dbus_message_iter_init(reply, &it) ||
        self->m_api.dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_STRING) {
      self->ReportLost();
      return;
    }
    self->m_api.dbus_message_iter_get_basic(&it, static_cast<void*>(&name));
    self->m_uniqueName = name;
    self->m_api.dbus_bus_set_unique_name(self->m_raw, name);
    if (self->m_ready) self->m_ready();
  });
  return connection;
}

Connection::Connection(const DbusApi& api, DBusConnection* raw) : m_api(api), m_raw(raw) {}

Connection::~Connection() {
  for (int fd : m_watchedFds) window::UnwatchDescriptor(fd);
  DropTimers([this](const TimerTarget& target) { return target.connection == this; });
  // Closing calls back into the watch and time-out functions, which must find nothing of this
  // object any more: they are cleared first.
  m_api.dbus_connection_set_watch_functions(m_raw, nullptr, nullptr, nullptr, nullptr, nullptr);
  m_api.dbus_connection_set_timeout_functions(m_raw, nullptr, nullptr, nullptr, nullptr, nullptr);
  m_api.dbus_connection_close(m_raw);
  m_api.dbus_connection_unref(m_raw);
}

void Connection::Send(DBusMessage* message) {
  if (message == nullptr) return;
  if (!m_lost) m_api.dbus_connection_send(m_raw, message, nullptr);
  m_api.dbus_message_unref(message);
  UpdateDescriptors();
}

void Connection::Call(DBusMessage* message, int timeoutMs, ReplyHandler handler) {
  if (message == nullptr) return;
  DBusPendingCall* pending = nullptr;
  if (m_lost || !m_api.dbus_connection_send_with_reply(m_raw, message, &pending, timeoutMs) ||
      pending == nullptr) {
    m_api.dbus_message_unref(message);
    return;
  }
  m_api.dbus_message_unref(message);
  struct Waiting {
    const DbusApi* api;
    ReplyHandler handler;
  };
  auto* waiting = new Waiting{&m_api, std::move(handler)};
  auto notify = [](DBusPendingCall* call, void* data) {
    auto* w = static_cast<Waiting*>(data);
    DBusMessage* reply = w->api->dbus_pending_call_steal_reply(call);
    const bool failed =
        reply == nullptr || w->api->dbus_message_get_type(reply) != DBUS_MESSAGE_TYPE_METHOD_RETURN;
    w->handler(failed ? nullptr : reply);
    if (reply != nullptr) w->api->dbus_message_unref(reply);
  };
  // The library owns `waiting` from here: it frees it with the call, answered or not.
  if (!m_api.dbus_pending_call_set_notify(pending, notify, waiting,
                                          [](void* data) { delete static_cast<Waiting*>(data); })) {
    delete waiting;
  }
  m_api.dbus_pending_call_unref(pending);
  UpdateDescriptors();
}

void Connection::AddMatch(const std::string& rule) {
  // Without an error to fill the library does not wait for the bus's answer.
  if (!m_lost) m_api.dbus_bus_add_match(m_raw, rule.c_str(), nullptr);
  UpdateDescriptors();
}

// ---- Watches: the socket in the loop's wait ---------------------------------------------------

dbus_bool_t Connection::AddWatch(DBusWatch* watch, void* self) {
  auto* c = static_cast<Connection*>(self);
  c->m_watches.push_back(watch);
  c->UpdateDescriptors();
  return TRUE;
}

void Connection::RemoveWatch(DBusWatch* watch, void* self) {
  auto* c = static_cast<Connection*>(self);
  std::erase(c->m_watches, watch);
  c->UpdateDescriptors();
}

void Connection::ToggleWatch(DBusWatch*, void* self) { static_cast<Connection*>(self)->UpdateDescriptors(); }

// The library keeps a watch for reading and one for writing on the same socket; the loop
// watches each descriptor once, for what its enabled watches want.
void Connection::UpdateDescriptors() {
  std::map<int, short> wanted;
  for (DBusWatch* w : m_watches) {
    if (!m_api.dbus_watch_get_enabled(w)) continue;
    const unsigned flags = m_api.dbus_watch_get_flags(w);
    short& events = wanted[m_api.dbus_watch_get_unix_fd(w)];
    if ((flags & DBUS_WATCH_READABLE) != 0) events |= POLLIN;
    if ((flags & DBUS_WATCH_WRITABLE) != 0) events |= POLLOUT;
  }
  for (int fd : m_watchedFds) {
    if (wanted.find(fd) == wanted.end()) window::UnwatchDescriptor(fd);
  }
  m_watchedFds.clear();
  for (const auto& [fd, events] : wanted) {
    window::WatchDescriptor(fd, events, &DescriptorReady, this);
    m_watchedFds.push_back(fd);
  }
}

void Connection::DescriptorReady(void* self, short revents) {
  auto* c = static_cast<Connection*>(self);
  unsigned flags = 0;
  if ((revents & POLLIN) != 0) flags |= DBUS_WATCH_READABLE;
  if ((revents & POLLOUT) != 0) flags |= DBUS_WATCH_WRITABLE;
  if ((revents & POLLERR) != 0) flags |= DBUS_WATCH_ERROR;
  if ((revents & POLLHUP) != 0) flags |= DBUS_WATCH_HANGUP;
  // Copied: handling a watch may add or remove watches.
  const std::vector<DBusWatch*> watches = c->m_watches;
  for (DBusWatch* w : watches) {
    if (std::find(c->m_watches.begin(), c->m_watches.end(), w) == c->m_watches.end()) continue;
    if (!c->m_api.dbus_watch_get_enabled(w)) continue;
    const unsigned asked = c->m_api.dbus_watch_get_flags(w) | DBUS_WATCH_ERROR | DBUS_WATCH_HANGUP;
    if ((flags & asked) != 0) c->m_api.dbus_watch_handle(w, flags & asked);
  }
  c->Dispatch();
}

// ---- Time-outs: the platform's timers ---------------------------------------------------------

dbus_bool_t Connection::AddTimeout(DBusTimeout* timeout, void* self) {
  auto* c = static_cast<Connection*>(self);
  if (!c->m_api.dbus_timeout_get_enabled(timeout)) return TRUE;
  const int interval = c->m_api.dbus_timeout_get_interval(timeout);
  auto* timers = Timers();
  if (timers == nullptr) return FALSE;
  const std::uintptr_t id = SetTimer(nullptr, 0, static_cast<UINT>(std::max(interval, 1)), &TimeoutDue);
  if (id == 0) return FALSE;
  (*timers)[id] = {c, timeout};
  return TRUE;
}

void Connection::RemoveTimeout(DBusTimeout* timeout, void*) {
  DropTimers([timeout](const TimerTarget& target) { return target.timeout == timeout; });
}

void Connection::ToggleTimeout(DBusTimeout* timeout, void* self) {
  RemoveTimeout(timeout, self);
  AddTimeout(timeout, self);
}

void Connection::TimeoutDue(HWND, UINT, std::uintptr_t id, DWORD) {
  auto* timers = Timers();
  if (timers == nullptr || !timers->contains(id)) {
    KillTimer(nullptr, id);
    return;
  }
  const auto it = timers->find(id);
  Connection* c = it->second.connection;
  if (it->second.timeout == nullptr) {  // the report of a lost connection, once
    KillTimer(nullptr, id);
    timers->erase(it);
    c->m_lostTimer = 0;
    // Taken out first: the owner usually destroys the connection, and the call must not run
    // from inside the object it destroys.
    const std::function<void()> onLost = std::move(c->m_onLost);
    if (onLost) onLost();
    return;
  }
  c->m_api.dbus_timeout_handle(it->second.timeout);
  c->Dispatch();
}

// ---- Messages ---------------------------------------------------------------------------------

void Connection::Dispatch() {
  // A handler never runs the loop (readers' requests wait for it: a11y::Request), so this is never
  // entered twice; the guard keeps it so should one ever do.
  if (m_dispatching) return;
  m_dispatching = true;
  while (m_api.dbus_connection_dispatch(m_raw) == DBUS_DISPATCH_DATA_REMAINS) {
  }
  m_dispatching = false;
  UpdateDescriptors();
}

DBusHandlerResult Connection::Filter(DBusConnection*, DBusMessage* message, void* self) {
  auto* c = static_cast<Connection*>(self);
  if (c->m_api.dbus_message_is_signal(message, DBUS_INTERFACE_LOCAL, "Disconnected")) {
    c->ReportLost();
    return DBUS_HANDLER_RESULT_HANDLED;
  }
  if (c->m_handler && c->m_handler(message)) return DBUS_HANDLER_RESULT_HANDLED;
  return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
}

void Connection::ReportLost() {
  if (m_lost) return;
  m_lost = true;
  // Told from the loop: the owner may destroy the connection, which cannot happen inside the
  // library's own call.
  auto* timers = Timers();
  m_lostTimer = timers != nullptr ? SetTimer(nullptr, 0, 0, &TimeoutDue) : 0;
  if (m_lostTimer != 0) (*timers)[m_lostTimer] = {this, nullptr};
}

}  // namespace atspi
