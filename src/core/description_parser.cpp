// SPDX-License-Identifier: GPL-3.0-or-later
// The window description's parser: text to a tree of classes, names and property values. It knows
// nothing of components, so it can be checked on any byte string on its own (fuzz/).
#include <cctype>

#include "core/exceptions.h"
#include "core/window_description.h"

namespace {

constexpr const char* kReadError = "Error reading %s%s%s: %s";
constexpr std::size_t kMaxListItems = 65536;

[[noreturn]] void SyntaxError(std::string_view resource, int line, const std::string& detail) {
  RaiseFmt<EReadError>(kReadError, std::string(resource), "", "",
                       "line " + std::to_string(line) + ": " + detail);
}

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }

// A cursor over the description text that knows its line.
class Scanner {
 public:
  Scanner(std::string_view text, std::string_view resource) : m_text(text), m_resource(resource) {}

  int Line() const { return m_line; }
  bool AtEnd() const { return m_pos >= m_text.size(); }

  // Skips blanks (and, when `lines` is set, line breaks and comment lines).
  void SkipBlanks(bool lines) {
    while (m_pos < m_text.size()) {
      char c = m_text[m_pos];
      if (c == ' ' || c == '\t' || c == '\r') {
        ++m_pos;
      } else if (c == '#' && (lines || AtLineStart())) {
        while (m_pos < m_text.size() && m_text[m_pos] != '\n') ++m_pos;
      } else if (c == '\n' && lines) {
        ++m_pos;
        ++m_line;
      } else {
        break;
      }
    }
  }

  bool AtLineEnd() {
    SkipBlanks(false);
    return AtEnd() || m_text[m_pos] == '\n' || m_text[m_pos] == '#';
  }

  void EndLine() {
    if (!AtLineEnd()) Error("unexpected text after the value");
  }

  char Peek() const { return AtEnd() ? '\0' : m_text[m_pos]; }

  std::string Identifier() {
    SkipBlanks(false);
    if (AtEnd() || !IsIdentStart(m_text[m_pos])) Error("a name was expected");
    std::size_t start = m_pos;
    while (m_pos < m_text.size() && IsIdentChar(m_text[m_pos])) ++m_pos;
    return std::string(m_text.substr(start, m_pos - start));
  }

  TDescValue Value() {
    SkipBlanks(false);
    if (AtEnd() || Peek() == '\n') Error("a value was expected");
    TDescValue v;
    char c = Peek();
    if (c == '"') {
      v.kind = TDescValue::Kind::Text;
      v.text = Text();
    } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
      v.kind = TDescValue::Kind::Integer;
      v.integer = Integer();
    } else if (IsIdentStart(c)) {
      v.kind = TDescValue::Kind::Identifier;
      v.text = Identifier();
    } else if (c == '{') {
      v.kind = TDescValue::Kind::Set;
      ++m_pos;
      for (;;) {
        SkipBlanks(false);
        if (Peek() == '}') {
          ++m_pos;
          break;
        }
        if (Peek() == ',') {
          ++m_pos;
          continue;
        }
        if (AtEnd() || Peek() == '\n') Error("unterminated set");
        v.items.push_back(Identifier());
      }
    } else if (c == '[') {
      v.kind = TDescValue::Kind::List;
      ++m_pos;
      for (;;) {
        SkipBlanks(true);
        if (AtEnd()) Error("unterminated list");
        if (Peek() == ']') {
          ++m_pos;
          break;
        }
        if (Peek() != '"') Error("a text was expected in the list");
        if (v.items.size() >= kMaxListItems) Error("too many texts in the list");
        v.items.push_back(Text());
      }
    } else {
      Error(std::string("unexpected character '") + c + "'");
    }
    return v;
  }

  [[noreturn]] void Error(const std::string& detail) const { SyntaxError(m_resource, m_line, detail); }

 private:
  bool AtLineStart() const {
    std::size_t p = m_pos;
    while (p > 0 && (m_text[p - 1] == ' ' || m_text[p - 1] == '\t')) --p;
    return p == 0 || m_text[p - 1] == '\n';
  }

  std::string Text() {
    ++m_pos;  // opening quote
    std::string out;
    for (;;) {
      if (AtEnd() || m_text[m_pos] == '\n') Error("unterminated text");
      char c = m_text[m_pos++];
      if (c == '"') break;
      if (c == '\\') {
        if (AtEnd()) Error("unterminated text");
        char e = m_text[m_pos++];
        switch (e) {
          case '"':
            out += '"';
            break;
          case '\\':
            out += '\\';
            break;
          case 'n':
            out += '\n';
            break;
          case 't':
            out += '\t';
            break;
          default:
            Error(std::string("unknown escape \\") + e);
        }
      } else {
        out += c;
      }
    }
    return out;
  }

  std::int64_t Integer() {
    bool negative = false;
    if (Peek() == '-') {
      negative = true;
      ++m_pos;
    }
    if (!std::isdigit(static_cast<unsigned char>(Peek()))) Error("a number was expected");
    std::int64_t value = 0;
    while (std::isdigit(static_cast<unsigned char>(Peek()))) {
      value = value * 10 + (m_text[m_pos++] - '0');
      if (value > 0x7FFFFFFF) Error("number out of range");
    }
    return negative ? -value : value;
  }

  std::string_view m_text;
  std::string_view m_resource;
  std::size_t m_pos = 0;
  int m_line = 1;
};

}  // namespace

TDescription ParseWindowDescription(std::string_view text, std::string_view resourceName) {
  Scanner s(text, resourceName);
  TDescription d;
  TDescObject* current = nullptr;
  for (;;) {
    s.SkipBlanks(true);
    if (s.AtEnd()) break;
    int line = s.Line();
    std::string word = s.Identifier();
    if (word == "window" || word == "control") {
      if (word == "window" && current) s.Error("a second window");
      if (word == "control" && !current) s.Error("a control before the window");
      TDescObject object;
      object.line = line;
      object.className = s.Identifier();
      object.name = s.Identifier();
      s.EndLine();
      if (word == "window") {
        d.window = std::move(object);
        current = &d.window;
      } else {
        d.controls.push_back(std::move(object));
        current = &d.controls.back();
      }
      continue;
    }
    if (!current) s.Error("a property before the window");
    TDescProperty prop;
    prop.line = line;
    prop.name = std::move(word);
    prop.value = s.Value();
    s.EndLine();
    current->properties.push_back(std::move(prop));
  }
  if (!current) SyntaxError(resourceName, 1, "no window in the description");
  return d;
}

int DescInteger(const TDescValue& v) {
  if (v.kind != TDescValue::Kind::Integer) InvalidPropertyValue();
  return static_cast<int>(v.integer);
}

std::string DescText(const TDescValue& v) {
  if (v.kind != TDescValue::Kind::Text) InvalidPropertyValue();
  return v.text;
}

std::string DescIdentifier(const TDescValue& v) {
  if (v.kind != TDescValue::Kind::Identifier) InvalidPropertyValue();
  return v.text;
}

bool DescBoolean(const TDescValue& v) {
  std::string id = DescIdentifier(v);
  if (id == "true" || id == "True") return true;
  if (id == "false" || id == "False") return false;
  InvalidPropertyValue();
}

const std::vector<std::string>& DescSet(const TDescValue& v) {
  if (v.kind != TDescValue::Kind::Set) InvalidPropertyValue();
  return v.items;
}

const std::vector<std::string>& DescList(const TDescValue& v) {
  if (v.kind != TDescValue::Kind::List) InvalidPropertyValue();
  return v.items;
}

void InvalidPropertyValue() { throw TPropertyError{"Invalid property value"}; }
