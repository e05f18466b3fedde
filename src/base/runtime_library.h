// SPDX-License-Identifier: GPL-3.0-or-later
// Libraries opened at run time instead of linked.
//
// Fontconfig and FluidSynth are loaded only when the program first needs them (a font question
// with no remembered answer, the first MIDI file), so a usual start maps neither them nor their
// dependencies. The library's own headers still give every function's type: a table of named,
// typed pointers is filled from the library, all of them or none, and the first name the library
// lacks is reported, so every call stays checked by the compiler.
//
// Lifetime: the handle closes its library when it goes, which is right for one that was opened
// and then found unusable. A library the program goes on using is kept for the rest of the
// process (KeepForProcess): FluidSynth's drivers leave threads and globals behind, and
// fontconfig's configuration is released by a destructor that runs at exit; unloading either
// while the process ends gains nothing and risks running code that is gone.
#pragma once

#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <type_traits>

namespace base {

// One function a library must provide: its name, and the typed pointer to fill with it.
class FunctionSlot {
 public:
  template <typename Function>
  FunctionSlot(const char* name, Function** target)
      : m_name(name), m_target(static_cast<void*>(target)), m_store(&Store<Function>) {
    static_assert(std::is_function_v<Function>, "a slot holds a pointer to a function");
  }

  const char* Name() const { return m_name; }
  // Sets the pointer (nullptr empties it).
  void Fill(void* symbol) const { m_store(m_target, symbol); }

 private:
  template <typename Function>
  static void Store(void* target, void* symbol) {
    // POSIX guarantees that what dlsym returns for a function converts to a function pointer.
    *static_cast<Function**>(target) = reinterpret_cast<Function*>(symbol);
  }

  const char* m_name;
  void* m_target;
  void (*m_store)(void* target, void* symbol);
};

// When a library's functions are looked up. A system library binds lazily: the few functions the
// program calls are resolved when first called, not its whole table at load. The program's own
// module binds everything at load, so that a module that needs something the program does not
// export fails to load with a message instead of ending the program at the first call.
enum class Binding { kLazy, kAllAtLoad };

class RuntimeLibrary {
 public:
  // Loads the first of `sonames` (or paths) that loads, keeping its symbols out of the global
  // scope. When none loads the handle is empty and Error() gives the loader's reason for each,
  // which names the library.
  explicit RuntimeLibrary(std::initializer_list<const char*> sonames, Binding binding = Binding::kLazy);
  ~RuntimeLibrary();
  RuntimeLibrary(RuntimeLibrary&& other) noexcept;
  RuntimeLibrary& operator=(RuntimeLibrary&& other) noexcept;
  RuntimeLibrary(const RuntimeLibrary&) = delete;
  RuntimeLibrary& operator=(const RuntimeLibrary&) = delete;

  bool IsLoaded() const { return m_handle != nullptr; }
  // The name the library was loaded by; empty when none loaded.
  const std::string& Soname() const { return m_soname; }
  // Why no library loaded; empty when one did.
  const std::string& Error() const { return m_error; }

  // The address of `name` in the library or the libraries it depends on; nullptr when absent.
  void* Symbol(const char* name) const;
  // Fills every slot, or none: returns the name of the first function the library lacks (the
  // slots are then all empty), nullptr when every one was found.
  const char* Bind(std::span<const FunctionSlot> slots) const;

  // The library stays loaded after this handle goes (see the top of this file).
  void KeepForProcess() { m_keep = true; }

 private:
  void Close();

  void* m_handle = nullptr;
  std::string m_soname;
  std::string m_error;
  bool m_keep = false;
};

// How the reasons a kept library cannot be had name it: "<name> (<soname>) cannot be loaded:
// <the loader's reasons>" and "<name> lacks the function <function><end>". Each reason is worded
// for the text it ends up in: FluidSynth's is a sentence of the error box, the D-Bus library's the
// end of the line the screen readers' bridge prints.
struct LibraryNaming {
  const char* name;    // "The FluidSynth library"
  const char* soname;  // the one name it is loaded by
  const char* end;     // what follows a missing function's name: "." or ""
};

// Loads the library `naming` names and fills every slot from it, all or none. Returns the library,
// kept for the rest of the process (KeepForProcess), or nothing with the reason in *error.
std::optional<RuntimeLibrary> LoadForProcess(const LibraryNaming& naming, std::span<const FunctionSlot> slots,
                                             std::string* error);

// A table of typed function pointers (Api) from a library that the program keeps for the rest of
// the run once it has it. Made as a function's static, it is loaded by the first call that needs
// it; every later call gets the same table, or the same reason there is none (a library found
// missing once is not looked for again).
template <typename Api>
class KeptLibrary {
 public:
  // `slotsOf(api)` lists the slots of `api` to fill. `ready(library, api)` runs once every slot is
  // filled, before the table is handed out: it may set the library up through further symbols
  // that it can do without.
  template <typename SlotsOf, typename Ready>
  KeptLibrary(const LibraryNaming& naming, SlotsOf slotsOf, Ready ready) {
    const auto slots = slotsOf(m_api);
    std::optional<RuntimeLibrary> library = LoadForProcess(naming, slots, &m_error);
    if (!library) return;
    ready(*library, m_api);
    m_loaded = true;
  }
  template <typename SlotsOf>
  KeptLibrary(const LibraryNaming& naming, SlotsOf slotsOf)
      : KeptLibrary(naming, slotsOf, [](const RuntimeLibrary&, Api&) {}) {}

  // The table; nullptr, with the reason in *error, when the library could not be had.
  const Api* Get(std::string* error) const {
    if (m_loaded) return &m_api;
    *error = m_error;
    return nullptr;
  }

 private:
  Api m_api{};
  std::string m_error;
  bool m_loaded = false;
};

}  // namespace base
