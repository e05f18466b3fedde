// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gfx/font_lookup.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/cp1252.h"
#include "base/runtime_library.h"
#include "base/translation.h"

namespace gfx {

namespace {

#ifdef TESSIVO_WEB_FONT_DIR
// The WebAssembly build has no fontconfig to ask: the fonts it carries lie in one folder, and a
// request is answered as fontconfig answers it on Debian with those fonts installed: the classic
// dialog faces and Arial by Liberation Sans (metric-compatible), anything else by DejaVu Sans, the
// desktop's sans; the bold face from semi-bold up, and the italic (DejaVu's oblique) face.
bool FindBundledFont(const FontRequest& request, FontChoice choice, FontMatch* out) {
  static constexpr const char* kLiberation[] = {"Regular", "Bold", "Italic", "BoldItalic"};
  static constexpr const char* kDejaVu[] = {"", "-Bold", "-Oblique", "-BoldOblique"};
  const std::string face = FaceKey(request.face);
  const bool dialogFace = face.empty() || face == "ms sans serif" || face == "ms shell dlg" ||
                          face == "system" || face == "liberation sans" || face == "arial" ||
                          face == "helvetica";
  const bool liberation = choice == FontChoice::AsAsked && dialogFace;
  const bool bold = NormalisedWeight(request.weight) >= 600;
  const int style = (bold ? 1 : 0) + (request.italic ? 2 : 0);
  const std::string folder = TESSIVO_WEB_FONT_DIR;
  out->file = liberation ? folder + "/liberation2/LiberationSans-" + kLiberation[style] + ".ttf"
                         : folder + "/dejavu/DejaVuSans" + kDejaVu[style] + ".ttf";
  out->index = 0;
  out->family = liberation ? "Liberation Sans" : "DejaVu Sans";
  out->weight = bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR;
  out->slant = !request.italic ? FC_SLANT_ROMAN : liberation ? FC_SLANT_ITALIC : FC_SLANT_OBLIQUE;
  return true;
}
#else
// clang-format off
#define TESSIVO_FC_FUNCTIONS(X) \
  X(FcInit) \
  X(FcFini) \
  X(FcConfigGetCurrent) \
  X(FcConfigGetConfigFiles) \
  X(FcConfigGetFontDirs) \
  X(FcStrListNext) \
  X(FcStrListDone) \
  X(FcPatternCreate) \
  X(FcPatternDestroy) \
  X(FcPatternAddString) \
  X(FcPatternAddInteger) \
  X(FcPatternAddBool) \
  X(FcConfigSubstitute) \
  X(FcDefaultSubstitute) \
  X(FcFontMatch) \
  X(FcPatternGetString) \
  X(FcPatternGetInteger) \
  X(FcWeightFromOpenType)
// clang-format on

// Fontconfig for the rest of the run once a question needs it: the library loaded, its
// configuration read, and the state of everything that configuration depends on, taken right
// after reading it. The configuration is released at exit, so leak checkers see no memory of the
// library left behind.
class Fontconfig {
 public:
  // nullptr when the library cannot be loaded or has no configuration (said once on stderr when
  // the library is missing; the caller reports the lack of a font).
  static const Fontconfig* Get() {
    static const Fontconfig instance;
    return instance.m_ready ? &instance : nullptr;
  }

  bool Match(const FontRequest& request, FontChoice choice, FontMatch* out) const;
  const std::vector<PathState>& Inputs() const { return m_inputs; }

 private:
  Fontconfig() {
    if (!m_library.IsLoaded()) {
      std::fprintf(stderr, "tessivo: %s\n",
                   base::TranslatedWith("the fontconfig library (libfontconfig.so.1) cannot be loaded (%s); "
                                        "install the package libfontconfig1",
                                        {m_library.Error()})
                       .c_str());
      return;
    }
// The argument names a function, so it cannot be parenthesised.
#define TESSIVO_FC_SLOT(name) base::FunctionSlot(#name, &name),  // NOLINT(bugprone-macro-parentheses)
    const base::FunctionSlot slots[] = {TESSIVO_FC_FUNCTIONS(TESSIVO_FC_SLOT)};
#undef TESSIVO_FC_SLOT
    if (const char* missing = m_library.Bind(slots)) {
      std::fprintf(
          stderr, "tessivo: %s\n",
          base::TranslatedWith("the fontconfig library (libfontconfig.so.1) is too old: it lacks %s; "
                               "update the package libfontconfig1",
                               {missing})
              .c_str());
      return;
    }
    // The library stays loaded: its configuration is released at exit, never the code.
    m_library.KeepForProcess();
    m_ready = FcInit() == FcTrue;
    if (m_ready) TakeInputs();
  }
  ~Fontconfig() {
    if (m_ready) FcFini();
  }
  Fontconfig(const Fontconfig&) = delete;
  Fontconfig& operator=(const Fontconfig&) = delete;

  void TakeInputs();

