// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/runtime_library.h"

#include <dlfcn.h>

#include <utility>

namespace base {

RuntimeLibrary::RuntimeLibrary(std::initializer_list<const char*> sonames, Binding binding) {
#ifdef __EMSCRIPTEN__
  // WebAssembly links everything it runs: its dlopen would end the program rather than fail, so
  // each library is reported missing, and the program goes on without it as on a desktop where
  // the library is not installed.
  static_cast<void>(binding);
  for (const char* soname : sonames) {
    if (!m_error.empty()) m_error += "; ";
    m_error += std::string(soname) + ": libraries cannot be loaded at run time in WebAssembly";
  }
#else
  const int when = binding == Binding::kLazy ? RTLD_LAZY : RTLD_NOW;
  for (const char* soname : sonames) {
    m_handle = dlopen(soname, when | RTLD_LOCAL);
    if (m_handle != nullptr) {
      m_soname = soname;
      m_error.clear();
      return;
    }
    const char* why = dlerror();
    if (!m_error.empty()) m_error += "; ";
    m_error += why != nullptr ? why : std::string(soname) + ": unknown reason";
  }
#endif
}

RuntimeLibrary::~RuntimeLibrary() { Close(); }

RuntimeLibrary::RuntimeLibrary(RuntimeLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)),
      m_soname(std::move(other.m_soname)),
      m_error(std::move(other.m_error)),
      m_keep(other.m_keep) {}

RuntimeLibrary& RuntimeLibrary::operator=(RuntimeLibrary&& other) noexcept {
  if (this != &other) {
    Close();
    m_handle = std::exchange(other.m_handle, nullptr);
    m_soname = std::move(other.m_soname);
    m_error = std::move(other.m_error);
    m_keep = other.m_keep;
  }
  return *this;
}

void RuntimeLibrary::Close() {
  if (m_handle != nullptr && !m_keep) dlclose(m_handle);
  m_handle = nullptr;
}

void* RuntimeLibrary::Symbol(const char* name) const {
  return m_handle != nullptr ? dlsym(m_handle, name) : nullptr;
}

const char* RuntimeLibrary::Bind(std::span<const FunctionSlot> slots) const {
  for (const FunctionSlot& slot : slots) {
    void* symbol = Symbol(slot.Name());
    if (symbol == nullptr) {
      for (const FunctionSlot& filled : slots) filled.Fill(nullptr);
      return slot.Name();
    }
    slot.Fill(symbol);
  }
  return nullptr;
}

std::optional<RuntimeLibrary> LoadForProcess(const LibraryNaming& naming, std::span<const FunctionSlot> slots,
                                             std::string* error) {
  RuntimeLibrary library{naming.soname};
  if (!library.IsLoaded()) {
    *error = std::string(naming.name) + " (" + naming.soname + ") cannot be loaded: " + library.Error();
    return std::nullopt;
  }
  if (const char* missing = library.Bind(slots)) {
    *error = std::string(naming.name) + " lacks the function " + missing + naming.end;
    return std::nullopt;  // the handle closes the library
  }
  library.KeepForProcess();
  return library;
}

}  // namespace base
