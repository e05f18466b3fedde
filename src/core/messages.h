// SPDX-License-Identifier: GPL-3.0-or-later
// The component layer's own messages and the message record its handlers receive.
//
// Platform messages are reflected to the control they concern (CN_*: a WM_COMMAND from a child's
// window becomes CN_COMMAND at that child) and the component layer talks to itself with CM_*
// messages (focus changes, dialog keys, font and colour inheritance, mouse enter and leave).
#pragma once

#include "base/types.h"

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

inline constexpr UINT CM_BASE = 0xB000;
inline constexpr UINT CM_ACTIVATE = CM_BASE + 0;
inline constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
inline constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 4;
inline constexpr UINT CM_COLORCHANGED = CM_BASE + 5;
inline constexpr UINT CM_FONTCHANGED = CM_BASE + 6;
inline constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 8;
inline constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 9;
inline constexpr UINT CM_CTL3DCHANGED = CM_BASE + 15;
inline constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 16;
inline constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
inline constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
inline constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
inline constexpr UINT CM_VISIBLECHANGED = CM_BASE + 22;
inline constexpr UINT CM_DIALOGKEY = CM_BASE + 23;
inline constexpr UINT CM_DIALOGCHAR = CM_BASE + 24;
inline constexpr UINT CM_FOCUSCHANGED = CM_BASE + 25;
inline constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 28;
inline constexpr UINT CM_ENTER = CM_BASE + 29;
inline constexpr UINT CM_EXIT = CM_BASE + 30;
inline constexpr UINT CM_CHILDKEY = CM_BASE + 36;
inline constexpr UINT CM_CONTROLCHANGE = CM_BASE + 38;
inline constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 50;
inline constexpr UINT CM_CANCELMODE = CM_BASE + 52;  // lParam: the control that caused it
inline constexpr UINT CM_CHANGED = CM_BASE + 55;
inline constexpr UINT CM_RELEASE = CM_BASE + 33;

inline constexpr UINT CN_BASE = 0xBC00;
inline constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
inline constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
inline constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
inline constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
inline constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
inline constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
inline constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
inline constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
inline constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
