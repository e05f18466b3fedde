// SPDX-License-Identifier: GPL-3.0-or-later
// Running the whole program on the headless display, the way a user meets it: the real main
// sequence (screen, application object, main window from its description, event loop, end of
// program), scripted by steps that run whenever the loop has nothing left to do.
//
// A step looks at the windows, injects input (delivered before the next step), or asks the main
// window to close as the window manager's close button would. A run ends when the program's main
// sequence returns; its exit code and every message box it showed are kept for the test.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/headless_driver.h"
#include "platform/module.h"

class TCustomForm;
class TWinControl;

namespace apptest {

using Step = std::function<void()>;

// A copy of the program's compiled-in resources with some entries replaced, added or removed, for
// the missing- and unreadable-description paths and for windows of the tests' own.
class ResourceSwap {
 public:
  ResourceSwap();  // starts as the program's own set
  // Adds, or replaces, the window description `name` (UTF-8 text, stored as cp1252 as the
  // resource compiler stores it).
  ResourceSwap& SetDescription(const std::string& name, const std::string& utf8Text);
  // Stores raw bytes as the description, unconverted.
  ResourceSwap& SetDescriptionBytes(const std::string& name, const std::string& bytes);
  ResourceSwap& Remove(std::uintptr_t kind, const std::string& name);
  const ResourceSet* Set();

 private:
  struct Owned {
    std::uintptr_t kind;
    std::string name;
    std::string bytes;
  };
  std::vector<ResourceEntry> m_base;
  std::vector<Owned> m_added;
  std::vector<std::pair<std::uintptr_t, std::string>> m_removed;
  std::vector<ResourceEntry> m_entries;
  ResourceSet m_set;
};

// The program's own main-window description (resources/tform1.form), as UTF-8 text.
std::string MainWindowDescription();
// The description with `line` inserted after the first line that starts (after blanks) with
// `after`; unchanged when no line matches.
std::string InsertAfter(const std::string& description, const std::string& after, const std::string& line);

struct RunResult {
  int exitCode = -1;
  std::vector<headless::MessageBoxRecord> boxes;
  std::size_t stepsLeft = 0;  // steps the program never idled for
};

struct RunOptions {
  headless::Options display;
  const ResourceSet* resources = nullptr;  // nullptr: the program's own
  // Answers each message box as it is shown; nullptr: the user presses Enter in it.
  std::function<void(const headless::MessageBoxRecord&)> boxHandler;
};

// Runs the real program (RunTessivo) with `steps`.
RunResult RunProgram(const RunOptions& options, std::vector<Step> steps);
// Runs the same main sequence with a main window of a test's own class.
RunResult RunWithForm(const RunOptions& options, std::vector<Step> steps,
                      const std::function<int()>& mainSequence);

// Asks the desktop to close the window, as its close button does.
void RequestCloseOf(HWND topLevel);
// Screen point inside cell (column, row) of the real main window's chord grid: the form's client
// area is at 188, 107 (no frame on the headless display), the grid at 8, 160 with a 2-pixel
// sunken edge, cells 73 + 1 pixels wide and 24 + 1 high.
inline POINT GridCellPoint(int column, int row) {
  return {188 + 8 + 2 + 74 * column + 30, 107 + 160 + 2 + 25 * row + 10};
}
// Clicks Label3 of the real main window after setting its OnClick to `fail`: a handler that
// throws makes the program show its error box.
void ClickFailingLabel(std::function<void()> fail);

// ---- Looking at the presented picture -------------------------------------------------------
// The presented surface's pixel at client (x, y), 0x00RRGGBB.
std::uint32_t Pixel(HWND topLevel, int x, int y);
// The button-face colour the window and labels are filled with.
std::uint32_t ButtonFace();
// How many pixels of the rectangle differ from `colour`.
int CountOtherThan(HWND topLevel, const RECT& rect, std::uint32_t colour);
// The caption drawn as a label draws it (left, top, DT_EXPANDTABS, transparent, in the colour
// `textColour` on `background`) in a font of the given face and height, into a fresh picture of
// width x height: the reference for what the label must show.
std::vector<std::uint32_t> ReferenceText(const std::string& cp1252Caption, const char* face, int fontHeight,
                                         int width, int height, std::uint32_t textColour,
                                         std::uint32_t background, UINT extraFlags = 0);
// The extent DrawText gives the caption in that font (DT_CALCRECT | DT_EXPANDTABS).
SIZE MeasureCaption(const std::string& cp1252Caption, const char* face, int fontHeight, UINT extraFlags = 0);
// The presented pixels of a rectangle, row by row.
std::vector<std::uint32_t> PresentedArea(HWND topLevel, const RECT& rect);
// Writes the window's picture next to the test's name for a failure message; returns the path.
std::string SavePicture(HWND topLevel, const std::string& tag);

// The round-half-away-from-zero scaling used for layout: value * m / d.
int Scale(int value, int m, int d);

}  // namespace apptest
