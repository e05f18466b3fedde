// SPDX-License-Identifier: GPL-3.0-or-later
// A windowed control and the window that hands it its messages, when one of them goes while the
// other is still in use.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "core/win_control.h"
#include "platform/window.h"
#include "support/bare_window.h"
#include "support/headless_fixture.h"

namespace {

// A child window inside a bare window.
class TChildBox : public TWinControl {
 public:
  TChildBox() : TWinControl(nullptr) {}
  const char* ClassName() const override { return "TLifetimeTestChild"; }
};

class ControlWindow : public HeadlessFixture {};

// What the hook on the parent's window does while that window goes.
struct DeleteOnDestroy {
  TWinControl* child = nullptr;
  HWND childWindow = nullptr;
  TWinControl* foundAfterDelete = nullptr;
};

LRESULT DeleteChildOnDestroy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, std::uintptr_t /*id*/,
                             std::uintptr_t refData) {
  auto& step = *reinterpret_cast<DeleteOnDestroy*>(refData);
  if (msg == WM_DESTROY && step.child != nullptr) {
    delete std::exchange(step.child, nullptr);
    step.foundAfterDelete = TWinControl::FindControl(step.childWindow);
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// A control deleted while its window is already on its way out (from a handler of its parent's
// destruction, where destroying its window again does nothing) unhooks the window itself, so the
// window's last messages never reach it.
TEST_F(ControlWindow, AControlDeletedWhileItsWindowIsGoingIsUnhookedFromIt) {
  auto parent = std::make_unique<TBareWindow>();
  parent->SetBounds(10, 10, 200, 100);
  auto* child = new TChildBox();
  child->SetParent(parent.get());
  DeleteOnDestroy step{child, nullptr, nullptr};
  const HWND parentWindow = parent->Handle();
  step.childWindow = child->Handle();
  ASSERT_EQ(TWinControl::FindControl(step.childWindow), child);
  ASSERT_TRUE(
      SetWindowSubclass(parentWindow, &DeleteChildOnDestroy, 1, reinterpret_cast<std::uintptr_t>(&step)));
  DestroyWindow(parentWindow);
  EXPECT_EQ(step.child, nullptr);
  EXPECT_EQ(step.foundAfterDelete, nullptr);
  EXPECT_FALSE(IsWindow(step.childWindow));
  EXPECT_FALSE(parent->HandleAllocated());
}

}  // namespace
