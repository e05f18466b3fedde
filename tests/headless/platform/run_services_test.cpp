// SPDX-License-Identifier: GPL-3.0-or-later
// The services a run holds: ended by the platform's stop, latest first, while the windows they
// report through still exist; nothing of them outlives the run.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/headless/headless_driver.h"
#include "platform/mci.h"
#include "platform/platform.h"
#include "platform/window.h"
#include "platform/window/platform_state.h"

namespace {

struct Ending {
  std::string name;
  bool windowAlive = false;
};

// Records when it ends, and whether the window it would report through was still there.
class RecordingService final : public window::RunService {
 public:
  RecordingService(std::string name, HWND window, std::vector<Ending>* endings)
      : m_name(std::move(name)), m_window(window), m_endings(endings) {}
  ~RecordingService() override { m_endings->push_back({m_name, IsWindow(m_window) != FALSE}); }

 private:
  std::string m_name;
  HWND m_window;
  std::vector<Ending>* m_endings;
};

TEST(RunServices, EndLatestFirstBeforeTheWindowsGoAndNotAgainInTheNextRun) {
  std::vector<Ending> endings;
  {
    headless::Session session;
    WNDCLASS wc{};
    wc.lpfnWndProc = &DefWindowProc;
    wc.lpszClassName = "ServiceReports";
    ASSERT_NE(RegisterClass(&wc), 0);
    HWND window =
        CreateWindowEx(0, "ServiceReports", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    using window::ServiceSlot;
    ASSERT_TRUE(window::AdoptService(ServiceSlot::kMultimedia,
                                     std::make_unique<RecordingService>("first", window, &endings)));
    ASSERT_TRUE(window::AdoptService(ServiceSlot::kAccessibilityBridge,
                                     std::make_unique<RecordingService>("second", window, &endings)));
    EXPECT_NE(window::FindService(ServiceSlot::kMultimedia), nullptr);
  }
  ASSERT_EQ(endings.size(), 2u);
  EXPECT_EQ(endings[0].name, "second");
  EXPECT_EQ(endings[1].name, "first");
  EXPECT_TRUE(endings[0].windowAlive && endings[1].windowAlive) << "a service ended after the windows";

  // The next run starts with none, and one handed over while no platform runs ends at once.
  {
    headless::Session session;
    EXPECT_EQ(window::FindService(window::ServiceSlot::kMultimedia), nullptr);
  }
  EXPECT_FALSE(window::AdoptService(window::ServiceSlot::kMultimedia,
                                    std::make_unique<RecordingService>("late", nullptr, &endings)));
  ASSERT_EQ(endings.size(), 3u);
  EXPECT_EQ(endings[2].name, "late");
}

TEST(RunServices, TheMultimediaServiceRefusesACommandWhileNoPlatformRuns) {
  MCI_OPEN_PARMS parms{};
  parms.lpstrElementName = "C.mid";
  const MCIERROR error =
      mciSendCommand(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_ELEMENT, reinterpret_cast<DWORD_PTR>(&parms));
  ASSERT_NE(error, 0u);
  char text[256];
  ASSERT_TRUE(mciGetErrorString(error, text, sizeof text));
  EXPECT_NE(std::string(text).find("platform was not running"), std::string::npos) << text;
}

}  // namespace
