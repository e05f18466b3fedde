// SPDX-License-Identifier: GPL-3.0-or-later
// Writing and reading D-Bus message bodies (internal to the platform layer).
//
// The library ends the process when handed a string that is not valid UTF-8, so every string goes
// through Str, which mends what is ill-formed, or Text, which converts the program's cp1252 texts;
// nothing reaches the library unchecked.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/atspi/dbus_api.h"

namespace atspi {

// An accessible object on the wire: the bus name of its program and its path.
struct WireRef {
  std::string bus;
  std::string path;
};

class Writer {
 public:
  Writer(const DbusApi& api, DBusMessage* message);

  Writer& Str(std::string_view utf8);
  Writer& Text(std::string_view cp1252);
  Writer& Path(const std::string& path);
  Writer& Int(std::int32_t value);
  Writer& UInt(std::uint32_t value);
  Writer& Bool(bool value);
  Writer& Double(double value);
  Writer& Ref(const WireRef& ref);

  // A container: `fill` writes its contents through the writer it is given. `signature` is the
  // element's (array), the value's (variant), nullptr for a struct or dict entry.
  template <typename Fill>
  Writer& Struct(Fill&& fill) {
    return Container(DBUS_TYPE_STRUCT, nullptr, fill);
  }
  template <typename Fill>
  Writer& Array(const char* elementSignature, Fill&& fill) {
    return Container(DBUS_TYPE_ARRAY, elementSignature, fill);
  }
  template <typename Fill>
  Writer& Variant(const char* signature, Fill&& fill) {
    return Container(DBUS_TYPE_VARIANT, signature, fill);
  }
  template <typename Fill>
  Writer& Entry(Fill&& fill) {
    return Container(DBUS_TYPE_DICT_ENTRY, nullptr, fill);
  }

 private:
  Writer(const DbusApi& api, DBusMessageIter* parent, int type, const char* signature);
  void Finish();
  template <typename Fill>
  Writer& Container(int type, const char* signature, Fill& fill) {
    Writer child(m_api, &m_iter, type, signature);
    fill(child);
    child.Finish();
    return *this;
  }
  void Basic(int type, const void* value);

  const DbusApi& m_api;
  DBusMessageIter m_iter{};
  DBusMessageIter* m_parent = nullptr;
};

// Reads a body whose signature was checked first (Reader::Has).
class Reader {
 public:
  Reader(const DbusApi& api, DBusMessage* message);
  // Whether the body's signature is exactly `signature`.
  static bool Has(const DbusApi& api, DBusMessage* message, std::string_view signature);

  std::int32_t Int();
  std::uint32_t UInt();
  bool Bool();
  std::string Str();
  std::string Path();
  // The next value, a variant: its boolean, or nothing when it holds another type.
  std::optional<bool> VariantBool();
  std::optional<std::int32_t> VariantInt();
  // Into the current container (array, struct, variant, dict entry); the reader moves past it.
  Reader Enter();
  bool AtEnd();

 private:
  Reader(const DbusApi& api, const DBusMessageIter& iter) : m_api(api), m_iter(iter) {}
  template <typename T>
  T Basic(int type, T fallback);

  const DbusApi& m_api;
  DBusMessageIter m_iter{};
  bool m_valid = true;
};

}  // namespace atspi
