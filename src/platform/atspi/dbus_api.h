// SPDX-License-Identifier: GPL-3.0-or-later
// The D-Bus library, loaded on demand.
//
// Only a program run under a screen reader talks to the accessibility bus, so nothing of libdbus
// is linked: the bridge loads it with dlopen once it has found a bus, and the library's headers
// give the types of the few functions it calls (internal to the platform layer).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <dbus/dbus.h>

#include <string>

namespace atspi {

// clang-format off
#define TESSIVO_DBUS_FUNCTIONS(X) \
  X(dbus_error_init) \
  X(dbus_error_free) \
  X(dbus_error_is_set) \
  X(dbus_connection_open_private) \
  X(dbus_connection_close) \
  X(dbus_connection_unref) \
  X(dbus_connection_set_exit_on_disconnect) \
  X(dbus_connection_set_watch_functions) \
  X(dbus_connection_set_timeout_functions) \
  X(dbus_connection_set_max_received_size) \
  X(dbus_connection_set_max_message_size) \
  X(dbus_connection_dispatch) \
  X(dbus_connection_add_filter) \
  X(dbus_connection_send) \
  X(dbus_connection_send_with_reply) \
  X(dbus_bus_set_unique_name) \
  X(dbus_bus_add_match) \
  X(dbus_watch_get_unix_fd) \
  X(dbus_watch_get_flags) \
  X(dbus_watch_get_enabled) \
  X(dbus_watch_handle) \
  X(dbus_timeout_get_interval) \
  X(dbus_timeout_get_enabled) \
  X(dbus_timeout_handle) \
  X(dbus_pending_call_set_notify) \
  X(dbus_pending_call_steal_reply) \
  X(dbus_pending_call_unref) \
  X(dbus_message_new_method_call) \
  X(dbus_message_new_method_return) \
  X(dbus_message_new_error) \
  X(dbus_message_new_signal) \
  X(dbus_message_unref) \
  X(dbus_message_get_type) \
  X(dbus_message_get_path) \
  X(dbus_message_get_interface) \
  X(dbus_message_get_member) \
  X(dbus_message_get_sender) \
  X(dbus_message_get_signature) \
  X(dbus_message_get_no_reply) \
  X(dbus_message_is_signal) \
  X(dbus_message_set_auto_start) \
  X(dbus_message_iter_init) \
  X(dbus_message_iter_init_append) \
  X(dbus_message_iter_append_basic) \
  X(dbus_message_iter_open_container) \
  X(dbus_message_iter_close_container) \
  X(dbus_message_iter_get_arg_type) \
  X(dbus_message_iter_get_basic) \
  X(dbus_message_iter_next) \
  X(dbus_message_iter_recurse)
// clang-format on

struct DbusApi {
#define TESSIVO_DBUS_POINTER(name) decltype(&::name) name = nullptr;  // NOLINT(bugprone-macro-parentheses)
  TESSIVO_DBUS_FUNCTIONS(TESSIVO_DBUS_POINTER)
#undef TESSIVO_DBUS_POINTER
};

// Loads the library once per process; nullptr, with the reason in *error, when it cannot.
const DbusApi* LoadDbusApi(std::string* error);

}  // namespace atspi
