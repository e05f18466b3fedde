// SPDX-License-Identifier: GPL-3.0-or-later
// Just enough of a window manager for the tests to see what the program asks of one: it owns
// the WM_S0 selection and redirects the root's children, maps what asks to be mapped, iconifies
// on WM_CHANGE_STATE, focuses on _NET_ACTIVE_WINDOW, and records every request sent to the root
// and every configure request (carried out as asked: it draws no frames).
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>
#include <vector>

#include "x11/x11_test_util.h"

namespace x11test {

class FakeWindowManager {
 public:
  struct Configure {
    Window window = None;
    unsigned long mask = 0;
    int x = 0, y = 0, width = 0, height = 0;
  };
  struct Request {
    std::string type;  // the client message's type name
    Window window = None;
    long data[5] = {};
  };

  // nullptr when the display cannot be reached or another manager runs.
  static std::unique_ptr<FakeWindowManager> Start(const std::string& displayName);

  // Handles everything that has arrived, without waiting.
  void Process();
  const std::vector<Request>& Requests() const { return m_requests; }
  std::vector<Request> RequestsOf(const std::string& type) const;
  const std::vector<Configure>& Configures() const { return m_configures; }
  Display* Connection() const { return m_display.get(); }

 private:
  FakeWindowManager() = default;
  void SetWmState(Window window, long state);

  DisplayPtr m_display;
  Window m_selectionOwner = None;
  std::vector<Request> m_requests;
  std::vector<Configure> m_configures;
};

}  // namespace x11test
