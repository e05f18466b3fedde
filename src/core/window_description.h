// SPDX-License-Identifier: GPL-3.0-or-later
// The window description: how the main window and its controls are written down in the program's
// resources, and the reader that builds them.
//
// The text (cp1252 once compiled; UTF-8 in resources/*.form) is line-oriented:
//
//   # a comment
//   window TForm1 Form1          the window: its class and name
//     Left 188                   a property: name, then value
//     Caption "Tessivo - Versão 1.0"
//     Font.Height -11            dotted names reach into a property (the font)
//     OnCreate FormCreate        events name a handler of the window
//   control TLabel Label1        each control: class and name; owner and parent are the window
//     Caption "Lumarest"
//     VisibleButtons {btPlay}    a set: identifiers in braces
//     Items [                    a list of texts, one or more per line, closed by ]
//       "Dó Maior - Nenhuma Alteração"
//     ]
//
// Values are integers, "texts" (with \" \\ \n escapes), identifiers (true, false, clBtnFace,
// bsDialog ...), sets and lists. Properties apply in the order they are written, so a property's
// setter sees exactly the state the description built up to that line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/component.h"

struct TDescValue {
  enum class Kind { Integer, Text, Identifier, Set, List };
  Kind kind = Kind::Integer;
  std::int64_t integer = 0;
  std::string text;                // Text or Identifier
  std::vector<std::string> items;  // Set members or List texts
};

struct TDescProperty {
  std::string name;
  TDescValue value;
  int line = 0;
};

struct TDescObject {
  std::string className;
  std::string name;
  int line = 0;
  std::vector<TDescProperty> properties;
};

struct TDescription {
  TDescObject window;
  std::vector<TDescObject> controls;
};

// Parses a description; malformed text raises EReadError ("Error reading %s%s%s: %s") naming the
// resource and the line.
TDescription ParseWindowDescription(std::string_view text, std::string_view resourceName);

// Typed access to a property value for the components' ReadProperty; a value of the wrong kind
// raises EReadError's detail "Invalid property value".
int DescInteger(const TDescValue& value);
std::string DescText(const TDescValue& value);
std::string DescIdentifier(const TDescValue& value);
bool DescBoolean(const TDescValue& value);
const std::vector<std::string>& DescSet(const TDescValue& value);
const std::vector<std::string>& DescList(const TDescValue& value);

// Thrown by ReadProperty implementations for a value they cannot take; the reader turns it into
// EReadError naming the component and the property.
struct TPropertyError {
  std::string detail;
};
[[noreturn]] void InvalidPropertyValue();

// An enumeration value named by its identifier: `names` lists the identifiers in the enumeration's
// order ("bsNone", "bsSingle", ...); any other identifier is an invalid property value.
template <typename E, std::size_t N>
E DescEnum(const TDescValue& value, const char* const (&names)[N]) {
  const std::string id = DescIdentifier(value);
  for (std::size_t i = 0; i < N; ++i) {
    if (id == names[i]) return static_cast<E>(i);
  }
  InvalidPropertyValue();
}

// Classes the reader can create, by name.
using TComponentFactory = std::function<TComponent*(TComponent* owner)>;
void RegisterComponentClass(const std::string& className, TComponentFactory factory);

// Reads the description `resourceName` (RT_RCDATA) into `root`, whose class name must match the
// window's. `className` names the class in the "not found" message. In order: the window's
// properties, then each control (created with the root as owner and parent, named, handed to
// root->ReadField, its properties applied), then root->ReadStateEnd(), then Loaded() on the root
// and on every control in reading order. Raises EResNotFound("Resource %s not found") when the
// resource is missing and EReadError when it cannot be read.
void ReadWindowResource(TComponent* root, std::string_view resourceName, std::string_view className);
// The same from a text already at hand (tests).
void ReadWindowText(TComponent* root, std::string_view text, std::string_view resourceName);
