// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gfx/font_cache.h"

#include <fontconfig/fontconfig.h>  // the weight and slant scales of a match only
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "base/cp1252.h"
#include "base/mul_div.h"
#include "base/translation.h"
#include "platform/gfx/font_lookup.h"
#include "platform/gfx/graphics_state.h"
#include "platform/gfx/screen.h"

namespace gfx {

namespace {

// The largest character size we rasterise; bigger requests are clamped (a hostile height must
// not make us allocate a glyph the size of a building).
constexpr int kMaxPpem = 512;

struct LibraryDeleter {
  void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
};
struct FaceDeleter {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::shared_ptr<FT_LibraryRec_>;
using FacePtr = std::unique_ptr<FT_FaceRec_, FaceDeleter>;

// Every font keeps the library alive, so faces are always closed before it, whatever the order
// in which static objects are destroyed at exit.
LibraryPtr Library() {
  static LibraryPtr library = [] {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) return LibraryPtr();
    return LibraryPtr(lib, LibraryDeleter{});
  }();
  return library;
}

// A font file read piece by piece as FreeType asks for it, instead of mapped whole as FreeType
// does with a file it opens itself: the first text measures the advances of the code page's
// characters, whose outlines lie all over the file, so a mapping made nearly the whole file
// (about 0.4 MB) resident. Read this way only the tables FreeType keeps and each glyph's bytes
// pass through its small buffers.
class FontFile {
 public:
  // nullptr when the file cannot be opened or is not a regular file. It is opened without waiting
  // (a FIFO named by a damaged remembered answer would wait for a writer for good, and the open
  // restarts after a signal). A link is followed, as fontconfig follows the links in font folders;
  // only a regular file is read through it.
  static std::unique_ptr<FontFile> OpenRegular(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info{};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
      ::close(fd);
      return nullptr;
    }
    std::unique_ptr<FontFile> file(new FontFile(fd));
    file->m_stream.size = static_cast<unsigned long>(info.st_size);
    file->m_stream.descriptor.pointer = file.get();
    file->m_stream.read = &FontFile::Read;
    return file;
  }
  ~FontFile() { ::close(m_fd); }
  FontFile(const FontFile&) = delete;
  FontFile& operator=(const FontFile&) = delete;

  FT_Stream Stream() { return &m_stream; }

 private:
  explicit FontFile(int fd) : m_fd(fd) {}

  // FreeType's read function: a count of 0 is a seek (0 means it is possible); otherwise the
  // number of bytes read.
  static unsigned long Read(FT_Stream stream, unsigned long offset, unsigned char* buffer,
                            unsigned long count) {
    if (count == 0) return offset <= stream->size ? 0 : 1;
    return static_cast<FontFile*>(stream->descriptor.pointer)->ReadAt(offset, buffer, count);
  }

  // FreeType asks for a few bytes at a time (an index entry, a glyph's header, then its points),
  // over a thousand requests for the first text: small ones are served from a few recently read
  // blocks, so each costs a system call only when its block is not among them.
  unsigned long ReadAt(unsigned long offset, unsigned char* buffer, unsigned long count) {
    if (offset >= m_stream.size) return 0;
    count = std::min(count, m_stream.size - offset);
    if (count > kBlockSize / 2) return ReadDirect(offset, buffer, count);
    unsigned long done = 0;
    while (done < count) {
      const unsigned long at = offset + done;
      const Block& block = BlockHolding(at - at % kBlockSize);
      if (block.length <= at - block.start) break;  // the file ended early
      const unsigned long n = std::min(count - done, block.length - (at - block.start));
      std::memcpy(buffer + done, block.bytes.data() + (at - block.start), n);
      done += n;
    }
    return done;
  }

