// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atspi/message.h"

#include "base/cp1252.h"
#include "base/utf8.h"

namespace atspi {

Writer::Writer(const DbusApi& api, DBusMessage* message) : m_api(api) {
  m_api.dbus_message_iter_init_append(message, &m_iter);
}

Writer::Writer(const DbusApi& api, DBusMessageIter* parent, int type, const char* signature)
    : m_api(api), m_parent(parent) {
  m_api.dbus_message_iter_open_container(parent, type, signature, &m_iter);
}

void Writer::Finish() {
  if (m_parent != nullptr) m_api.dbus_message_iter_close_container(m_parent, &m_iter);
}

void Writer::Basic(int type, const void* value) {
  m_api.dbus_message_iter_append_basic(&m_iter, type, value);
}

Writer& Writer::Str(std::string_view utf8) {
  // Ill-formed sequences become U+FFFD and a zero byte (which ends a string there) is dropped.
  std::string clean;
  text::ForEachCodePoint(utf8, text::IllFormedUtf8::kReplace, [&](char32_t cp) {
    if (cp != 0) text::AppendUtf8(clean, cp);
  });
  const char* p = clean.c_str();
  Basic(DBUS_TYPE_STRING, static_cast<const void*>(&p));
  return *this;
}

Writer& Writer::Text(std::string_view cp1252) { return Str(text::Cp1252ToUtf8(cp1252)); }

Writer& Writer::Path(const std::string& path) {
  const char* p = path.c_str();
  Basic(DBUS_TYPE_OBJECT_PATH, static_cast<const void*>(&p));
  return *this;
}

Writer& Writer::Int(std::int32_t value) {
  const dbus_int32_t v = value;
  Basic(DBUS_TYPE_INT32, &v);
  return *this;
}

Writer& Writer::UInt(std::uint32_t value) {
  const dbus_uint32_t v = value;
  Basic(DBUS_TYPE_UINT32, &v);
  return *this;
}

Writer& Writer::Bool(bool value) {
  const dbus_bool_t v = value ? TRUE : FALSE;
  Basic(DBUS_TYPE_BOOLEAN, &v);
  return *this;
}

Writer& Writer::Double(double value) {
  Basic(DBUS_TYPE_DOUBLE, &value);
  return *this;
}

Writer& Writer::Ref(const WireRef& ref) {
  return Struct([&](Writer& w) { w.Str(ref.bus).Path(ref.path); });
}

Reader::Reader(const DbusApi& api, DBusMessage* message) : m_api(api) {
  m_valid = m_api.dbus_message_iter_init(message, &m_iter) != FALSE;
}

bool Reader::Has(const DbusApi& api, DBusMessage* message, std::string_view signature) {
  const char* actual = api.dbus_message_get_signature(message);
  return actual != nullptr && signature == actual;
}

template <typename T>
T Reader::Basic(int type, T fallback) {
  if (!m_valid || m_api.dbus_message_iter_get_arg_type(&m_iter) != type) return fallback;
  T value = fallback;
  m_api.dbus_message_iter_get_basic(&m_iter, static_cast<void*>(&value));
  m_valid = m_api.dbus_message_iter_next(&m_iter) != FALSE;
  return value;
}

std::int32_t Reader::Int() { return Basic<dbus_int32_t>(DBUS_TYPE_INT32, 0); }
std::uint32_t Reader::UInt() { return Basic<dbus_uint32_t>(DBUS_TYPE_UINT32, 0); }
bool Reader::Bool() { return Basic<dbus_bool_t>(DBUS_TYPE_BOOLEAN, FALSE) != FALSE; }

std::string Reader::Str() {
  const char* s = Basic<const char*>(DBUS_TYPE_STRING, nullptr);
  return s != nullptr ? std::string(s) : std::string();
}

std::string Reader::Path() {
  const char* s = Basic<const char*>(DBUS_TYPE_OBJECT_PATH, nullptr);
  return s != nullptr ? std::string(s) : std::string();
}

Reader Reader::Enter() {
  DBusMessageIter inner{};
  const int type = m_valid ? m_api.dbus_message_iter_get_arg_type(&m_iter) : DBUS_TYPE_INVALID;
  const bool container = type == DBUS_TYPE_ARRAY || type == DBUS_TYPE_STRUCT || type == DBUS_TYPE_VARIANT ||
                         type == DBUS_TYPE_DICT_ENTRY;
  if (!container) {
    Reader empty(m_api, inner);
    empty.m_valid = false;
    return empty;
  }
  m_api.dbus_message_iter_recurse(&m_iter, &inner);
  m_valid = m_api.dbus_message_iter_next(&m_iter) != FALSE;
  Reader child(m_api, inner);
  child.m_valid = m_api.dbus_message_iter_get_arg_type(&inner) != DBUS_TYPE_INVALID;
  return child;
}

bool Reader::AtEnd() {
  return !m_valid || m_api.dbus_message_iter_get_arg_type(&m_iter) == DBUS_TYPE_INVALID;
}

std::optional<bool> Reader::VariantBool() {
  Reader inner = Enter();
  if (inner.AtEnd() || m_api.dbus_message_iter_get_arg_type(&inner.m_iter) != DBUS_TYPE_BOOLEAN)
    return std::nullopt;
  return inner.Bool();
}

std::optional<std::int32_t> Reader::VariantInt() {
  Reader inner = Enter();
  if (inner.AtEnd() || m_api.dbus_message_iter_get_arg_type(&inner.m_iter) != DBUS_TYPE_INT32)
    return std::nullopt;
  return inner.Int();
}

}  // namespace atspi
