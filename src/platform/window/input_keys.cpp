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

constexpr UINT kVkSeparator = 0x6C;
constexpr UINT kVkProcessKey = 0xE5;

constexpr KeyMapEntry kFunctionKeys[] = {
    {0xff08, VK_BACK},
    {0xff09, VK_TAB},
    {0xfe20, VK_TAB},  // ISO_Left_Tab
    {0xff0d, VK_RETURN},
    {0xff13, VK_PAUSE},
    {0xff14, VK_SCROLL},
    {0xff1b, VK_ESCAPE},
    {0xffff, VK_DELETE},
    {0xff50, VK_HOME},
    {0xff51, VK_LEFT},
    {0xff52, VK_UP},
    {0xff53, VK_RIGHT},
    {0xff54, VK_DOWN},
    {0xff55, VK_PRIOR},
    {0xff56, VK_NEXT},
    {0xff57, VK_END},
    {0xff60, VK_SELECT},
    {0xff62, VK_EXECUTE},
    {0xff63, VK_INSERT},
    {0xff67, VK_APPS},
    {0xff6a, VK_HELP},
    {0xff6b, VK_CANCEL},
    {0xff7f, VK_NUMLOCK},
    // keypad
    {0xff8d, VK_RETURN},
    {0xff95, VK_HOME},
    {0xff96, VK_LEFT},
    {0xff97, VK_UP},
    {0xff98, VK_RIGHT},
    {0xff99, VK_DOWN},
    {0xff9a, VK_PRIOR},
    {0xff9b, VK_NEXT},
    {0xff9c, VK_END},
    {0xff9d, 0x0C},
    {0xff9e, VK_INSERT},
    {0xff9f, VK_DELETE},
    {0xffaa, VK_MULTIPLY},
    {0xffab, VK_ADD},
    {0xffac, kVkSeparator},
    {0xffad, VK_SUBTRACT},
    {0xffae, VK_DECIMAL},
    {0xffaf, VK_DIVIDE},
    {0xff80, VK_SPACE},
    {0xff89, VK_TAB},
    // modifiers
    {0xffe1, VK_SHIFT},
    {0xffe2, VK_SHIFT},
    {0xffe3, VK_CONTROL},
    {0xffe4, VK_CONTROL},
    {0xffe5, VK_CAPITAL},
    {0xffe7, VK_MENU},
    {0xffe8, VK_MENU},
    {0xffe9, VK_MENU},
    {0xffea, VK_MENU},
    {0xffeb, VK_LWIN},
    {0xffec, VK_RWIN},
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
  if (keysym >= 0xffb0 && keysym <= 0xffb9) return VK_NUMPAD0 + (keysym - 0xffb0);  // KP_0..KP_9
  if (keysym >= 0xffbe && keysym <= 0xffd5) return VK_F1 + (keysym - 0xffbe);       // F1..F24
  for (const KeyMapEntry& e : kFunctionKeys) {
    if (e.keysym == keysym) return e.vk;
  }
  for (const KeyMapEntry& e : kPunctuation) {
    if (e.keysym == keysym) return e.vk;
  }
  // Dead keys and other modifiers the input method consumes produce no key message.
  if (keysym >= 0xfe00 && keysym <= 0xfeff) return 0;
  // Other printable keys (accented letters of national layouts, or keys the input method
  // composed) still deliver their characters.
  if ((keysym >= 0xa0 && keysym <= 0xff) || (keysym & 0xff000000) == 0x01000000) return kVkProcessKey;
  return 0;
}

}  // namespace window
