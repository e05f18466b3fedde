// SPDX-License-Identifier: GPL-3.0-or-later
// The program's error objects and the two rules by which error texts are shown.
//
// Every error the program raises is an Exception: a cp1252 message text, the name of its class
// (the fatal start-up box names it) and the code address it was raised at (the same box shows it
// as an offset into the module). Handlers never catch these; the event boundaries do and hand
// them to the error display.
//
// The raise address. Two ways fill it in:
//  - Raise<E>(args...) records its own return address, which is the instruction right after the
//    call in the function that raised: the raise site itself. Prefer it where the address matters.
//  - `throw E(message)` records the return address of the out-of-line Exception constructor. For
//    an optimised build that is the raise site too (the inherited constructors are inlined into
//    it); in an unoptimised build it may be a few instructions inside the error class's own
//    constructor. Either way it is a code address of this program, which is all the fatal box
//    needs to name the module.
// SetRaiseAddress overrides both, for code that re-raises on behalf of someone else.
//
// In the page (WebAssembly, with emscripten's JavaScript exceptions) a raiser's caller has no
// place in the program's module that the box could name, and asking for one would have the page
// parse its whole code before the first frame: the address is left unknown (null) there.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "core/format.h"

#ifdef __EMSCRIPTEN__
#define TESSIVO_RETURN_ADDRESS() static_cast<const void*>(nullptr)
#else
#define TESSIVO_RETURN_ADDRESS() __builtin_extract_return_addr(__builtin_return_address(0))
#endif

// Message texts of the program's string table that the core layer itself raises.
inline constexpr const char* kSListIndexError = "List index out of bounds (%d)";
inline constexpr const char* kSListCapacityError = "List capacity out of bounds (%d)";
inline constexpr const char* kSInvalidFormat = "Format '%s' invalid or incompatible with argument";
// The fatal start-up box's text, formatted into a 1024-byte buffer.
inline constexpr const char* kSFatalErrorPattern = "Exception %s in module %s at %p.\r\n%s%s\r\n";
inline constexpr std::size_t kFatalErrorBufferSize = 1024;

class Exception : public std::exception {
 public:
  [[gnu::noinline]] explicit Exception(std::string message);
  Exception(std::string message, const void* raiseAddress)
      : m_message(std::move(message)), m_raiseAddress(raiseAddress) {}

  Exception(const Exception&) = default;
  Exception(Exception&&) noexcept = default;
  Exception& operator=(const Exception&) = default;
  Exception& operator=(Exception&&) noexcept = default;
  ~Exception() override = default;

  // The cp1252 message text.
  const std::string& Message() const { return m_message; }
  void SetMessage(std::string message) { m_message = std::move(message); }

  // The class's own name, as the program's error texts print it ("EResNotFound").
  virtual const char* ClassName() const { return "Exception"; }

  const void* RaiseAddress() const { return m_raiseAddress; }
  void SetRaiseAddress(const void* address) { m_raiseAddress = address; }

  const char* what() const noexcept override { return m_message.c_str(); }

 private:
  std::string m_message;
  const void* m_raiseAddress = nullptr;
};

// Error classes, one per kind of failure the program reports. Each inherits the constructors.

class EConvertError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EConvertError"; }
};

class EListError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EListError"; }
};

class EStringListError : public EListError {
 public:
  using EListError::EListError;
  const char* ClassName() const override { return "EStringListError"; }
};

class EOutOfMemory : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EOutOfMemory"; }
};

// A platform object (window, window class, list entry) could not be made.
class EOutOfResources : public EOutOfMemory {
 public:
  using EOutOfMemory::EOutOfMemory;
  const char* ClassName() const override { return "EOutOfResources"; }
};

class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EInvalidOperation"; }
};

class EInvalidGridOperation : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EInvalidGridOperation"; }
};

class EMCIDeviceError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EMCIDeviceError"; }
};

class EResNotFound : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EResNotFound"; }
};

class EReadError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EReadError"; }
};

// Throws an E built from args, with the caller's raise site as its address.
template <typename E, typename... Args>
[[noreturn, gnu::noinline]] void Raise(Args&&... args) {
  E error(std::forward<Args>(args)...);
  error.SetRaiseAddress(TESSIVO_RETURN_ADDRESS());
  throw error;
}

// Throws an E whose message is Format(pattern, args...), with the caller's raise site as its
// address: RaiseFmt<EListError>(kSListIndexError, index).
template <typename E, typename... Args>
[[noreturn, gnu::noinline]] void RaiseFmt(const char* pattern, const Args&... args) {
  E error(Format(pattern, args...));
  error.SetRaiseAddress(TESSIVO_RETURN_ADDRESS());
  throw error;
}

// The error display's text: a "." is appended exactly when the text is not empty and its last
// character, compared as an unsigned byte, lies above "." (0x2E). So "?" (0x3F), digits, letters
// and the accented cp1252 letters gain one; ".", " ", "!", ")" and line breaks do not.
std::string ErrorBoxText(std::string_view message);

// The fatal box's final period: "." when the message is not empty and does not end in ".",
// otherwise nothing. Unlike ErrorBoxText, a text ending in a space or "!" gains one here.
std::string_view FatalErrorPeriod(std::string_view message);

// The fatal start-up box's whole text: class name, module file name, the raise address as an
// offset into that module, the message and its period, cut to kFatalErrorBufferSize - 1
// characters.
std::string FatalErrorText(std::string_view className, std::string_view moduleName,
                           std::uintptr_t moduleOffset, std::string_view message);
