// SPDX-License-Identifier: GPL-3.0-or-later
// A screen reader's ear in a test: every accessibility event the platform and the windows send
// while it lives, in order (it is the running platform's sink from its making to its end).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "platform/accessibility.h"

namespace a11ytest {

class EventRecorder : public a11y::EventSink {
 public:
  EventRecorder() { a11y::SetEventSink(this); }
  ~EventRecorder() override { a11y::SetEventSink(nullptr); }
  EventRecorder(const EventRecorder&) = delete;
  EventRecorder& operator=(const EventRecorder&) = delete;

  void Send(const a11y::Event& event) override { m_events.push_back(event); }

  const std::vector<a11y::Event>& Events() const { return m_events; }
  void Clear() { m_events.clear(); }
  // The events of `kind` about `source`, in order.
  std::vector<a11y::Event> Of(a11y::EventKind kind, a11y::ObjectRef source) const {
    std::vector<a11y::Event> found;
    for (const a11y::Event& e : m_events) {
      if (e.kind == kind && e.source == source) found.push_back(e);
    }
    return found;
  }
  // Where the first such event came among all; -1 for none.
  int IndexOf(a11y::EventKind kind, a11y::ObjectRef source) const {
    const auto it = std::find_if(m_events.begin(), m_events.end(),
                                 [&](const a11y::Event& e) { return e.kind == kind && e.source == source; });
    return it != m_events.end() ? static_cast<int>(it - m_events.begin()) : -1;
  }

 private:
  std::vector<a11y::Event> m_events;
};

// Whether `states` holds every one of `wanted`, naming the first missing one when not.
inline ::testing::AssertionResult HasStates(const a11y::StateSet& states,
                                            std::initializer_list<a11y::State> wanted) {
  for (a11y::State s : wanted) {
    if (!states.Has(s))
      return ::testing::AssertionFailure() << "state " << static_cast<unsigned>(s) << " missing";
  }
  return ::testing::AssertionSuccess();
}

}  // namespace a11ytest
