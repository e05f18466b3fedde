// SPDX-License-Identifier: GPL-3.0-or-later
// The platform's "COMBOBOX" window class, drop-down style: an edit field child with a button at its
// right end and a list that drops down in a frameless pop-up. The component layer's key selector
// wraps it; these are the messages it sends and the notifications it gets back (WM_COMMAND to the
// parent, the notification code in the high word of wParam and the combo box in lParam).
//
// What callers rely on:
// - CB_SETCURSEL puts the item's text into the field (-1 empties it) and reports nothing;
//   WM_SETTEXT changes the field only and reports nothing.
// - A change of the current item by the user (list click, arrow keys in the open list or the
//   closed field) is reported with CBN_SELCHANGE; a change of the field's text by the user with
//   CBN_EDITCHANGE (CBN_EDITUPDATE just before it).
// - CB_FINDSTRING finds the first item that begins with the text, CB_FINDSTRINGEXACT the first
//   item equal to it, both after the start index (-1: from the top), wrapping, ignoring case with
//   cp1252's accented letters folded too ("É" finds "é"; accents still count: "Do" is not "Dó").
// - CB_GETITEMHEIGHT with 0 gives a list row's height: the font's text height. A closed drop-down
//   combo box is the text height + 8 pixels high whatever height it was given.
// - A taller height given to the combo box (CreateWindowEx, SetWindowPos) is its height while
//   open: the list below the field gets that height less the closed height (15 rows of 13 and a
//   2-pixel border: 185 x 218 gives a 185 x 197 list). The list opens after CBN_DROPDOWN, so the
//   parent may size it there; SWP_HIDEWINDOW and SWP_SHOWWINDOW sent meanwhile are ignored.
// - A choice with the mouse reports CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP, the list already
//   closed; Enter closes with CBN_SELENDOK, CBN_CLOSEUP, and so do F4 and Alt+Up, except after
//   the pointer moved over a row: that row is then the choice, reported as a mouse choice is;
//   Escape, a press outside the list, the loss of the focus and WM_CANCELMODE with
//   CBN_SELENDCANCEL, CBN_CLOSEUP; CB_SHOWDROPDOWN with 0 with CBN_CLOSEUP alone. A hand edit of
//   the field leaves no item current.
// - The edit field is the combo box's first child (GetWindow with GW_CHILD); it may be hooked with
//   SetWindowSubclass, or subclassed with SetWindowLongPtr(GWL_WNDPROC) and CallWindowProc. It
//   asks its parent, the combo box, for its colours with WM_CTLCOLOREDIT (the list with
//   WM_CTLCOLORLISTBOX); the combo box passes these on to its own parent. WM_SETTEXT,
//   WM_GETTEXT, WM_GETTEXTLENGTH, WM_CUT, WM_COPY, WM_PASTE and WM_CLEAR sent to the combo box
//   address the field.
// - CB_LIMITTEXT with 0 allows the platform's maximum, 30,000 characters; a longer paste is cut.
//   Pasted characters that cp1252 cannot hold arrive as "?".
#pragma once

#include "base/types.h"

inline constexpr char kComboBoxClass[] = "COMBOBOX";

// Styles
inline constexpr DWORD CBS_SIMPLE = 0x0001;
inline constexpr DWORD CBS_DROPDOWN = 0x0002;
inline constexpr DWORD CBS_DROPDOWNLIST = 0x0003;
inline constexpr DWORD CBS_OWNERDRAWFIXED = 0x0010;
inline constexpr DWORD CBS_OWNERDRAWVARIABLE = 0x0020;
inline constexpr DWORD CBS_AUTOHSCROLL = 0x0040;
inline constexpr DWORD CBS_SORT = 0x0100;
inline constexpr DWORD CBS_HASSTRINGS = 0x0200;
inline constexpr DWORD CBS_UPPERCASE = 0x2000;
inline constexpr DWORD CBS_LOWERCASE = 0x4000;

// Messages
inline constexpr UINT CB_GETEDITSEL = 0x0140;
inline constexpr UINT CB_LIMITTEXT = 0x0141;
inline constexpr UINT CB_SETEDITSEL = 0x0142;
inline constexpr UINT CB_ADDSTRING = 0x0143;
inline constexpr UINT CB_DELETESTRING = 0x0144;
inline constexpr UINT CB_GETCOUNT = 0x0146;
inline constexpr UINT CB_GETCURSEL = 0x0147;
inline constexpr UINT CB_GETLBTEXT = 0x0148;
inline constexpr UINT CB_GETLBTEXTLEN = 0x0149;
inline constexpr UINT CB_INSERTSTRING = 0x014A;
inline constexpr UINT CB_RESETCONTENT = 0x014B;
inline constexpr UINT CB_FINDSTRING = 0x014C;
inline constexpr UINT CB_SELECTSTRING = 0x014D;
inline constexpr UINT CB_SETCURSEL = 0x014E;
inline constexpr UINT CB_SHOWDROPDOWN = 0x014F;
inline constexpr UINT CB_GETITEMDATA = 0x0150;
inline constexpr UINT CB_SETITEMDATA = 0x0151;
inline constexpr UINT CB_GETDROPPEDCONTROLRECT = 0x0152;
inline constexpr UINT CB_SETITEMHEIGHT = 0x0153;
inline constexpr UINT CB_GETITEMHEIGHT = 0x0154;
inline constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
inline constexpr UINT CB_FINDSTRINGEXACT = 0x0158;
inline constexpr UINT CB_GETTOPINDEX = 0x015B;

// Results
inline constexpr LRESULT CB_OKAY = 0;
inline constexpr LRESULT CB_ERR = -1;
inline constexpr LRESULT CB_ERRSPACE = -2;

// Notifications (WM_COMMAND to the parent)
inline constexpr int CBN_ERRSPACE = -1;
inline constexpr int CBN_SELCHANGE = 1;
inline constexpr int CBN_DBLCLK = 2;
inline constexpr int CBN_SETFOCUS = 3;
inline constexpr int CBN_KILLFOCUS = 4;
inline constexpr int CBN_EDITCHANGE = 5;
inline constexpr int CBN_EDITUPDATE = 6;
inline constexpr int CBN_DROPDOWN = 7;
inline constexpr int CBN_CLOSEUP = 8;
inline constexpr int CBN_SELENDOK = 9;
inline constexpr int CBN_SELENDCANCEL = 10;

// The edit field child
inline constexpr UINT EM_GETSEL = 0x00B0;
inline constexpr UINT EM_SETSEL = 0x00B1;
inline constexpr UINT EM_REPLACESEL = 0x00C2;
inline constexpr UINT EM_LIMITTEXT = 0x00C5;
inline constexpr UINT EM_SETMARGINS = 0x00D3;
inline constexpr UINT EM_GETMARGINS = 0x00D4;
inline constexpr WPARAM EC_LEFTMARGIN = 0x0001;
inline constexpr WPARAM EC_RIGHTMARGIN = 0x0002;
inline constexpr WPARAM EC_USEFONTINFO = 0xFFFF;
