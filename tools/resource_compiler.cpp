// SPDX-License-Identifier: GPL-3.0-or-later
// Build-time resource compiler: turns the files of resources/ into one C++ source that the program
// links, so the program finds its glyphs, icon, strings and window descriptions by kind and name
// without reading files at run time.
//
//   resource_compiler OUT.cpp FILE...
//
// By file:
//   NAME.bmp      RT_BITMAP "NAME", the file as it is (a Windows bitmap file)
//   NAME.ico      RT_ICON "NAME": every image in the file's order, decoded to 32-bit pixels; the
//                 data is, for each, width (u32 LE), height (u32 LE), then width * height pixels
//                 0xAARRGGBB (u32 LE), rows top-down. The first image is the one the program draws
//   strings.txt   RT_STRING entries: one "NUMBER TEXT" per line ('#' starts a comment line;
//                 \n, \r, \t and \\ escapes in TEXT)
//   NAME.form     RT_RCDATA "NAME" (a window description)
// Names are upper-cased. Texts are UTF-8 in the files and cp1252 once compiled; a character that the
// code page cannot hold is an error, reported with its file and line.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/cp1252.h"

namespace {

struct Resource {
  std::string kind;  // RT_* name
  std::string name;
  std::uint32_t id = 0;
  std::vector<std::uint8_t> data;
};

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Strict UTF-8 to cp1252: unlike the program's lenient run-time conversion, a resource that cannot be
// represented must stop the build.
std::string ToCp1252(const std::string& utf8, const std::string& where) {
  std::string out = text::Utf8ToCp1252(utf8);
  if (text::Cp1252ToUtf8(out) != utf8) {
    throw std::runtime_error(where + ": text outside the cp1252 code page or malformed UTF-8");
  }
  return out;
}

std::uint32_t U32(const std::vector<std::uint8_t>& d, std::size_t at) {
  if (at + 4 > d.size()) throw std::runtime_error("truncated");
  return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (static_cast<std::uint32_t>(d[at + 3]) << 24);
}
std::uint16_t U16(const std::vector<std::uint8_t>& d, std::size_t at) {
  if (at + 2 > d.size()) throw std::runtime_error("truncated");
  return static_cast<std::uint16_t>(d[at] | (d[at + 1] << 8));
}

constexpr std::size_t kIconDirSize = 6;
constexpr std::size_t kIconEntrySize = 16;

// Decodes one image of an icon file (palette-based 1/4/8 bits or 32 bits, with its AND mask) and
// appends it to `out`.
void DecodeIconImage(const std::vector<std::uint8_t>& ico, std::size_t index,
                     std::vector<std::uint8_t>& out) {
  const std::size_t entry = kIconDirSize + kIconEntrySize * index;
  std::uint32_t size = U32(ico, entry + 8);
  std::uint32_t offset = U32(ico, entry + 12);
  if (offset + static_cast<std::uint64_t>(size) > ico.size()) throw std::runtime_error("truncated image");
  std::size_t at = offset;
  std::uint32_t headerSize = U32(ico, at);
  std::int32_t width = static_cast<std::int32_t>(U32(ico, at + 4));
  std::int32_t height = static_cast<std::int32_t>(U32(ico, at + 8)) / 2;
  std::uint16_t bits = U16(ico, at + 14);
  if (width <= 0 || height <= 0 || width > 256 || height > 256) throw std::runtime_error("bad size");
  std::uint32_t colours = U32(ico, at + 32);
  if (bits <= 8 && colours == 0) colours = 1u << bits;
  std::size_t palette = at + headerSize;
  std::size_t pixels = palette + (bits <= 8 ? colours * 4 : 0);
  std::size_t xorStride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  std::size_t andStride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
  std::size_t mask = pixels + xorStride * height;
  if (mask + andStride * height > ico.size()) throw std::runtime_error("truncated pixels");
  auto put32 = [&out](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  put32(static_cast<std::uint32_t>(width));
  put32(static_cast<std::uint32_t>(height));
  for (int y = 0; y < height; ++y) {
    std::size_t row = pixels + xorStride * (height - 1 - y);
    std::size_t andRow = mask + andStride * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      std::uint32_t argb = 0;
      if (bits == 32) {
        argb = U32(ico, row + 4 * static_cast<std::size_t>(x));
      } else {
        std::size_t bitPos = static_cast<std::size_t>(x) * bits;
        std::uint8_t byte = ico[row + bitPos / 8];
        std::uint32_t index = (byte >> (8 - bits - bitPos % 8)) & ((1u << bits) - 1);
        if (index >= colours) throw std::runtime_error("palette index out of range");
        std::uint32_t bgr = U32(ico, palette + std::size_t{4} * index);
        bool transparent = (ico[andRow + x / 8] >> (7 - x % 8)) & 1;
        argb = transparent ? 0 : (0xFF000000u | (bgr & 0xFFFFFF));
      }
      put32(argb);
    }
  }
}

// Every image of an icon file, in the file's order.
std::vector<std::uint8_t> DecodeIcon(const std::vector<std::uint8_t>& ico, const std::string& file) {
  try {
    if (U16(ico, 0) != 0 || U16(ico, 2) != 1 || U16(ico, 4) < 1) throw std::runtime_error("not an icon");
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < U16(ico, 4); ++i) DecodeIconImage(ico, i, out);
    return out;
  } catch (const std::exception& e) {
    throw std::runtime_error(file + ": " + e.what());
  }
}