  base::RuntimeLibrary m_library{"libfontconfig.so.1"};
#define TESSIVO_FC_POINTER(name) decltype(&::name) name = nullptr;  // NOLINT(bugprone-macro-parentheses)
  TESSIVO_FC_FUNCTIONS(TESSIVO_FC_POINTER)
#undef TESSIVO_FC_POINTER
  bool m_ready = false;
  std::vector<PathState> m_inputs;
};

std::string Parent(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

void Fontconfig::TakeInputs() {
  std::vector<std::string> paths;
  FcConfig* config = FcConfigGetCurrent();
  // Every configuration file and folder read, and the folder each lies in (a file added beside
  // the others, /etc/fonts/local.conf say, changes only its folder).
  if (FcStrList* files = FcConfigGetConfigFiles(config)) {
    while (FcChar8* file = FcStrListNext(files)) {
      paths.emplace_back(reinterpret_cast<const char*>(file));
      paths.push_back(Parent(paths.back()));
    }
    FcStrListDone(files);
  }
  // Every font folder scanned, the user's missing ones too: a font installed changes its folder.
  if (FcStrList* dirs = FcConfigGetFontDirs(config)) {
    while (FcChar8* dir = FcStrListNext(dirs)) paths.emplace_back(reinterpret_cast<const char*>(dir));
    FcStrListDone(dirs);
  }
  // The user's configuration places, which fontconfig reads only when they exist, so they are
  // not among the files above until the user makes one.
  const char* home = std::getenv("HOME");
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome != nullptr && configHome[0] == '/') {
    paths.push_back(std::string(configHome) + "/fontconfig");
  } else if (home != nullptr && home[0] == '/') {
    paths.push_back(std::string(home) + "/.config/fontconfig");
  }
  if (home != nullptr && home[0] == '/') {
    paths.push_back(std::string(home) + "/.fonts.conf");
    paths.push_back(std::string(home) + "/.fonts.conf.d");
  }
  std::sort(paths.begin(), paths.end());
  paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
  for (const std::string& path : paths) m_inputs.push_back(PathState::Of(path));
}

struct PatternDeleter {
  decltype(&::FcPatternDestroy) destroy;
  void operator()(FcPattern* p) const { destroy(p); }
};

bool Fontconfig::Match(const FontRequest& request, FontChoice choice, FontMatch* out) const {
  using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;
  const PatternDeleter deleter{FcPatternDestroy};
  PatternPtr pattern(FcPatternCreate(), deleter);
  if (!pattern) return false;
  auto addFamily = [&](const char* family) {
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  };
  const std::string face = FaceKey(request.face);
  if (choice == FontChoice::AnySans) {
    addFamily("sans-serif");
  } else if (face.empty() || face == "ms sans serif" || face == "ms shell dlg" || face == "system") {
    // The classic dialog face: its metric-compatible stand-in first, then the desktop's sans.
    addFamily("Liberation Sans");
    addFamily("sans-serif");
  } else {
    addFamily(text::Cp1252ToUtf8(request.face).c_str());
    addFamily("sans-serif");
  }
  // The normalised weight lies on the OpenType scale fontconfig converts from.
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(NormalisedWeight(request.weight)));
  FcPatternAddInteger(pattern.get(), FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result), deleter);
  if (!match) return false;
  FcChar8* file = nullptr;
  if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || !file) return false;
  out->file = reinterpret_cast<const char*>(file);
  out->index = 0;
  FcPatternGetInteger(match.get(), FC_INDEX, 0, &out->index);
  FcChar8* family = nullptr;
  out->family.clear();
  if (FcPatternGetString(match.get(), FC_FAMILY, 0, &family) == FcResultMatch && family)
    out->family = reinterpret_cast<const char*>(family);
  out->weight = FC_WEIGHT_REGULAR;
  out->slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(match.get(), FC_WEIGHT, 0, &out->weight);
  FcPatternGetInteger(match.get(), FC_SLANT, 0, &out->slant);
  return true;
}
#endif

}  // namespace

std::string QuestionKey(const FontRequest& request, FontChoice choice) {
  std::string key = std::to_string(NormalisedWeight(request.weight)) + (request.italic ? "i" : "r");
  return choice == FontChoice::AnySans ? key + " any-sans" : key + " " + FaceKey(request.face);
}

std::string FaceKey(std::string face) {
  for (char& c : face) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return face;
}

bool FindFont(const FontRequest& request, FontChoice choice, FontMatch* out) {
#ifdef TESSIVO_WEB_FONT_DIR
  return FindBundledFont(request, choice, out);
#else
  // Fonts are made on the UI thread only (the font cache has no lock either).
  static RememberedFonts remembered(RememberedFonts::DefaultFile());
  const std::string key = QuestionKey(request, choice);
  const std::string environment = RememberedFonts::Environment();
  if (const FontMatch* known = remembered.Find(key, environment)) {
    *out = *known;
    return true;
  }
  const Fontconfig* fontconfig = Fontconfig::Get();
  if (fontconfig == nullptr || !fontconfig->Match(request, choice, out)) return false;
  remembered.Remember(key, environment, *out, fontconfig->Inputs());
  return true;
#endif
}

}  // namespace gfx
