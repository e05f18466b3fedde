// SPDX-License-Identifier: GPL-3.0-or-later
// Showing, minimising, enabling and naming windows.

#include "platform/window.h"
#include "platform/window/window_core.h"

namespace window {
namespace {

void SendSize(HWND hwnd) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return;
  WPARAM kind = rec->iconic ? SIZE_MINIMIZED : rec->zoomed ? SIZE_MAXIMIZED : SIZE_RESTORED;
  SendMessage(hwnd, WM_SIZE, kind, MAKELPARAM(Width(rec->client), Height(rec->client)));
}

void SetNativeState(WindowRecord& rec) {
  if (!rec.IsTopLevel() || !rec.nativeCreated || (rec.style & WS_VISIBLE) == 0) return;
  backend::NativeShowState state = rec.iconic   ? backend::NativeShowState::Minimized
                                   : rec.zoomed ? backend::NativeShowState::Maximized
                                                : backend::NativeShowState::Normal;
  State().backend.SetNativeShowState(rec.handle, state);
}

// Makes the window visible (WM_SHOWWINDOW first) unless it already is.
void MakeVisible(HWND hwnd, bool activate) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) return;
  if ((rec->style & WS_VISIBLE) == 0) {
    SendMessage(hwnd, WM_SHOWWINDOW, TRUE, 0);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | (activate ? 0 : SWP_NOACTIVATE));
  } else if (activate && rec->IsTopLevel()) {
    Activate(hwnd, WA_ACTIVE, false);
  }
}

bool ActiveIsOwnedBy(HWND hwnd) {
  HWND active = GetActiveWindow();
  for (int guard = 0; guard < 64 && active != nullptr; ++guard) {
    if (active == hwnd) return true;
    WindowRecord* rec = Find(active);
    active = rec ? rec->owner : nullptr;
  }
  return false;
}

}  // namespace

