// SPDX-License-Identifier: GPL-3.0-or-later
// X keysyms to virtual-key codes.
//
// Keysyms are what the X server reports for a key in the current shift level, so the shifted
// punctuation of the usual layouts maps back to the key that carries it ('!' is the 1 key).
#include "platform/window/window_core.h"

namespace window {
namespace {

struct KeyMapEntry {
  std::uint32_t keysym;
  UINT vk;
};

namespace keys = backend::keys;

constexpr KeyMapEntry kFunctionKeys[] = {
    {keys::kBackSpace, VK_BACK},
    {keys::kTab, VK_TAB},
    {keys::kIsoLeftTab, VK_TAB},
    {keys::kReturn, VK_RETURN},
    {keys::kPause, VK_PAUSE},
    {keys::kScrollLock, VK_SCROLL},
    {keys::kEscape, VK_ESCAPE},
    {keys::kDelete, VK_DELETE},
    {keys::kHome, VK_HOME},
    {keys::kLeft, VK_LEFT},
    {keys::kUp, VK_UP},
    {keys::kRight, VK_RIGHT},
    {keys::kDown, VK_DOWN},
    {keys::kPageUp, VK_PRIOR},
    {keys::kPageDown, VK_NEXT},
    {keys::kEnd, VK_END},
    {keys::kSelect, VK_SELECT},
    {keys::kExecute, VK_EXECUTE},
    {keys::kInsert, VK_INSERT},
    {keys::kMenu, VK_APPS},
    {keys::kHelp, VK_HELP},
    {keys::kBreak, VK_CANCEL},
    {keys::kNumLock, VK_NUMLOCK},
    // keypad
    {keys::kKeypadEnter, VK_RETURN},
    {keys::kKeypadHome, VK_HOME},
    {keys::kKeypadLeft, VK_LEFT},
    {keys::kKeypadUp, VK_UP},
    {keys::kKeypadRight, VK_RIGHT},
    {keys::kKeypadDown, VK_DOWN},
    {keys::kKeypadPageUp, VK_PRIOR},
    {keys::kKeypadPageDown, VK_NEXT},
    {keys::kKeypadEnd, VK_END},
    {keys::kKeypadBegin, VK_CLEAR},
    {keys::kKeypadInsert, VK_INSERT},
    {keys::kKeypadDelete, VK_DELETE},
    {keys::kKeypadMultiply, VK_MULTIPLY},
    {keys::kKeypadAdd, VK_ADD},
    {keys::kKeypadSeparator, VK_SEPARATOR},
    {keys::kKeypadSubtract, VK_SUBTRACT},
    {keys::kKeypadDecimal, VK_DECIMAL},
    {keys::kKeypadDivide, VK_DIVIDE},
    {keys::kKeypadSpace, VK_SPACE},
    {keys::kKeypadTab, VK_TAB},
    // modifiers
    {keys::kShiftL, VK_SHIFT},
    {keys::kShiftR, VK_SHIFT},
    {keys::kControlL, VK_CONTROL},
    {keys::kControlR, VK_CONTROL},
    {keys::kCapsLock, VK_CAPITAL},
    {keys::kMetaL, VK_MENU},
    {keys::kMetaR, VK_MENU},
    {keys::kAltL, VK_MENU},
    {keys::kAltR, VK_MENU},
    {keys::kSuperL, VK_LWIN},
    {keys::kSuperR, VK_RWIN},
};

constexpr KeyMapEntry kPunctuation[] = {
    {' ', VK_SPACE},      {'!', '1'},          {'@', '2'},          {'#', '3'},          {'$', '4'},
    {'%', '5'},           {'^', '6'},          {'&', '7'},          {'*', '8'},          {'(', '9'},
    {')', '0'},           {';', VK_OEM_1},     {':', VK_OEM_1},     {'=', VK_OEM_PLUS},  {'+', VK_OEM_PLUS},
    {',', VK_OEM_COMMA},  {'<', VK_OEM_COMMA}, {'-', VK_OEM_MINUS}, {'_', VK_OEM_MINUS}, {'.', VK_OEM_PERIOD},
    {'>', VK_OEM_PERIOD}, {'/', VK_OEM_2},     {'?', VK_OEM_2},     {'`', VK_OEM_3},     {'~', VK_OEM_3},
    {'[', VK_OEM_4},      {'{', VK_OEM_4},     {'\\', VK_OEM_5},    {'|', VK_OEM_5},     {']', VK_OEM_6},
    {'}', VK_OEM_6},      {'\'', VK_OEM_7},    {'"', VK_OEM_7},
};

}  // namespace

UINT KeysymToVk(std::uint32_t keysym) {
  if (keysym >= 'a' && keysym <= 'z') return keysym - 'a' + 'A';
  if (keysym >= 'A' && keysym <= 'Z') return keysym;
  if (keysym >= '0' && keysym <= '9') return keysym;
  if (keysym >= keys::kKeypad0 && keysym <= keys::kKeypad9) return VK_NUMPAD0 + (keysym - keys::kKeypad0);
  if (keysym >= keys::kF1 && keysym <= keys::kF24) return VK_F1 + (keysym - keys::kF1);
  for (const KeyMapEntry& e : kFunctionKeys) {
    if (e.keysym == keysym) return e.vk;
  }
  for (const KeyMapEntry& e : kPunctuation) {
    if (e.keysym == keysym) return e.vk;
  }
  // Dead keys and other modifiers the input method consumes produce no key message.
  if (keysym >= keys::kFirstInputMethodKey && keysym <= keys::kLastInputMethodKey) return 0;
  // Other printable keys (accented letters of national layouts, or keys the input method
  // composed) still deliver their characters.
  if ((keysym >= keys::kFirstLatin1 && keysym <= keys::kLastLatin1) ||
      (keysym & ~keys::kUnicodeMask) == keys::kUnicodeBit) {
    return VK_PROCESSKEY;
  }
  return 0;
}

}  // namespace window
