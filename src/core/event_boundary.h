// SPDX-License-Identifier: GPL-3.0-or-later
// Event boundaries. An exception that leaves an event handler never reaches the platform: the
// window procedure of every control (and the application's loop) catches it and hands it to the
// reporter the application installed, then returns normally so the program goes on.
#pragma once

#include <functional>

class TComponent;

// Called inside a catch block; `sender` is the control (or application) at whose boundary the
// exception was caught. std::current_exception() is the exception.
using ExceptionReporter = std::function<void(TComponent* sender)>;

// Installs the reporter; returns the previous one (tests restore it).
ExceptionReporter SetExceptionReporter(ExceptionReporter reporter);
// Reports the exception being handled; with no reporter installed it is written to standard error.
void ReportCurrentException(TComponent* sender);

// Runs `body`; an exception that leaves it is reported with `sender` and swallowed.
template <typename F>
void RunAtBoundary(TComponent* sender, F&& body) {
  try {
    body();
  } catch (...) {
    ReportCurrentException(sender);
  }
}