void HideOwnedWindows(HWND owner) {
  std::vector<HWND> tops = TopLevels();
  for (HWND h : tops) {
    WindowRecord* rec = Find(h);
    if (rec == nullptr || rec->owner != owner || (rec->style & WS_VISIBLE) == 0) continue;
    rec->hiddenWithOwner = true;
    SendMessage(h, WM_SHOWWINDOW, FALSE, 0);
    SetWindowPos(h, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void ReshowOwnedWindows(HWND owner) {
  std::vector<HWND> tops = TopLevels();
  for (HWND h : tops) {
    WindowRecord* rec = Find(h);
    if (rec == nullptr || rec->owner != owner || !rec->hiddenWithOwner) continue;
    rec->hiddenWithOwner = false;
    SendMessage(h, WM_SHOWWINDOW, TRUE, 0);
    SetWindowPos(h, nullptr, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace window

using namespace window;

BOOL ShowWindow(HWND hwnd, int cmd) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const BOOL wasVisible = (rec->style & WS_VISIBLE) != 0 ? TRUE : FALSE;
  if (cmd == SW_SHOWDEFAULT) {
    STARTUPINFO si;
    GetStartupInfo(&si);
    cmd = (si.dwFlags & STARTF_USESHOWWINDOW) != 0 && si.wShowWindow != SW_SHOWDEFAULT ? si.wShowWindow
                                                                                       : SW_SHOWNORMAL;
  }
  const bool top = rec->IsTopLevel();
  switch (cmd) {
    case SW_HIDE:
      if (!wasVisible) return FALSE;
      SendMessage(hwnd, WM_SHOWWINDOW, FALSE, 0);
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      return wasVisible;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE: {
      if (!top) {
        MakeVisible(hwnd, false);
        return wasVisible;
      }
      const bool wasIconic = rec->iconic;
      rec->iconic = true;
      rec->zoomed = false;
      MakeVisible(hwnd, false);
      if ((rec = Find(hwnd)) == nullptr) return wasVisible;
      if (!wasIconic) {
        SetNativeState(*rec);
        HideOwnedWindows(hwnd);
        SendSize(hwnd);
      }
      if (cmd == SW_SHOWMINIMIZED) {
        Activate(hwnd, WA_ACTIVE, false);
      } else if (ActiveIsOwnedBy(hwnd)) {
        Activate(nullptr, WA_INACTIVE, false);
      }
      return wasVisible;
    }
    case SW_SHOWMAXIMIZED: {
      if (!top) {
        MakeVisible(hwnd, false);
        return wasVisible;
      }
      const bool was = rec->zoomed && !rec->iconic;
      const bool wasIconic = rec->iconic;
      rec->zoomed = true;
      rec->iconic = false;
      MakeVisible(hwnd, true);
      if ((rec = Find(hwnd)) == nullptr) return wasVisible;
      if (!was) {
        SetNativeState(*rec);
        if (wasIconic) ReshowOwnedWindows(hwnd);
        SendSize(hwnd);
      }
      return wasVisible;
    }
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOW:
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
    default: {
      const bool activate = top && (cmd == SW_SHOWNORMAL || cmd == SW_RESTORE || cmd == SW_SHOW);
      const bool restore = top && (cmd == SW_SHOWNORMAL || cmd == SW_RESTORE || cmd == SW_SHOWNOACTIVATE) &&
                           (rec->iconic || rec->zoomed);
      const bool wasIconic = rec->iconic;
      if (restore) {
        rec->iconic = false;
        rec->zoomed = false;
      }
      MakeVisible(hwnd, activate);
      if ((rec = Find(hwnd)) == nullptr) return wasVisible;
      if (restore) {
        SetNativeState(*rec);
        if (wasIconic) ReshowOwnedWindows(hwnd);
        SendSize(hwnd);
      }
      return wasVisible;
    }
  }
}

BOOL IsWindowVisible(HWND hwnd) {
  WindowRecord* rec = Find(hwnd);
  return rec != nullptr && Showing(*rec) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  WindowRecord* rec = Find(hwnd);
  return rec != nullptr && rec->iconic ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  WindowRecord* rec = Find(hwnd);
  return rec != nullptr && rec->zoomed ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  WindowRecord* rec = Find(hwnd);
  if (rec == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const bool wasDisabled = (rec->style & WS_DISABLED) != 0;
  if (enable && wasDisabled) {
    rec->style &= ~WS_DISABLED;
    rec->ncPaintNeeded = true;
    SendMessage(hwnd, WM_ENABLE, TRUE, 0);
  } else if (!enable && !wasDisabled) {
    rec->style |= WS_DISABLED;
    rec->ncPaintNeeded = true;
    // A disabled window ends whatever mouse operation it was in and gives up the keyboard.
    SendMessage(hwnd, WM_CANCELMODE, 0, 0);
    HWND capture = GetCapture();
    if (capture == hwnd || IsChild(hwnd, capture)) ReleaseCapture();
    HWND focus = GetFocus();
    if (focus == hwnd || IsChild(hwnd, focus)) SetFocus(nullptr);
    if (Find(hwnd) != nullptr) SendMessage(hwnd, WM_ENABLE, FALSE, 0);
  }
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  WindowRecord* rec = Find(hwnd);
  return rec != nullptr && (rec->style & WS_DISABLED) == 0 ? TRUE : FALSE;
}

BOOL SetWindowText(HWND hwnd, const char* text) {
  if (Find(hwnd) == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) != 0 ? TRUE : FALSE;
}

int GetWindowText(HWND hwnd, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  if (Find(hwnd) == nullptr) return 0;
  return static_cast<int>(
      SendMessage(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLength(HWND hwnd) {
  if (Find(hwnd) == nullptr) return 0;
  return static_cast<int>(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL ShowOwnedPopups(HWND owner, BOOL show) {
  if (Find(owner) == nullptr) return FALSE;
  if (show) {
    ReshowOwnedWindows(owner);
  } else {
    HideOwnedWindows(owner);
  }
  return TRUE;
}

BOOL SetForegroundWindow(HWND hwnd) {
  HWND top = TopLevelOf(hwnd);
  if (top == nullptr) return FALSE;
  Activate(top, WA_ACTIVE, false);
  return TRUE;
}

HWND GetDesktopWindow() { return DesktopHandle(); }
