// SPDX-License-Identifier: GPL-3.0-or-later
// The program's module: its file name, its compiled-in resources and the icons.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "base/types.h"

// Resource kinds, as numbers.
inline constexpr std::uintptr_t RT_BITMAP = 2;
inline constexpr std::uintptr_t RT_ICON = 3;
inline constexpr std::uintptr_t RT_STRING = 6;
inline constexpr std::uintptr_t RT_RCDATA = 10;
inline constexpr std::uintptr_t RT_GROUP_ICON = 14;

// One compiled-in resource. Names are upper case; string-table entries are looked up by number.
// Data by kind (as tools/resource_compiler writes it):
//   RT_BITMAP  a Windows bitmap file (.bmp)
//   RT_ICON    one or more images back to back, each width (u32 LE), height (u32 LE), then
//              width * height pixels 0xAARRGGBB (u32 LE), rows top-down; alpha 0 is transparent.
//              The first is the image the program draws; LoadIcon offers the others to the desktop
//              with it (the window's icon property)
//   RT_STRING  cp1252 text, no terminator
//   RT_RCDATA  a window description, cp1252
struct ResourceEntry {
  std::uintptr_t kind = 0;
  std::string_view name;  // empty for string-table entries
  std::uint32_t id = 0;   // the string's number for RT_STRING
  std::span<const std::uint8_t> data;
};

// A resource set is what a build compiled in; tests can swap it to check the paths for a missing
// or unreadable resource.
struct ResourceSet {
  std::span<const ResourceEntry> entries;
};

// Installs the set that FindResource and LoadString search (the program installs its generated set
// at start; nothing is found before).
void SetModuleResources(const ResourceSet* resources);

// The generated set of the program's own resources (tools/resource_compiler; library
// tessivo_resources).
const ResourceSet* TessivoResources();

HMODULE GetModuleHandle(const char* name);  // nullptr: the program itself
// Full path of the program file (/proc/self/exe), cp1252; truncated to size - 1 characters.
DWORD GetModuleFileName(HMODULE module, char* buffer, DWORD size);

// The resource's bytes, or an empty span when there is no such resource.
std::span<const std::uint8_t> FindResourceData(HMODULE module, std::string_view name, std::uintptr_t kind);
// Copies string `id` of the string table (cp1252) into buffer; returns its length, 0 if missing.
int LoadString(HINSTANCE instance, UINT id, char* buffer, int size);
// Loads a BITMAP resource stored as a Windows .bmp file (1, 4, 8, 24 or 32 bits per pixel).
HBITMAP LoadBitmap(HINSTANCE instance, const char* name);

// ---- Icons ---------------------------------------------------------------------------------
HICON LoadIcon(HINSTANCE instance, const char* name);  // by resource name; by number: LoadIconById
// A standard icon (IDI_APPLICATION, IDI_HAND) when `instance` is nullptr.
HICON LoadIconById(HINSTANCE instance, std::uintptr_t id);
BOOL DestroyIcon(HICON icon);

// The code page is single-byte: no byte is a lead byte.
inline BOOL IsDBCSLeadByte(BYTE) { return FALSE; }
