// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/app_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "app/label.h"
#include "app/main_form.h"
#include "app/program.h"
#include "base/cp1252.h"
#include "platform/gdi.h"
#include "platform/surface.h"
#include "platform/window.h"

namespace apptest {

namespace {
constexpr int kMaxBoxesPerRun = 200;
}  // namespace

// ---- Resources --------------------------------------------------------------------------------
ResourceSwap::ResourceSwap() {
  const ResourceSet* own = TessivoResources();
  m_base.assign(own->entries.begin(), own->entries.end());
}

ResourceSwap& ResourceSwap::SetDescription(const std::string& name, const std::string& utf8Text) {
  return SetDescriptionBytes(name, text::Utf8ToCp1252(utf8Text));
}

ResourceSwap& ResourceSwap::SetDescriptionBytes(const std::string& name, const std::string& bytes) {
  Remove(RT_RCDATA, name);
  m_added.push_back({RT_RCDATA, name, bytes});
  return *this;
}

ResourceSwap& ResourceSwap::Remove(std::uintptr_t kind, const std::string& name) {
  m_removed.emplace_back(kind, name);
  std::erase_if(m_added, [&](const Owned& o) { return o.kind == kind && o.name == name; });
  return *this;
}

const ResourceSet* ResourceSwap::Set() {
  m_entries.clear();
  for (const ResourceEntry& e : m_base) {
    bool removed = false;
    for (const auto& [kind, name] : m_removed) {
      if (e.kind == kind && e.name == name) removed = true;
    }
    if (!removed) m_entries.push_back(e);
  }
  for (const Owned& o : m_added) {
    ResourceEntry e;
    e.kind = o.kind;
    e.name = o.name;
    e.data =
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(o.bytes.data()), o.bytes.size());
    m_entries.push_back(e);
  }
  m_set.entries = m_entries;
  return &m_set;
}

std::string MainWindowDescription() {
  for (const ResourceEntry& e : TessivoResources()->entries) {
    if (e.kind == RT_RCDATA && e.name == "TFORM1") {
      return text::Cp1252ToUtf8(
          std::string_view(reinterpret_cast<const char*>(e.data.data()), e.data.size()));
    }
  }
  ADD_FAILURE() << "the program has no TFORM1 description";
  return {};
}

std::string InsertAfter(const std::string& description, const std::string& after, const std::string& line) {
  std::istringstream in(description);
  std::string out;
  std::string current;
  bool done = false;
  while (std::getline(in, current)) {
    out += current + "\n";
    std::size_t first = current.find_first_not_of(" \t");
    if (!done && first != std::string::npos && current.compare(first, after.size(), after) == 0) {
      out += line + "\n";
      done = true;
    }
  }
  return out;
}

// ---- Runs --------------------------------------------------------------------------------------
RunResult RunWithForm(const RunOptions& options, std::vector<Step> steps,
                      const std::function<int()>& mainSequence) {
  RunResult result;
  headless::Options display = options.display;
  // A run whose script is used up but whose program does not end fails in seconds, not minutes.
  if (display.stallTimeoutMs > 5000) display.stallTimeoutMs = 5000;
  headless::Session session(display);
  SetModuleResources(options.resources ? options.resources : TessivoResources());
  // Boxes are answered by the test's handler or, as a user would, with Enter. A program that
  // shows box after box without end fails the test and is asked to quit instead of running on.
  int boxes = 0;
  headless::SetMessageBoxHandler([&boxes,
                                  handler = options.boxHandler](const headless::MessageBoxRecord& box) {
    if (++boxes == kMaxBoxesPerRun) {
      ADD_FAILURE() << "the program showed " << kMaxBoxesPerRun << " message boxes; the last: " << box.text;
      PostQuitMessage(1);
    }
    if (handler && boxes < kMaxBoxesPerRun) {
      handler(box);
      return;
    }
    headless::AnswerWithEnter(box.box);
  });
  headless::SetIdleScript(std::move(steps));
  result.exitCode = mainSequence();
  result.boxes = headless::MessageBoxes();
  result.stepsLeft = session.Backend().IdleStepsLeft();
  SetModuleResources(TessivoResources());
  return result;
}

RunResult RunProgram(const RunOptions& options, std::vector<Step> steps) {
  return RunWithForm(options, std::move(steps), [] { return RunTessivo(); });
}

void RequestCloseOf(HWND topLevel) { headless::Events().CloseRequested(topLevel); }

void ClickFailingLabel(std::function<void()> fail) {
  ASSERT_NE(Form1, nullptr);
  Form1->Label3->OnClick = [fail](TComponent*) { fail(); };
  POINT p = Form1->Label3->ClientToScreen({4, 4});
  headless::Click(p.x, p.y);
}

// ---- Pictures ------------------------------------------------------------------------------------
std::uint32_t Pixel(HWND topLevel, int x, int y) { return headless::PresentedPixel(topLevel, x, y); }

std::uint32_t ButtonFace() { return PixelFromColor(GetSysColor(COLOR_BTNFACE)); }

int CountOtherThan(HWND topLevel, const RECT& rect, std::uint32_t colour) {
  int n = 0;
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) {
      if (Pixel(topLevel, x, y) != colour) ++n;
    }
  }
  return n;
}

namespace {

HFONT MakeFont(const char* face, int height) {
  LOGFONT lf{};
  lf.lfHeight = height;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", face);
  return CreateFontIndirect(&lf);
}

}  // namespace

std::vector<std::uint32_t> ReferenceText(const std::string& caption, const char* face, int fontHeight,
                                         int width, int height, std::uint32_t textColour,
                                         std::uint32_t background, UINT extraFlags) {
  std::vector<std::uint32_t> fill(static_cast<std::size_t>(width) * height, background);
  HBITMAP bitmap = CreateBitmapFromPixels(width, height, fill.data());
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HFONT font = MakeFont(face, fontHeight);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorFromPixel(textColour));
  RECT r{0, 0, width, height};
  DrawText(dc, caption.data(), static_cast<int>(caption.size()), &r, DT_LEFT | DT_EXPANDTABS | extraFlags);
  std::vector<std::uint32_t> out;
  out.reserve(fill.size());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) out.push_back(PixelFromColor(GetPixel(dc, x, y)));
  }
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(font);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return out;
}

SIZE MeasureCaption(const std::string& caption, const char* face, int fontHeight, UINT extraFlags) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = MakeFont(face, fontHeight);
  HGDIOBJ old = SelectObject(dc, font);
  RECT r{0, 0, 0, 0};
  const std::string text = caption.empty() ? std::string(" ") : caption;
  DrawText(dc, text.data(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_EXPANDTABS | extraFlags);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

std::vector<std::uint32_t> PresentedArea(HWND topLevel, const RECT& rect) {
  std::vector<std::uint32_t> out;
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) out.push_back(Pixel(topLevel, x, y));
  }
  return out;
}

std::string SavePicture(HWND topLevel, const std::string& tag) {
  std::error_code ec;
  auto dir = std::filesystem::temp_directory_path(ec) / "tessivo-test-output";
  std::filesystem::create_directories(dir, ec);
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string base = info ? std::string(info->test_suite_name()) + "." + info->name() : "run";
  auto path = dir / (base + "." + tag + ".png");
  return headless::WritePng(topLevel, path.string()) ? path.string() : std::string("(not written)");
}

int Scale(int value, int m, int d) {
  // Computed in floating point on purpose, apart from the program's integer arithmetic.
  double exact = static_cast<double>(value) * m / d;
  return static_cast<int>(exact < 0 ? -std::floor(-exact + 0.5) : std::floor(exact + 0.5));
}

}  // namespace apptest
