// SPDX-License-Identifier: GPL-3.0-or-later
// The program's start in whole-program runs: the title rule, errors that stop the start (missing or
// unreadable main-window description, an application window that cannot be made) with the fatal
// box and exit code 1, the start-up show commands, and an audio stack that stays unloaded.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/form.h"
#include "app/main_form.h"
#include "app/program.h"
#include "base/cp1252.h"
#include "platform/module.h"
#include "platform/window.h"
#include "support/app_run.h"
#include "support/app_test_form.h"
#include "support/program_file.h"
#include "support/stderr_capture.h"

namespace {

using apptest::RunOptions;
using apptest::RunProgram;

// ---- The title rule ------------------------------------------------------------------------------
TEST(AppTitle, IsTheProgramFileNameUpToItsFirstDotWithTheRestLowerCase) {
  struct Case {
    const char* path;
    const char* title;
  } cases[] = {
      {"/usr/bin/tessivo", "tessivo"},
      {"/tmp/copia/ABC.EXE", "Abc"},
      {"C:\\PROGRAMAS\\ABC.EXE", "Abc"},
      {"/opt/Tessivo.Versao.1.0.bin", "Tessivo"},
      {"/opt/a.b.c", "a"},
      {"/home/x.y/PROGRAMA", "Programa"},  // a dot in a directory does not count
      {"TESSIVO", "Tessivo"},
      {"tESSIVO", "tessivo"},  // the first character keeps its case
      {"/opt/.escondido", ""},
      {"/opt/dir/", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TitleFromModulePath(c.path), c.title) << c.path;
  // cp1252 letters with accents are lowered too; the first keeps its case.
  EXPECT_EQ(TitleFromModulePath(text::Utf8ToCp1252("/opt/ÉCOLE-ÇÃO.EXE")), text::Utf8ToCp1252("École-ção"));
}

TEST(AppTitle, TheRunningProgramTakesItsTitleFromItsOwnFile) {
  std::string title;
  std::string appText;
  auto result = RunProgram({}, {
                                   [&] {
                                     title = Application->AppTitle();
                                     char buffer[256] = {};
                                     GetWindowText(Application->AppWindow(), buffer, sizeof buffer);
                                     appText = buffer;
                                     apptest::RequestCloseOf(Form1->Handle());
                                   },
                               });
  std::string exe = testsupport::RunningProgramFile().filename().string();
  ASSERT_EQ(exe, std::string("headless_tests") + testsupport::kProgramSuffix);
  EXPECT_EQ(title, "headless_tests");
  EXPECT_EQ(appText, title) << "the title lives in the application window's text";
  EXPECT_EQ(result.exitCode, 0);
}

// ---- Errors that stop the start ------------------------------------------------------------------
#ifndef __EMSCRIPTEN__
struct Mapping {
  std::uintptr_t start;
  std::uintptr_t end;
  bool executable;
};

// The program file's mappings in this process, and its load base.
std::vector<Mapping> ProgramMappings(std::uintptr_t* base) {
  std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
  std::ifstream maps("/proc/self/maps");
  std::vector<Mapping> out;
  *base = UINTPTR_MAX;
  std::string line;
  while (std::getline(maps, line)) {
    std::istringstream in(line);
    std::string range, perms, offset, dev, inode, path;
    in >> range >> perms >> offset >> dev >> inode >> path;
    if (path != exe) continue;
    Mapping m{};
    m.start = std::stoull(range.substr(0, range.find('-')), nullptr, 16);
    m.end = std::stoull(range.substr(range.find('-') + 1), nullptr, 16);
    m.executable = perms.size() > 2 && perms[2] == 'x';
    if (std::stoull(offset, nullptr, 16) == 0 && m.start < *base) *base = m.start;
    out.push_back(m);
  }
  return out;
}
#endif

// The fatal box: task-modal, no owner, "Application Error", and the two lines naming the error's
// class, the program file and the raise address as an offset into it, then the message.
void ExpectFatalBox(const headless::MessageBoxRecord& box, const std::string& className,
                    const std::string& messageStart, const std::string& wholeMessage = {}) {
  EXPECT_EQ(box.caption, "Application Error");
  EXPECT_EQ(box.flags, static_cast<UINT>(MB_OK | MB_ICONSTOP | MB_TASKMODAL));
  EXPECT_EQ(box.owner, nullptr);
  static const std::regex kPattern("Exception (\\S+) in module (\\S+) at ([0-9A-F]{8})\\.\r\n([^\r\n]*)\r\n");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(box.text, m, kPattern)) << box.text;
  EXPECT_EQ(m[1].str(), className);
  EXPECT_EQ(m[2].str(), std::string("headless_tests") + testsupport::kProgramSuffix);
  std::string message = m[4].str();
  EXPECT_EQ(message.rfind(messageStart, 0), 0u) << message;
  if (!wholeMessage.empty()) {
    EXPECT_EQ(message, wholeMessage);
  }
  ASSERT_FALSE(message.empty());
  EXPECT_EQ(message.back(), '.') << "the fatal box ends the message with a period";
  // The address is code of the program where the error was raised.
#ifdef __EMSCRIPTEN__
  // WebAssembly knows no raise address (core/exceptions.h): the box names the module at offset 0.
  EXPECT_EQ(m[3].str(), "00000000");
#else
  std::uintptr_t base = 0;
  auto mappings = ProgramMappings(&base);
  ASSERT_NE(base, UINTPTR_MAX);
  std::uintptr_t address = base + std::stoull(m[3].str(), nullptr, 16);
  bool inCode = false;
  for (const Mapping& map : mappings) {
    if (map.executable && address >= map.start && address < map.end) inCode = true;
  }
  EXPECT_TRUE(inCode) << "offset " << m[3].str() << " is not code of the program";
#endif
}

// While the fatal box is open no window of the program shows.
RunOptions FatalOptions(const ResourceSet* resources, bool* windowShown) {
  RunOptions options;
  options.resources = resources;
  options.boxHandler = [windowShown](const headless::MessageBoxRecord& box) {
    auto tops = headless::Current().Stacking();
    for (HWND h : tops) {
      if (h != box.box && IsWindowVisible(h)) *windowShown = true;
    }
    headless::KeyDown(headless::keys::kReturn, "\r");
    headless::KeyUp(headless::keys::kReturn);
  };
  return options;
}

TEST(AppStartupError, AMissingMainWindowDescriptionEndsTheProgramWithCodeOne) {
  apptest::ResourceSwap swap;
  bool windowShown = false;
  auto result = RunProgram(FatalOptions(swap.Remove(RT_RCDATA, "TFORM1").Set(), &windowShown), {});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_FALSE(windowShown);
  ASSERT_EQ(result.boxes.size(), 1u);
  ExpectFatalBox(result.boxes[0], "EResNotFound", "Resource TForm1 not found.", "Resource TForm1 not found.");
}

struct UnreadableCase {
  const char* what;
  std::string description;  // UTF-8
  const char* messageStart;
};

class AppUnreadableDescription : public ::testing::TestWithParam<UnreadableCase> {};

TEST_P(AppUnreadableDescription, EndsTheProgramWithAReadErrorAndCodeOne) {
  apptest::ResourceSwap swap;
  swap.SetDescriptionBytes("TFORM1", text::Utf8ToCp1252(GetParam().description));
  bool windowShown = false;
  auto result = RunProgram(FatalOptions(swap.Set(), &windowShown), {});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_FALSE(windowShown);
  ASSERT_EQ(result.boxes.size(), 1u);
  ExpectFatalBox(result.boxes[0], "EReadError", GetParam().messageStart);
}

std::string Main() { return apptest::MainWindowDescription(); }

std::string WithoutLinesFrom(const std::string& description, const std::string& marker) {
  return description.substr(0, description.find(marker));
}

INSTANTIATE_TEST_SUITE_P(
    App, AppUnreadableDescription,
    ::testing::Values(
        UnreadableCase{"UnterminatedText", "window TForm1 Form1\n  Caption \"Tessivo\n",
                       "Error reading TFORM1: "},
        UnreadableCase{"TextWhereANumberGoes", apptest::InsertAfter(Main(), "Top 107", "  Left \"muito\""),
                       "Error reading Form1.Left: Invalid property value"},
        UnreadableCase{"UnknownProperty", apptest::InsertAfter(Main(), "Top 107", "  Cor clRed"),
                       "Error reading Form1.Cor: "},
        UnreadableCase{"UnknownColour", apptest::InsertAfter(Main(), "Top 107", "  Color clAzul"),
                       "Error reading Form1.Color: Invalid property value"},
        UnreadableCase{"MissingHandler", apptest::InsertAfter(Main(), "Top 107", "  OnShow FormShow"),
                       "Error reading Form1.OnShow: "},
        UnreadableCase{"AnotherWindowsDescription", "window TForm2 Form2\n  Left 1\n",
                       "Error reading Form2: "},
        UnreadableCase{"UnknownControlClass", Main() + "control TBotao Botao1\n  Left 1\n",
                       "Error reading Botao1: "},
        UnreadableCase{"CutInTheMiddle", WithoutLinesFrom(Main(), "ParentFont false") + "  Parent",
                       "Error reading TFORM1: "},
        UnreadableCase{"Binary",
                       std::string("\x7f"
                                   "ELF\x01\x02",
                                   6),
                       "Error reading TFORM1: "},
        UnreadableCase{"OnlyAComment", "# nada aqui\n", "Error reading TFORM1: "}),
    [](const ::testing::TestParamInfo<UnreadableCase>& info) { return std::string(info.param.what); });

LRESULT RefuseCreation(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) return FALSE;
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

// The application window cannot be made (its class name is taken by a class whose windows refuse
// to be created): the fatal box, and a clean end with code 1.
TEST(AppStartupError, AnApplicationWindowThatCannotBeMadeEndsTheProgramWithCodeOne) {
  bool windowShown = false;
  auto result = apptest::RunWithForm(FatalOptions(nullptr, &windowShown), {}, [] {
    // A class left from an earlier run in this process goes first; its windows are gone.
    UnregisterClass("TApplication", nullptr);
    WNDCLASS wc{};
    wc.lpfnWndProc = RefuseCreation;
    wc.lpszClassName = "TApplication";
    if (!RegisterClass(&wc)) return -1;
    int code = RunTessivo();
    UnregisterClass("TApplication", nullptr);
    return code;
  });
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(Application, nullptr);
  EXPECT_FALSE(windowShown);
  ASSERT_EQ(result.boxes.size(), 1u);
  ExpectFatalBox(result.boxes[0], "EOutOfResources", "Error creating window class.",
                 "Error creating window class.");
}

// An error object that is not one of the program's escapes the start: the same box without a
// message, and code 1.
TEST(AppStartupError, AForeignErrorWhileReadingEndsTheProgramWithCodeOne) {
  apptest::ResourceSwap swap;
  swap.SetDescription("TTESTFORM", apptest::TestFormDescription("control TTestBox Box1\n  FailWith \"x\"\n"));
  bool windowShown = false;
  auto result =
      apptest::RunWithForm(FatalOptions(swap.Set(), &windowShown), {}, apptest::RunTestFormSequence);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_FALSE(windowShown);
  ASSERT_EQ(result.boxes.size(), 1u);
  const auto& box = result.boxes[0];
  EXPECT_EQ(box.caption, "Application Error");
  EXPECT_EQ(box.flags, static_cast<UINT>(MB_OK | MB_ICONSTOP | MB_TASKMODAL));
  static const std::regex kPattern(std::string("Exception std::runtime_error in module headless_tests") +
                                   (*testsupport::kProgramSuffix != '\0' ? "\\.js" : "") +
                                   " at [0-9A-F]{8,16}\\.\r\n\r\n");
  EXPECT_TRUE(std::regex_match(box.text, kPattern)) << box.text;
}

// ---- Start-up show commands -----------------------------------------------------------------------
TEST(AppShowCommand, MaximisedShowsTheWindowMaximisedThoughItHasNoMaximiseButton) {
  RunOptions options;
  options.display.showCommand = SW_SHOWMAXIMIZED;
  bool looked = false;
  auto result = RunProgram(options, {
                                        [&] {
                                          looked = true;
                                          HWND form = Form1->Handle();
                                          EXPECT_EQ(Form1->WindowState(), TWindowState::wsMaximized);
                                          EXPECT_TRUE(IsWindowVisible(form));
                                          EXPECT_TRUE(IsZoomed(form));
                                          const headless::NativeWindow* native =
                                              headless::Current().Native(form);
                                          ASSERT_NE(native, nullptr);
                                          EXPECT_EQ(native->state, backend::NativeShowState::Maximized);
                                          EXPECT_FALSE(native->props.canMaximize);
                                          EXPECT_EQ(GetActiveWindow(), form);
                                          apptest::RequestCloseOf(form);
                                        },
                                    });
  EXPECT_TRUE(looked);
  EXPECT_EQ(result.exitCode, 0);
}

TEST(AppShowCommand, MinimisedWithoutActivationStaysOnTheTaskbarUntilRestored) {
  RunOptions options;
  options.display.showCommand = SW_SHOWMINNOACTIVE;
  std::vector<std::string> checked;
  auto result = RunProgram(
      options, {
                   [&] {
                     HWND form = Form1->Handle();
                     HWND app = Application->AppWindow();
                     EXPECT_EQ(Form1->WindowState(), TWindowState::wsMinimized);
                     EXPECT_FALSE(IsWindowVisible(form)) << "the window waits on the taskbar";
                     EXPECT_TRUE(IsIconic(app)) << "the program is minimised as a whole";
                     checked.push_back("minimised");
                     // The user clicks the taskbar button.
                     PostMessage(app, WM_SYSCOMMAND, SC_RESTORE, 0);
                   },
                   [&] {
                     HWND form = Form1->Handle();
                     EXPECT_FALSE(IsIconic(Application->AppWindow()));
                     EXPECT_TRUE(IsWindowVisible(form));
                     EXPECT_EQ(Form1->WindowState(), TWindowState::wsNormal);
                     EXPECT_EQ(headless::Current().Native(form)->state, backend::NativeShowState::Normal);
                     RECT r{};
                     GetWindowRect(form, &r);
                     EXPECT_EQ(r.left, 188);
                     EXPECT_EQ(r.top, 107);
                     EXPECT_EQ(GetActiveWindow(), form);
                     checked.push_back("restored");
                     apptest::RequestCloseOf(form);
                   },
               });
  EXPECT_EQ(checked, (std::vector<std::string>{"minimised", "restored"}));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.stepsLeft, 0u);
}

