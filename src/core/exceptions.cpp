// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/exceptions.h"

Exception::Exception(std::string message)
    : m_message(std::move(message)), m_raiseAddress(TESSIVO_RETURN_ADDRESS()) {}

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  // The comparison is on the byte's unsigned value: cp1252 letters such as 0xE1 lie above "."
  // and must gain the period, which a signed char comparison would miss.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
    text.push_back('.');
  }
  return text;
}

std::string_view FatalErrorPeriod(std::string_view message) {
  if (message.empty() || message.back() == '.') return {};
  return ".";
}

std::string FatalErrorText(std::string_view className, std::string_view moduleName,
                           std::uintptr_t moduleOffset, std::string_view message) {
  char buffer[kFatalErrorBufferSize];
  std::size_t length = FormatBuf(buffer, sizeof(buffer), kSFatalErrorPattern, className, moduleName,
                                 moduleOffset, message, FatalErrorPeriod(message));
  return std::string(buffer, length);
}