std::string Unescape(const std::string& s, const std::string& where) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    if (++i == s.size()) throw std::runtime_error(where + ": lone backslash");
    switch (s[i]) {
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        throw std::runtime_error(where + ": unknown escape \\" + s[i]);
    }
  }
  return out;
}

void ReadStrings(const std::filesystem::path& path, std::vector<Resource>& out) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    std::string where = path.filename().string() + ":" + std::to_string(lineNo);
    if (line.empty() || line[0] == '#') continue;
    std::size_t space = line.find(' ');
    if (space == std::string::npos) throw std::runtime_error(where + ": expected NUMBER TEXT");
    Resource r;
    r.kind = "RT_STRING";
    try {
      std::size_t used = 0;
      unsigned long id = std::stoul(line.substr(0, space), &used, 10);
      if (used != space || id > 65535) throw std::invalid_argument("range");
      r.id = static_cast<std::uint32_t>(id);
    } catch (const std::exception&) {
      throw std::runtime_error(where + ": bad string number");
    }
    for (const Resource& other : out) {
      if (other.kind == "RT_STRING" && other.id == r.id)
        throw std::runtime_error(where + ": duplicate number");
    }
    std::string text = ToCp1252(Unescape(line.substr(space + 1), where), where);
    r.data.assign(text.begin(), text.end());
    out.push_back(std::move(r));
  }
}

void WriteSource(const std::string& outPath, const std::vector<Resource>& resources) {
  std::ostringstream src;
  src << "// Generated by tools/resource_compiler from resources/. Do not edit.\n"
         "#include <cstdint>\n#include \"platform/module.h\"\n\nnamespace {\n";
  for (std::size_t i = 0; i < resources.size(); ++i) {
    src << "alignas(4) const std::uint8_t kData" << i << "[] = {";
    const auto& d = resources[i].data;
    for (std::size_t k = 0; k < d.size(); ++k) {
      if (k % 24 == 0) src << "\n ";
      src << ' ' << static_cast<unsigned>(d[k]) << ',';
    }
    if (d.empty()) src << "0";
    src << "};\n";
  }
  src << "const ResourceEntry kEntries[] = {\n";
  for (std::size_t i = 0; i < resources.size(); ++i) {
    const Resource& r = resources[i];
    src << "  {" << r.kind << ", \"" << r.name << "\", " << r.id << "u, {kData" << i << ", " << r.data.size()
        << "}},\n";
  }
  if (resources.empty()) src << "  {0, \"\", 0u, {}},\n";
  src << "};\nconst ResourceSet kSet{{kEntries, " << resources.size() << "}};\n}  // namespace\n\n"
      << "const ResourceSet* TessivoResources() { return &kSet; }\n";
  std::string text = src.str();
  // Rewrite only when the content changed, so an unrelated resource edit does not rebuild the world.
  std::ifstream old(outPath, std::ios::binary);
  if (old) {
    std::string previous((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
    if (previous == text) return;
  }
  std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
  if (!out || !(out << text)) throw std::runtime_error("cannot write " + outPath);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: resource_compiler OUT.cpp FILE...\n");
    return 2;
  }
  try {
    std::vector<Resource> resources;
    std::vector<std::filesystem::path> files(argv + 2, argv + argc);
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
      std::string ext = path.extension().string();
      std::string stem = Upper(path.stem().string());
      if (path.filename() == "strings.txt") {
        ReadStrings(path, resources);
      } else if (ext == ".bmp") {
        resources.push_back({"RT_BITMAP", stem, 0, ReadFile(path)});
      } else if (ext == ".ico") {
        resources.push_back({"RT_ICON", stem, 0, DecodeIcon(ReadFile(path), path.string())});
      } else if (ext == ".form") {
        auto bytes = ReadFile(path);
        std::string text = ToCp1252(std::string(bytes.begin(), bytes.end()), path.string());
        resources.push_back({"RT_RCDATA", stem, 0, {text.begin(), text.end()}});
      } else {
        throw std::runtime_error(path.string() + ": unknown kind of resource");
      }
    }
    WriteSource(argv[1], resources);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "resource_compiler: %s\n", e.what());
    return 1;
  }
  return 0;
}
