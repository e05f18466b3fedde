// SPDX-License-Identifier: GPL-3.0-or-later
// The program's accessible objects on the accessibility bus: their paths, and the answers to a
// reader's requests about them (internal to the platform layer).
//
// Every object is a window or a part of one (a11y::ObjectRef); its path carries the window's
// handle and the part's number, so nothing is kept per object and a path of a window that went
// simply names nothing (the reader gets an error, never a fault). The application itself is the
// root path. Answers are worked out from the windows' providers at the moment of the request;
// what a request asks to be done is left to the message loop (a11y::Request).
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <optional>
#include <string>

#include "platform/accessibility.h"
#include "platform/atspi/connection.h"
#include "platform/atspi/message.h"

namespace atspi {

inline constexpr const char* kRootPath = "/org/a11y/atspi/accessible/root";
inline constexpr const char* kObjectPathPrefix = "/org/a11y/atspi/accessible/";
inline constexpr const char* kNullPath = "/org/a11y/atspi/null";
inline constexpr const char* kCachePath = "/org/a11y/atspi/cache";

std::string PathOf(a11y::ObjectRef object);
// The object a path names: nothing for a path that is not one of ours (the root is the null ref).
std::optional<a11y::ObjectRef> ObjectOfPath(const std::string& path);

class ObjectServer {
 public:
  explicit ObjectServer(Connection& connection) : m_connection(connection) {}

  // The registry's root, our parent (from its answer to Embed).
  void SetDesktop(WireRef desktop) { m_desktop = std::move(desktop); }
  WireRef RefOf(a11y::ObjectRef object) const;
  // A method call for one of our paths; false when the message is not for us.
  bool Handle(DBusMessage* message);

 private:
  // One request, with the object it is about.
  struct Call {
    DBusMessage* message = nullptr;
    std::string iface;
    std::string member;
    a11y::ObjectRef object;
    bool root = false;
    a11y::Provider* provider = nullptr;  // nullptr for the root
  };
  void Reply(DBusMessage* reply);
  void Error(const Call& call, const char* name, const char* text);
  bool Accessible(const Call& call);
  bool Application(const Call& call);
  bool Component(const Call& call);
  bool Text(const Call& call);
  bool EditableText(const Call& call);
  bool Action(const Call& call);
  bool Selection(const Call& call);
  bool Table(const Call& call);
  bool TableCell(const Call& call);
  bool Properties(const Call& call);
  bool Cache(const Call& call);
  // Writes the property `name` of `iface` as a variant; false when there is none.
  bool WriteProperty(const Call& call, const std::string& iface, const std::string& name, Writer& w);
  void WriteAllProperties(const Call& call, const std::string& iface, Writer& w);

  Connection& m_connection;
  WireRef m_desktop{"", kNullPath};
  int m_applicationId = 0;
};

}  // namespace atspi
