// SPDX-License-Identifier: GPL-3.0-or-later
// One private connection to a D-Bus bus, run by the program's own loop (internal to the platform
// layer).
//
// The connection never blocks the UI thread: its socket is watched in the loop's wait beside the
// display's, its time-outs are the platform's timers, and every call is asynchronous with a
// time-out, so a bus or a peer that stops answering costs a late answer, never a hang. Even the
// bus's greeting (Hello) is sent as an ordinary call. Messages are handed to one handler, from
// the loop, after the wait; a lost connection is reported from the loop too, never from inside
// the library, so the owner may destroy the connection there.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/types.h"
#include "platform/atspi/dbus_api.h"

namespace atspi {

// The time-outs of a run's connections are the platform's timers, found again by their ids in a
// table the run owns: made before the run's first connection (the bridge, which owns the
// connections and is made after it, ends first).
void StartBusTimers();

class Connection {
 public:
  // The reply to a call; nullptr when the call failed or timed out (the message is the library's,
  // valid during the call).
  using ReplyHandler = std::function<void(DBusMessage* reply)>;
  using MessageHandler = std::function<bool(DBusMessage* message)>;  // true: handled

  // Opens the connection and greets the bus; `ready` runs once it has a unique name, `lost` when
  // it goes (either may never run). Nothing on failure, with the reason in *error.
  static std::unique_ptr<Connection> Open(const DbusApi& api, const std::string& address,
                                          std::function<void()> ready, std::function<void()> lost,
                                          std::string* error);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const DbusApi& Api() const { return m_api; }
  DBusConnection* Raw() const { return m_raw; }
  const std::string& UniqueName() const { return m_uniqueName; }
  bool Lost() const { return m_lost; }

  // Every incoming method call and signal not taken by a pending call's reply.
  void SetMessageHandler(MessageHandler handler) { m_handler = std::move(handler); }
  // Sends and releases `message`.
  void Send(DBusMessage* message);
  // Sends and releases `message`; `handler` gets the reply or nullptr.
  void Call(DBusMessage* message, int timeoutMs, ReplyHandler handler);
  // Asks the bus to route signals matching `rule` here (no answer is waited for).
  void AddMatch(const std::string& rule);

 private:
  Connection(const DbusApi& api, DBusConnection* raw);

  // libdbus's callbacks.
  static dbus_bool_t AddWatch(DBusWatch* watch, void* self);
  static void RemoveWatch(DBusWatch* watch, void* self);
  static void ToggleWatch(DBusWatch* watch, void* self);
  static dbus_bool_t AddTimeout(DBusTimeout* timeout, void* self);
  static void RemoveTimeout(DBusTimeout* timeout, void* self);
  static void ToggleTimeout(DBusTimeout* timeout, void* self);
  static DBusHandlerResult Filter(DBusConnection* raw, DBusMessage* message, void* self);
  // The loop's callbacks.
  static void DescriptorReady(void* self, short revents);
  static void TimeoutDue(HWND, UINT, std::uintptr_t id, DWORD);

  void UpdateDescriptors();
  void Dispatch();
  void ReportLost();

  const DbusApi& m_api;
  DBusConnection* m_raw;
  std::string m_uniqueName;
  std::vector<DBusWatch*> m_watches;
  std::vector<int> m_watchedFds;
  std::map<std::uintptr_t, DBusTimeout*> m_timers;
  MessageHandler m_handler;
  std::function<void()> m_ready;
  std::function<void()> m_onLost;
  bool m_lost = false;
  bool m_dispatching = false;
  std::uintptr_t m_lostTimer = 0;
};

}  // namespace atspi