class AppOtherShowCommand : public ::testing::TestWithParam<int> {};

TEST_P(AppOtherShowCommand, ShowsTheWindowNormally) {
  RunOptions options;
  options.display.showCommand = GetParam();
  bool looked = false;
  auto result = RunProgram(options, {
                                        [&] {
                                          looked = true;
                                          HWND form = Form1->Handle();
                                          EXPECT_EQ(Form1->WindowState(), TWindowState::wsNormal);
                                          EXPECT_TRUE(IsWindowVisible(form));
                                          EXPECT_FALSE(IsIconic(form));
                                          EXPECT_FALSE(IsZoomed(form));
                                          EXPECT_FALSE(IsIconic(Application->AppWindow()));
                                          EXPECT_EQ(headless::Current().Native(form)->state,
                                                    backend::NativeShowState::Normal);
                                          EXPECT_EQ(GetActiveWindow(), form);
                                          apptest::RequestCloseOf(form);
                                        },
                                    });
  EXPECT_TRUE(looked);
  EXPECT_EQ(result.exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(App, AppOtherShowCommand,
                         ::testing::Values(SW_HIDE, SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWNOACTIVATE,
                                           SW_SHOW, SW_MINIMIZE, SW_SHOWNA, SW_RESTORE, SW_SHOWDEFAULT));

// ---- Nothing of the audio stack at start ------------------------------------------------------------
TEST(AppStartup, LoadsNothingOfTheAudioStack) {
  std::string maps;
  auto result = RunProgram({}, {
                                   [&] {
                                     std::ifstream in("/proc/self/maps");
                                     std::stringstream all;
                                     all << in.rdbuf();
                                     maps = all.str();
                                     apptest::RequestCloseOf(Form1->Handle());
                                   },
                               });
  ASSERT_FALSE(maps.empty());
  for (const char* library : {"libfluidsynth", "libasound", "libpulse", "libjack", "libsndfile",
                              "libportaudio", "libSDL", "libpipewire", "libinstpatch"}) {
    EXPECT_EQ(maps.find(library), std::string::npos) << library << " is loaded at start";
  }
  EXPECT_EQ(result.exitCode, 0);
}

}  // namespace

// A machine whose fontconfig offers no font at all: the program says once, on standard error,
// which package to install, and still shows its window at the designed size.
TEST(AppStartup, WithoutAnyUsableFontItSaysWhatToInstallAndKeepsItsSize) {
  const std::filesystem::path config =
      std::filesystem::temp_directory_path() / ("tessivo-no-fonts-" + std::to_string(getpid()) + ".conf");
  std::ofstream(config) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
  setenv("FONTCONFIG_FILE", config.c_str(), 1);
  StderrCapture capture;
  int width = 0;
  int height = 0;
  auto result = apptest::RunProgram({}, {
                                            [&] {
                                              width = Form1->ClientWidth();
                                              height = Form1->ClientHeight();
                                              apptest::RequestCloseOf(Form1->Handle());
                                            },
                                        });
  const std::string printed = capture.Finish();
  unsetenv("FONTCONFIG_FILE");
  std::filesystem::remove(config);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(width, 981);
  EXPECT_EQ(height, 277);
  EXPECT_NE(printed.find("fonts-liberation2"), std::string::npos) << printed;
  EXPECT_EQ(printed.find("fonts-liberation2"), printed.rfind("fonts-liberation2")) << "said more than once";
}
