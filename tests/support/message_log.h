// SPDX-License-Identifier: GPL-3.0-or-later
// Recording the messages windows receive: a log any window procedure can add to, a window class
// whose windows record every message they get (with hooks to act inside the window procedure),
// and a headless fixture that registers that class and empties the log around each test.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/window.h"
#include "support/headless_fixture.h"

namespace testwin {

struct Logged {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// Messages that matter to the tests; the others (hit tests, cursor queries ...) are not logged.
inline bool Interesting(UINT msg) {
  switch (msg) {
    case WM_NCHITTEST:
    case WM_SETCURSOR:
    case WM_MOUSEACTIVATE:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_WINDOWPOSCHANGING:
    case WM_GETICON:
      return false;
    default:
      return true;
  }
}

struct Log {
  std::vector<Logged> entries;
  // Per-message handler: return true when it handled the message (result in *result).
  std::map<UINT, std::function<bool(HWND, WPARAM, LPARAM, LRESULT*)>> handlers;
  void Add(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    entries.push_back({hwnd, msg, wParam, lParam});
  }
  void Clear() { entries.clear(); }
  std::vector<UINT> Messages(HWND only = nullptr) const {
    std::vector<UINT> out;
    for (const auto& e : entries) {
      if (only == nullptr || e.hwnd == only) out.push_back(e.msg);
    }
    return out;
  }
  std::vector<Logged> Of(UINT msg) const {
    std::vector<Logged> out;
    for (const auto& e : entries) {
      if (e.msg == msg) out.push_back(e);
    }
    return out;
  }
  int Count(UINT msg, HWND only = nullptr) const {
    int n = 0;
    for (const auto& e : entries) n += e.msg == msg && (only == nullptr || e.hwnd == only);
    return n;
  }
};

inline Log& TheLog() {
  static Log log;
  return log;
}

inline LRESULT LoggingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (Interesting(msg)) TheLog().Add(hwnd, msg, wParam, lParam);
  auto it = TheLog().handlers.find(msg);
  if (it != TheLog().handlers.end()) {
    LRESULT result = 0;
    if (it->second(hwnd, wParam, lParam, &result)) return result;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

// Registers the logging classes once per process: "LogWindow" (double clicks on) and
// "LogPlain" (no double clicks), both with a white background brush.
inline void RegisterClasses() {
  TheLog() = Log{};
  WNDCLASS wc;
  if (!GetClassInfo(nullptr, "LogWindow", &wc)) {
    wc = WNDCLASS{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = LoggingProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_WINDOW + 1));
    wc.lpszClassName = "LogWindow";
    RegisterClass(&wc);
    wc.style = 0;
    wc.lpszClassName = "LogPlain";
    RegisterClass(&wc);
  }
}

inline HWND TopLevel(int x, int y, int w, int h, const char* title = "Top",
                     DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, HWND owner = nullptr) {
  return CreateWindowEx(0, "LogWindow", title, style, x, y, w, h, owner, nullptr, nullptr, nullptr);
}

inline HWND Child(HWND parent, int x, int y, int w, int h, DWORD style = WS_VISIBLE, DWORD exStyle = 0,
                  const char* cls = "LogWindow", int id = 0) {
  return CreateWindowEx(exStyle, cls, "", WS_CHILD | style, x, y, w, h, parent,
                        reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
}

// A test on the headless display with the logging classes registered and an empty log.
class LoggingFixture : public HeadlessFixture {
 protected:
  void SetUp() override {
    HeadlessFixture::SetUp();
    RegisterClasses();
  }
  void TearDown() override {
    TheLog() = Log{};
    HeadlessFixture::TearDown();
  }
};

}  // namespace testwin
