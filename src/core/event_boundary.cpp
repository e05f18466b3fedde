// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/event_boundary.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "core/component.h"

namespace {
ExceptionReporter& Reporter() {
  static ExceptionReporter reporter;
  return reporter;
}
}  // namespace

ExceptionReporter SetExceptionReporter(ExceptionReporter reporter) {
  return std::exchange(Reporter(), std::move(reporter));
}

void ReportCurrentException(TComponent* sender) {
  if (Reporter()) {
    // A reporter that itself throws must not take the boundary down with it.
    try {
      Reporter()(sender);
    } catch (...) {
      std::fputs("tessivo: an error occurred while showing an error\n", stderr);
    }
    return;
  }
  try {
    throw;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tessivo: %s\n", e.what());
  } catch (...) {
    std::fputs("tessivo: unknown error\n", stderr);
  }
}
