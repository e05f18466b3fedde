// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/grid/grid_errors.h"

#include "core/exceptions.h"
#include "platform/module.h"

std::string GridErrorText(UINT id, const char* fallback) {
  char buffer[256];
  int length = LoadString(GetModuleHandle(nullptr), id, buffer, static_cast<int>(sizeof(buffer)));
  if (length <= 0) return fallback;
  return std::string(buffer, static_cast<std::size_t>(length));
}

void RaiseGridError(UINT id, const char* fallback) {
  Raise<EInvalidGridOperation>(GridErrorText(id, fallback));
}