  unsigned long ReadDirect(unsigned long offset, unsigned char* buffer, unsigned long count) {
    unsigned long done = 0;
    while (done < count) {
      const ssize_t got = pread(m_fd, buffer + done, count - done, static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += static_cast<unsigned long>(got);
    }
    return done;
  }

  static constexpr unsigned long kBlockSize = 4096;
  static constexpr std::size_t kBlocks = 4;
  struct Block {
    unsigned long start = 0;
    unsigned long length = 0;  // 0: empty
    std::array<unsigned char, kBlockSize> bytes;
  };

  const Block& BlockHolding(unsigned long start) {
    for (const Block& block : m_blocks) {
      if (block.length > 0 && block.start == start) return block;
    }
    Block& block = m_blocks[m_nextBlock];
    m_nextBlock = (m_nextBlock + 1) % kBlocks;
    block.start = start;
    block.length = ReadDirect(start, block.bytes.data(), std::min(kBlockSize, m_stream.size - start));
    return block;
  }

  int m_fd;
  FT_StreamRec m_stream{};
  std::array<Block, kBlocks> m_blocks{};
  std::size_t m_nextBlock = 0;
};

// Liberation Sans's vertical proportions, in thousandths of an em.
constexpr int kPerMille = 1000;
constexpr int kStandInAscent = 905;
constexpr int kStandInDescent = 212;

void ReportNoUsableFont() {
  static std::once_flag reported;
  std::call_once(reported, [] {
    std::fprintf(stderr, "tessivo: %s\n",
                 base::Translated("no usable font was found, so no text can be shown; install the package "
                                  "fonts-liberation2 (and check the fontconfig set-up)"));
  });
}

int CeilScale(long units, int ppem, int unitsPerEm) {
  if (units <= 0) return 0;
  return static_cast<int>((static_cast<long long>(units) * ppem + unitsPerEm - 1) / unitsPerEm);
}

int RoundScale(long units, int ppem, int unitsPerEm) {
  const long long v = static_cast<long long>(units) * ppem;
  if (v >= 0) return static_cast<int>((v + unitsPerEm / 2) / unitsPerEm);
  return -static_cast<int>((-v + unitsPerEm / 2) / unitsPerEm);
}

// A cell is split in fifths: four above the baseline, one below. Used where nothing better is
// known: the character height of a cell height when there is no face, the ascent and descent of a
// face that gives neither.
constexpr int kCellFifths = 5;
constexpr int kAscentFifths = 4;

// The classic dialog font, 8 points at 96 pixels per inch: character height 11 in a cell of 13.
// GetFontInstance resolves a zero height first, so these serve only a font made directly.
constexpr int kDefaultCharacterHeight = 11;
constexpr int kDefaultCellHeight = 13;

// FreeType's mark of an OS/2 table the face does not have.
constexpr FT_UShort kNoOs2Table = 0xFFFF;

// The design units of a face's vertical proportions. The cell is the Windows ascent and descent of
// the OS/2 table when the face has them, else the horizontal header's; the line gap is what the
// horizontal header adds between lines.
struct VerticalUnits {
  long ascent = 0;
  long descent = 0;
  long lineAscent = 0;  // the horizontal header's, from which the line gap is measured
  long lineDescent = 0;
  long lineGap = 0;
};

VerticalUnits ReadVerticalUnits(FT_Face face, const TT_OS2* os2, const TT_HoriHeader* hhea) {
  VerticalUnits units;
  if (hhea) {
    units.lineAscent = hhea->Ascender;
    units.lineDescent = -hhea->Descender;
    units.lineGap = hhea->Line_Gap;
  } else {
    units.lineAscent = face->ascender;
    units.lineDescent = -face->descender;
  }
  if (os2 && os2->version != kNoOs2Table && os2->usWinAscent + os2->usWinDescent > 0) {
    units.ascent = os2->usWinAscent;
    units.descent = os2->usWinDescent;
  } else {
    units.ascent = units.lineAscent;
    units.descent = units.lineDescent;
  }
  if (units.ascent + units.descent <= 0) {
    const int upem = face->units_per_EM;
    units.ascent = upem * kAscentFifths / kCellFifths;
    units.descent = upem / kCellFifths;
  }
  return units;
}

// The character size for a requested height: a negative one is the character height itself, a
// positive one the cell, filled by the largest size whose cell fits.
int PpemForHeight(int height, const VerticalUnits& units, int upem) {
  if (height < 0) return std::min(-height, kMaxPpem);
  auto cellOf = [&](int ppem) {
    return CeilScale(units.ascent, ppem, upem) + CeilScale(units.descent, ppem, upem);
  };
  const int cell = height == 0 ? kDefaultCellHeight : height;
  int ppem = 1;
  while (ppem < kMaxPpem && cellOf(ppem + 1) <= cell) ++ppem;
  return ppem;
}

// Weights at and above this are drawn bold: emboldened when the face found is lighter.
constexpr int kSemiBold = 600;

// FreeType's outline coordinates are 26.6 fixed point; its matrices 16.16.
constexpr FT_Pos kOnePixel = 64;
constexpr FT_Fixed kFixedOne = 0x10000;
// A roman face drawn italic is sheared by about 12 degrees (the tangent, in 16.16).
constexpr FT_Fixed kItalicShear = 0x0366A;

// The default font size, in points, and points to an inch.
constexpr int kDefaultPointSize = 8;
constexpr int kPointsPerInch = 72;

// Weights are matched in steps of a hundred, from thin to black.
constexpr int kWeightStep = 100;
constexpr int kLightestWeight = 100;
constexpr int kHeaviestWeight = 900;

// Fonts the cache holds before it lets go of those nobody holds any more.
constexpr std::size_t kCachedFonts = 64;

}  // namespace

int NormalisedWeight(int weight) {
  if (weight <= 0) return FW_NORMAL;
  const int rounded = (std::min(weight, kHeaviestWeight) + kWeightStep / 2) / kWeightStep * kWeightStep;
  return std::max(rounded, kLightestWeight);
}

struct FontInstance::Impl {
  LibraryPtr library;              // declared first: destroyed after the face
  std::unique_ptr<FontFile> file;  // read by the face: destroyed after it
  FacePtr face;
  bool embolden = false;
  bool slant = false;
};

FontInstance::FontInstance(const FontRequest& request) : m_impl(std::make_unique<Impl>()) {
  m_metrics.weight = NormalisedWeight(request.weight);
  m_metrics.italic = request.italic;
  const int height = request.height == INT_MIN ? -kMaxPpem : request.height;
  FontMatch match;
  if (!OpenFace(request, &match)) {
    UseStandIn(height);
    return;
  }
  const FT_Face face = m_impl->face.get();
  m_family = match.family.empty() && face->family_name ? face->family_name : match.family;
  m_impl->embolden = m_metrics.weight >= kSemiBold && match.weight < FC_WEIGHT_DEMIBOLD;
  m_impl->slant = request.italic && match.slant == FC_SLANT_ROMAN;
  Measure(height);
}

bool FontInstance::OpenFace(const FontRequest& request, FontMatch* match) {
  m_impl->library = Library();
  if (!m_impl->library) return false;
  for (FontChoice choice : {FontChoice::AsAsked, FontChoice::AnySans}) {
    if (!FindFont(request, choice, match)) continue;
    m_impl->file = FontFile::OpenRegular(match->file);
    if (!m_impl->file) continue;
    FT_Open_Args args{};
    args.flags = FT_OPEN_STREAM;
    args.stream = m_impl->file->Stream();
    FT_Face face = nullptr;
    if (FT_Open_Face(m_impl->library.get(), &args, match->index, &face) == 0 && face &&
        FT_IS_SCALABLE(face) && face->units_per_EM > 0) {
      m_impl->face.reset(face);
      return true;
    }
    if (face) FT_Done_Face(face);
    m_impl->file.reset();
  }
  return false;
}

void FontInstance::UseStandIn(int height) {
  // No usable font at all: nothing can be drawn, so say once what is missing, and lay out with
  // the proportions of the font the program is made for (ascent 0.905 em, descent 0.212 em), so
  // the window keeps its designed size instead of growing around made-up text heights.
  ReportNoUsableFont();
  const long long characterHeight =
      height < 0 ? -static_cast<long long>(height)
                 : (height > 0 ? static_cast<long long>(height) * kAscentFifths / kCellFifths
                               : kDefaultCharacterHeight);
  const int ppem = static_cast<int>(std::clamp<long long>(characterHeight, 1, kMaxPpem));
  m_metrics.ppem = ppem;
  m_metrics.ascent = (ppem * kStandInAscent + kPerMille - 1) / kPerMille;
  m_metrics.descent = (ppem * kStandInDescent + kPerMille - 1) / kPerMille;
  m_metrics.height = m_metrics.ascent + m_metrics.descent;
  m_metrics.internalLeading = std::max(0, m_metrics.height - ppem);
  m_metrics.aveCharWidth = std::max(1, ppem / 2);
  m_metrics.maxCharWidth = ppem;
  m_advance.fill(m_metrics.aveCharWidth);
}

void FontInstance::Measure(int height) {
  const FT_Face face = m_impl->face.get();
  const int upem = face->units_per_EM;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  const VerticalUnits units = ReadVerticalUnits(face, os2, hhea);
  const int ppem = PpemForHeight(height, units, upem);
  m_metrics.ppem = ppem;
  m_metrics.ascent = CeilScale(units.ascent, ppem, upem);
  m_metrics.descent = CeilScale(units.descent, ppem, upem);
  m_metrics.height = m_metrics.ascent + m_metrics.descent;
  m_metrics.internalLeading = std::max(0, m_metrics.height - ppem);
  m_metrics.externalLeading = std::max(
      0, RoundScale(units.lineAscent + units.lineDescent + units.lineGap - (units.ascent + units.descent),
                    ppem, upem));
  m_metrics.maxCharWidth = hhea ? RoundScale(hhea->advance_Width_Max, ppem, upem) : ppem;
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem));

  MeasureAdvances(ppem);
  const int avg = os2 && os2->version != kNoOs2Table ? os2->xAvgCharWidth : 0;
  m_metrics.aveCharWidth = avg > 0 ? RoundScale(avg, ppem, upem) : m_advance['x'];
  if (m_metrics.aveCharWidth <= 0) m_metrics.aveCharWidth = std::max(1, ppem / 2);
  m_metrics.maxCharWidth =
      std::max(m_metrics.maxCharWidth, *std::max_element(m_advance.begin(), m_advance.end()));

  // The underline sits a whole number of rows below the baseline, at least one row, inside the
  // cell when the descent allows it.
  const int offset = std::max(1, RoundScale(-face->underline_position, ppem, upem));
  m_metrics.underlineOffset = m_metrics.descent > 1 ? std::min(offset, m_metrics.descent - 1) : offset;
  m_metrics.underlineThickness = std::max(1, RoundScale(face->underline_thickness, ppem, upem));
}

