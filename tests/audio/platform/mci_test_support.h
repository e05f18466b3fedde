// SPDX-License-Identifier: GPL-3.0-or-later
// The headless display with a window that records the multimedia service's notifications, and
// short helpers for the commands the tests send.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/headless/headless_driver.h"
#include "platform/mci.h"
#include "platform/window.h"
#include "support/headless_fixture.h"

using namespace mci;

namespace mci_test {

struct Notification {
  WPARAM code;
  LPARAM deviceId;
  HWND window;
};

inline std::vector<Notification>& Received() {
  static std::vector<Notification> received;
  return received;
}

inline LRESULT RecordNotifications(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == MM_MCINOTIFY) {
    Received().push_back({wParam, lParam, hwnd});
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

inline std::string ErrorText(MCIERROR code) {
  char buffer[4096];
  if (!mciGetErrorString(code, buffer, sizeof buffer)) return "<no text>";
  return buffer;
}

class MciSession : public HeadlessFixture {
 protected:
  void SetUp() override {
    unsetenv("TESSIVO_AUDIO");
    unsetenv("TESSIVO_SOUNDFONT");
    HeadlessFixture::SetUp();
    WNDCLASS wc{};
    wc.lpfnWndProc = &RecordNotifications;
    wc.lpszClassName = "MciTestListener";
    RegisterClass(&wc);
    m_window =
        CreateWindowEx(0, "MciTestListener", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(m_window, nullptr);
    Received().clear();
  }
  void TearDown() override {
    // Devices go before the display: an offline output listens to its clock.
    ShutdownMci();
    HeadlessFixture::TearDown();
    unsetenv("TESSIVO_AUDIO");
    unsetenv("TESSIVO_SOUNDFONT");
  }

  DWORD_PTR Callback() const { return reinterpret_cast<DWORD_PTR>(m_window); }

  MCIERROR Open(const std::string& name, MCIDEVICEID* id, DWORD flags = MCI_WAIT | MCI_OPEN_ELEMENT,
                const char* type = nullptr) {
    MCI_OPEN_PARMS parms{};
    parms.dwCallback = Callback();
    parms.lpstrElementName = name.c_str();
    parms.lpstrDeviceType = type;
    const MCIERROR error = mciSendCommand(0, MCI_OPEN, flags, reinterpret_cast<DWORD_PTR>(&parms));
    *id = parms.wDeviceID;
    return error;
  }
  MCIDEVICEID OpenOrFail(const std::string& name) {
    MCIDEVICEID id = 0;
    const MCIERROR error = Open(name, &id);
    EXPECT_EQ(error, 0u) << ErrorText(error);
    return id;
  }
  DWORD_PTR Status(MCIDEVICEID id, DWORD item, MCIERROR* error = nullptr) {
    MCI_STATUS_PARMS parms{};
    parms.dwItem = item;
    const MCIERROR e =
        mciSendCommand(id, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&parms));
    if (error != nullptr) *error = e;
    EXPECT_TRUE(error != nullptr || e == 0) << ErrorText(e);
    return parms.dwReturn;
  }
  MCIERROR Play(MCIDEVICEID id, DWORD flags = MCI_NOTIFY, DWORD from = 0, DWORD to = 0) {
    MCI_PLAY_PARMS parms{};
    parms.dwCallback = Callback();
    parms.dwFrom = from;
    parms.dwTo = to;
    return mciSendCommand(id, MCI_PLAY, flags, reinterpret_cast<DWORD_PTR>(&parms));
  }
  MCIERROR Command(MCIDEVICEID id, UINT command, DWORD flags = MCI_WAIT) {
    MCI_GENERIC_PARMS parms{};
    parms.dwCallback = Callback();
    return mciSendCommand(id, command, flags, reinterpret_cast<DWORD_PTR>(&parms));
  }
  std::size_t RenderedFrames(MCIDEVICEID id) {
    OfflineAudio audio;
    return GetOfflineAudio(id, &audio) ? audio.samples.size() / 2 : 0;
  }
  std::vector<WPARAM> Codes() const {
    std::vector<WPARAM> codes;
    for (const auto& n : Received()) codes.push_back(n.code);
    return codes;
  }

  HWND m_window = nullptr;
};

}  // namespace mci_test