void FontInstance::MeasureAdvances(int ppem) {
  const FT_Face face = m_impl->face.get();
  for (int c = 0; c < kCharacters; ++c) {
    const FT_UInt glyph = FT_Get_Char_Index(face, text::Cp1252ToUnicode(static_cast<unsigned char>(c)));
    FT_Fixed advance = 0;
    if (FT_Get_Advance(face, glyph, FT_LOAD_NO_SCALE, &advance) != 0) advance = 0;
    m_advance[c] = RoundScale(static_cast<long>(advance), ppem, face->units_per_EM);
    if (m_impl->embolden && m_advance[c] > 0) m_advance[c] += 1;
  }
}

FontInstance::~FontInstance() = default;

bool FontInstance::HasFace() const { return m_impl->face != nullptr; }

const GlyphImage& FontInstance::Glyph(unsigned char c) const {
  if (m_rendered[c]) return m_glyphs[c];
  m_rendered[c] = true;
  GlyphImage& out = m_glyphs[c];
  FT_Face face = m_impl->face.get();
  if (!face) return out;
  const FT_UInt index = FT_Get_Char_Index(face, text::Cp1252ToUnicode(c));
  // FreeType's default TrueType hinting fits heights (baseline, x-height, cap height) to whole
  // pixels and leaves horizontal shapes as designed, so glyphs stay true to the unhinted advances
  // we place them with; full horizontal hinting would move stems against those advances and make
  // the spacing uneven.
  if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) != 0) return out;
  FT_GlyphSlot slot = face->glyph;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (m_impl->embolden) FT_Outline_Embolden(&slot->outline, kOnePixel);
    if (m_impl->slant) {
      FT_Matrix shear{kFixedOne, kItalicShear, 0, kFixedOne};
      FT_Outline_Transform(&slot->outline, &shear);
    }
  }
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return out;
  const FT_Bitmap& bm = slot->bitmap;
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.width == 0 || bm.rows == 0) return out;
  out.left = slot->bitmap_left;
  out.top = slot->bitmap_top;
  out.width = static_cast<int>(bm.width);
  out.rows = static_cast<int>(bm.rows);
  out.coverage.resize(static_cast<std::size_t>(out.width) * out.rows);
  for (int y = 0; y < out.rows; ++y) {
    const unsigned char* src = bm.pitch >= 0
                                   ? bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch
                                   : bm.buffer + static_cast<std::ptrdiff_t>(out.rows - 1 - y) * -bm.pitch;
    std::memcpy(out.coverage.data() + static_cast<std::size_t>(y) * out.width, src, out.width);
  }
  return out;
}

std::shared_ptr<FontInstance> GetFontInstance(const FontRequest& request) {
  FontRequest key = request;
  if (key.height == 0) key.height = -MulDiv(kDefaultPointSize, gfx::ScreenPixelsPerInch(), kPointsPerInch);
  // Requests that differ only inside one weight step share a font.
  key.weight = NormalisedWeight(key.weight);
  const std::string name = FaceKey(key.face) + '\n' + std::to_string(key.height) + '\n' +
                           std::to_string(key.weight) + (key.italic ? "\ni" : "\nr");
  auto& cache = Graphics().fonts;
  auto it = cache.find(name);
  if (it != cache.end()) return it->second;
  if (cache.size() >= kCachedFonts) {
    // Drop fonts nobody holds any more before adding another.
    for (auto i = cache.begin(); i != cache.end();)
      i = i->second.use_count() == 1 ? cache.erase(i) : std::next(i);
  }
  auto font = std::make_shared<FontInstance>(key);
  cache.emplace(name, font);
  return font;
}

}  // namespace gfx
