// SPDX-License-Identifier: GPL-3.0-or-later
// The real program binary on a private X server, looked at as a window manager and a screenshot
// tool would: place and size, the frame it asks for, the taskbar name from its file's name, the
// pixels (the same as the headless display's for the same program), the screen's pixels per inch,
// the audio stack left unloaded, and the end through the window manager's close.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

#include "app/main_form.h"
#include "controls/combo/custom_combo_box.h"
#include "controls/grid/string_grid.h"
#include "controls/player/media_player.h"
#include "headless/combo_test_run.h"
#include "platform/combo_box.h"
#include "platform/window.h"
#include "support/app_run.h"
#include "support/reference_image.h"
#include "x11/program_on_xvfb.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

class AppX11 : public ProgramOnXvfb {
 protected:
  void TearDown() override {
    std::error_code ec;
    if (!m_tempDir.empty()) std::filesystem::remove_all(m_tempDir, ec);
  }

  // A copy of the program under another file name, in a fresh directory.
  std::string CopyAs(const std::string& name) {
    char pattern[] = "/tmp/tessivo-app-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (dir == nullptr) return {};
    m_tempDir = dir;
    std::filesystem::path target = m_tempDir / name;
    std::error_code ec;
    std::filesystem::copy_file(TESSIVO_BINARY_DIR "/tessivo", target, ec);
    if (ec) return {};
    std::filesystem::permissions(target, std::filesystem::perms::owner_all, ec);
    return target.string();
  }

  // The program's memory map: which libraries it has loaded.
  std::string Maps() {
    std::ifstream in("/proc/" + std::to_string(m_program->Pid()) + "/maps");
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }

  std::optional<std::string> IconName() {
    return x11test::ReadBytes(Peek(), m_main, "WM_ICON_NAME", "STRING");
  }

  std::filesystem::path m_tempDir;
};

TEST_F(AppX11, TheWindowSitsAt188x107WithAFixedDialogFrame) {
  Start();
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(Peek(), m_main, &attributes));
  EXPECT_EQ(attributes.width, 981);
  EXPECT_EQ(attributes.height, 277);
  // No window manager: the window lies where the program put it.
  Window child = None;
  int x = 0;
  int y = 0;
  XTranslateCoordinates(Peek(), m_main, DefaultRootWindow(Peek()), 0, 0, &x, &y, &child);
  EXPECT_EQ(x, 188);
  EXPECT_EQ(y, 107);

  XSizeHints hints{};
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(Peek(), m_main, &hints, &supplied));
  EXPECT_TRUE(hints.flags & USPosition) << "the program chose the place";
  EXPECT_EQ(hints.x, 188);
  EXPECT_EQ(hints.y, 107);
  ASSERT_TRUE((hints.flags & PMinSize) && (hints.flags & PMaxSize));
  EXPECT_EQ(hints.min_width, hints.max_width);
  EXPECT_EQ(hints.min_height, hints.max_height);

  // Motif hints: functions MOVE | CLOSE only; decorations BORDER | TITLE | MENU (no minimise or
  // maximise button, no resize handles).
  const std::vector<long> motif = x11test::ReadLongs(Peek(), m_main, "_MOTIF_WM_HINTS");
  ASSERT_EQ(motif.size(), 5u);
  EXPECT_EQ(motif[0] & 3, 3) << "functions and decorations are both given";
  EXPECT_EQ(motif[1], 4 | 32);
  EXPECT_EQ(motif[2], 2 | 8 | 16);

  EXPECT_EQ(x11test::ReadBytes(Peek(), m_main, "_NET_WM_NAME", "UTF8_STRING"), "Tessivo - Versão 1.0");
  EXPECT_EQ(x11test::ReadBytes(Peek(), m_main, "WM_NAME", "STRING"), "Tessivo - Vers\xE3o 1.0")
      << "WM_NAME in Latin-1";
  EXPECT_EQ(x11test::ReadLongs(Peek(), m_main, "_NET_WM_PID"), std::vector<long>{m_program->Pid()});
  EXPECT_EQ(x11test::ReadBytes(Peek(), m_main, "_NET_WM_ICON_NAME", "UTF8_STRING"), "tessivo");
  EXPECT_EQ(IconName(), "tessivo");
  std::vector<std::string> protocols = x11test::ReadAtomNames(Peek(), m_main, "WM_PROTOCOLS");
  EXPECT_NE(std::find(protocols.begin(), protocols.end(), "WM_DELETE_WINDOW"), protocols.end());
  // The application window is never mapped, so the main window carries the taskbar entry, and
  // the entry shows the program's icon: the one the main window's desktop properties carry on
  // the headless display (the application window's MAINICON), although the program sets no
  // caption icon of its own on the dialog frame.
  std::vector<std::string> state = x11test::ReadAtomNames(Peek(), m_main, "_NET_WM_STATE");
  EXPECT_EQ(std::find(state.begin(), state.end(), "_NET_WM_STATE_SKIP_TASKBAR"), state.end());
  const std::vector<long> icon = x11test::ReadLongs(Peek(), m_main, "_NET_WM_ICON");
  // Each size as width, height, pixels: the program's 32 x 32 drawing first, then 16 and 48.
  std::vector<std::pair<long, long>> sizes;
  for (std::size_t at = 0; at + 2 <= icon.size();
       at += 2 + static_cast<std::size_t>(icon[at] * icon[at + 1])) {
    sizes.emplace_back(icon[at], icon[at + 1]);
  }
  EXPECT_EQ(sizes, (std::vector<std::pair<long, long>>{{32, 32}, {16, 16}, {48, 48}}));
  EXPECT_EQ(icon.size(), std::size_t{2 + 32 * 32 + 2 + 16 * 16 + 2 + 48 * 48}) << "nothing after the sizes";
  std::vector<std::uint32_t> taskbarIcon;
  for (long value : icon) taskbarIcon.push_back(static_cast<std::uint32_t>(value));
  std::vector<std::uint32_t> headlessIcon;
  std::vector<std::uint32_t> applicationIcon;
  apptest::RunProgram({}, {[&] {
                        headlessIcon = headless::Current().Native(Form1->Handle())->props.iconArgb;
                        applicationIcon =
                            headless::Current().Native(GetWindow(Form1->Handle(), GW_OWNER))->props.iconArgb;
                        apptest::RequestCloseOf(Form1->Handle());
                      }});
  EXPECT_FALSE(applicationIcon.empty());
  EXPECT_EQ(headlessIcon, applicationIcon);
  EXPECT_EQ(taskbarIcon, headlessIcon);
  int viewable = 0;
  for (Window w : x11test::WindowsOfProcess(Peek(), m_program->Pid())) {
    viewable += x11test::WindowViewable(Peek(), w) ? 1 : 0;
  }
  EXPECT_EQ(viewable, 1) << "one window on the screen";

  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

// The same program on the headless display and on the X server shows the same pixels.
TEST_F(AppX11, ShowsTheSamePixelsAsTheHeadlessDisplay) {
  std::vector<std::uint32_t> headless;
  int width = 0;
  int height = 0;
  auto result = apptest::RunProgram({}, {
                                            [&] {
                                              HWND form = Form1->Handle();
                                              RECT client{};
                                              GetClientRect(form, &client);
                                              width = client.right;
                                              height = client.bottom;
                                              headless = apptest::PresentedArea(form, client);
                                              apptest::RequestCloseOf(form);
                                            },
                                        });
  ASSERT_EQ(result.exitCode, 0);
  ASSERT_EQ(width, 981);
  ASSERT_EQ(height, 277);

  Start();
  std::vector<std::uint32_t> shown;
  x11test::PumpUntil(
      [&] {
        shown = x11test::ReadPixels(Peek(), m_main, 0, 0, width, height);
        return shown == headless;
      },
      [] { usleep(20000); }, kWaitMs);
  ASSERT_EQ(shown.size(), headless.size());
  std::size_t differing = 0;
  int firstX = -1;
  int firstY = -1;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] != headless[i]) {
      if (differing++ == 0) {
        firstX = static_cast<int>(i % static_cast<std::size_t>(width));
        firstY = static_cast<int>(i / static_cast<std::size_t>(width));
      }
    }
  }
  EXPECT_EQ(differing, 0u) << "first difference at " << firstX << "," << firstY;
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

// A copy of the program under another file name: the taskbar calls it by what precedes the
// file name's first dot, lowered letter by letter in the program's code page after the first
// letter, and shown in the desktop's. WM_ICON_NAME is Latin-1 when Latin-1 holds the name, else
// COMPOUND_TEXT (the code page's Œ is not in Latin-1), which Xlib's converter writes; a Latin-1
// name never loads that converter. The window's own caption does not change.
struct TaskbarName {
  const char* label;
  const char* file;
  const char* utf8;    // _NET_WM_ICON_NAME
  const char* latin1;  // WM_ICON_NAME as STRING; nullptr where it is COMPOUND_TEXT
};

void PrintTo(const TaskbarName& name, std::ostream* out) { *out << name.file; }

class AppX11FileName : public AppX11, public ::testing::WithParamInterface<TaskbarName> {};

TEST_P(AppX11FileName, NamesTheTaskbarEntry) {
  const TaskbarName& name = GetParam();
  const std::string copy = CopyAs(name.file);
  ASSERT_FALSE(copy.empty());
  Start(copy);
  EXPECT_EQ(x11test::ReadBytes(Peek(), m_main, "_NET_WM_ICON_NAME", "UTF8_STRING"), name.utf8);
  if (name.latin1 != nullptr) {
    EXPECT_EQ(IconName(), name.latin1) << "WM_ICON_NAME in Latin-1";
  } else {
    const std::optional<std::string> compound =
        x11test::ReadBytes(Peek(), m_main, "WM_ICON_NAME", "COMPOUND_TEXT");
    ASSERT_TRUE(compound.has_value());
    EXPECT_NE(compound->find('\x1b'), std::string::npos) << "no character set was designated: " << *compound;
  }
  EXPECT_EQ(x11test::ReadBytes(Peek(), m_main, "_NET_WM_NAME", "UTF8_STRING"), "Tessivo - Versão 1.0")
      << "the window's own caption does not change";
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

INSTANTIATE_TEST_SUITE_P(
    Files, AppX11FileName,
    ::testing::Values(TaskbarName{"ABCdotEXE", "ABC.EXE", "Abc", "Abc"},
                      TaskbarName{"SeveralDots", "TESSIVO.Versao.1.0", "Tessivo", "Tessivo"},
                      TaskbarName{"AccentedInLatin1", "ÁRVORE.ÇÃO", "Árvore", "\xC1rvore"},
                      TaskbarName{"OutsideLatin1", "ŒUVRE", "Œuvre", nullptr}),
    [](const ::testing::TestParamInfo<TaskbarName>& info) { return std::string(info.param.label); });

TEST_F(AppX11, LoadsNothingOfTheAudioStackAtStart) {
  Start();
  const std::string maps = Maps();
  ASSERT_FALSE(maps.empty());
  for (const char* library : {"libfluidsynth", "libasound", "libpulse", "libjack", "libsndfile",
                              "libportaudio", "libSDL", "libpipewire", "libinstpatch"}) {
    EXPECT_EQ(maps.find(library), std::string::npos) << library << " is loaded at start";
  }
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

// The font file that answers the window's font is remembered in the user's cache: a start after
// the first loads no font configuration at all and draws the same, and a font configuration the
// user adds later is honoured at the next start.
TEST_F(AppX11, LaterStartsReadNoFontConfigurationUntilTheUserChangesIt) {
  char pattern[] = "/tmp/tessivo-fonts-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  m_tempDir = pattern;
  const std::vector<std::string> environment = {"XDG_CACHE_HOME=" + (m_tempDir / "cache").string(),
                                                "XDG_CONFIG_HOME=" + (m_tempDir / "config").string()};
  struct Shown {
    bool fontconfigLoaded = false;
    std::vector<std::uint32_t> pixels;
  };
  auto startAndLook = [&] {
    Shown shown;
    Start(TESSIVO_BINARY_DIR "/tessivo", environment);
    shown.pixels = SettledPixels(0, 0, 981, 277);
    shown.fontconfigLoaded = Maps().find("libfontconfig") != std::string::npos;
    CloseLikeAWindowManager();
    ExpectEndsWithCodeZero();
    return shown;
  };

  const Shown first = startAndLook();
  EXPECT_TRUE(first.fontconfigLoaded) << "nothing was remembered yet";
  EXPECT_TRUE(std::filesystem::exists(m_tempDir / "cache/tessivo/font-matches"));
  const Shown second = startAndLook();
  EXPECT_FALSE(second.fontconfigLoaded);
  EXPECT_TRUE(second.pixels == first.pixels) << "the remembered font draws differently";

  // The user sets fontconfig to refuse Liberation Sans: the next start asks fontconfig again.
  std::filesystem::create_directories(m_tempDir / "config/fontconfig");
  std::ofstream(m_tempDir / "config/fontconfig/fonts.conf")
      << "<?xml version=\"1.0\"?>\n<fontconfig><selectfont><rejectfont>"
         "<glob>*/LiberationSans-*</glob></rejectfont></selectfont></fontconfig>\n";
  const Shown third = startAndLook();
  EXPECT_TRUE(third.fontconfigLoaded);
  EXPECT_FALSE(third.pixels == first.pixels) << "Liberation Sans still drawn";
}

// How often the process has been woken: voluntary context switches, from /proc.
long Wakeups(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::stol(line.substr(24));
  }
  return -1;
}

// SIGTERM, SIGINT and SIGHUP end the program as closing its window does, promptly and without a
// word, and its exit status tells which signal it was (128 + its number).
class AppX11Signal : public AppX11, public ::testing::WithParamInterface<int> {};

TEST_P(AppX11Signal, EndsTheProgramWithItsStatus) {
  const int signal = GetParam();
  Start();
  ASSERT_EQ(kill(m_program->Pid(), signal), 0);
  const std::optional<int> status = m_program->WaitExit(kWaitMs);
  ASSERT_TRUE(status.has_value()) << "still running after the signal";
  ASSERT_TRUE(WIFEXITED(*status)) << "killed instead of ending: " << m_program->StandardError();
  EXPECT_EQ(WEXITSTATUS(*status), 128 + signal);
  EXPECT_EQ(m_program->StandardError(), "");
}

INSTANTIATE_TEST_SUITE_P(Termination, AppX11Signal, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

// Another client destroys the window (a broken window manager, xdotool windowclose): the program
// cannot go on without it and ends at once, saying why, as for a lost display.
TEST_F(AppX11, AWindowDestroyedByAnotherClientEndsTheProgram) {
  Start();
  XDestroyWindow(Peek(), m_main);
  XSync(Peek(), False);
  const std::optional<int> status = m_program->WaitExit(kWaitMs);
  ASSERT_TRUE(status.has_value()) << "still running without its window";
  ASSERT_TRUE(WIFEXITED(*status)) << m_program->StandardError();
  EXPECT_EQ(WEXITSTATUS(*status), 1);
  EXPECT_NE(m_program->StandardError().find("destroyed its window"), std::string::npos)
      << m_program->StandardError();
}

// Once painted, the program waits for the next event without waking up: no polling, no timers.
// With the focus in the key selector's field its caret blinks, then stops after a while without
// input (shortened here through TESSIVO_CARET_IDLE_MS), and the program sleeps again.
enum class Caret { Elsewhere, InTheKeySelector };

void PrintTo(Caret caret, std::ostream* out) {
  *out << (caret == Caret::Elsewhere ? "caret elsewhere" : "caret in the key selector");
}

class AppX11Idle : public AppX11, public ::testing::WithParamInterface<Caret> {
 protected:
  static constexpr int kCaretIdleMs = 1000;
  // Asleep: woken at most twice in two seconds (a late reply from the server may still come).
  // Blinking wakes the program at least three times in that time.
  static constexpr std::chrono::seconds kQuiet{2};
  static constexpr long kQuietWakeups = 2;

  // Looks at stretches of kQuiet until one is quiet; false at the deadline. `woken` is the last
  // stretch's count.
  bool FallsAsleep(long* woken) {
    const long long deadline = x11test::MonotonicMs() + kWaitMs;
    do {
      const long before = Wakeups(m_program->Pid());
      if (before < 0) {
        ADD_FAILURE() << "no count of wake-ups in /proc";
        return false;
      }
      std::this_thread::sleep_for(kQuiet);
      *woken = Wakeups(m_program->Pid()) - before;
      if (*woken <= kQuietWakeups) return true;
    } while (x11test::MonotonicMs() < deadline);
    return false;
  }
};

TEST_P(AppX11Idle, TheProgramSleepsOnceNothingHappens) {
  Start(TESSIVO_BINARY_DIR "/tessivo", {"TESSIVO_CARET_IDLE_MS=" + std::to_string(kCaretIdleMs)});
  if (GetParam() == Caret::InTheKeySelector) {
    // The key selector's field: shown, then focused by Tab, then its caret blinks.
    constexpr RECT kField{72, 16, 72 + 185, 16 + 21};
    auto look = [&] {
      return x11test::ReadPixels(Peek(), m_main, kField.left, kField.top, kField.right - kField.left,
                                 kField.bottom - kField.top);
    };
    std::vector<std::vector<std::uint32_t>> looks = {
        SettledPixels(kField.left, kField.top, kField.right - kField.left, kField.bottom - kField.top)};
    ASSERT_FALSE(looks.back().empty()) << "the field was not painted";
    PressKey(XK_Tab);
    EXPECT_TRUE(WaitFor([&] {
      std::vector<std::uint32_t> now = look();
      if (now != looks.back()) looks.push_back(std::move(now));
      return looks.size() > 2;
    })) << "no blinking: the field changed "
        << looks.size() - 1 << " times after Tab";
  }
  long woken = 0;
  EXPECT_TRUE(FallsAsleep(&woken)) << "woken " << woken << " times in two seconds of idleness";
  RecordProperty("WakeupsWhileIdle", static_cast<int>(woken));
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

INSTANTIATE_TEST_SUITE_P(Focus, AppX11Idle, ::testing::Values(Caret::Elsewhere, Caret::InTheKeySelector),
                         [](const ::testing::TestParamInfo<Caret>& info) {
                           return std::string(info.param == Caret::Elsewhere ? "CaretElsewhere"
                                                                             : "CaretInTheKeySelector");
                         });

// The desktop says 120 or 192 pixels per inch (Xft.dpi): the window's client area grows by the
// measured text height of its 8-point font over the design's 13, its place stays, and the grid's
// cells grow with it, so the real window's grid shows what the headless display shows at the same
// resolution and its columns reach its right edge.
class AppX11Resolution : public AppX11, public ::testing::WithParamInterface<int> {
 protected:
  // Room for the whole window at 192 pixels per inch, so every pixel of it can be read back. The
  // headless runs have the same screen, so the window keeps its place on both.
  static constexpr int kScreenWidth = 2560;
  static constexpr int kScreenHeight = 1600;
  std::vector<std::string> ServerArgs() const override {
    return {"-screen", "0", std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24"};
  }
};

TEST_P(AppX11Resolution, FollowsTheDesktopsPixelsPerInch) {
  const int dpi = GetParam();
  const std::string resources = "Xft.dpi:\t" + std::to_string(dpi) + "\n";
  XChangeProperty(Peek(), DefaultRootWindow(Peek()), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(resources.data()),
                  static_cast<int>(resources.size()));
  XSync(Peek(), False);
  // What the headless display makes of the same program at this resolution.
  int expectedWidth = 0;
  int expectedHeight = 0;
  RECT grid{};
  std::vector<std::uint32_t> expectedGrid;
  apptest::RunOptions options;
  options.display.dpi = dpi;
  options.display.screenWidth = kScreenWidth;
  options.display.screenHeight = kScreenHeight;
  auto result = apptest::RunProgram(options, {
                                                 [&] {
                                                   expectedWidth = Form1->ClientWidth();
                                                   expectedHeight = Form1->ClientHeight();
                                                   grid = Form1->StringGrid1->BoundsRect();
                                                   expectedGrid =
                                                       apptest::PresentedArea(Form1->Handle(), grid);
                                                   apptest::RequestCloseOf(Form1->Handle());
                                                 },
                                             });
  ASSERT_EQ(result.exitCode, 0);
  ASSERT_GT(expectedWidth, 981) << "the substitute font measures more than 13 pixels here";

  Start();
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(Peek(), m_main, &attributes));
  EXPECT_EQ(attributes.width, expectedWidth);
  EXPECT_EQ(attributes.height, expectedHeight);
  Window child = None;
  int x = 0;
  int y = 0;
  XTranslateCoordinates(Peek(), m_main, DefaultRootWindow(Peek()), 0, 0, &x, &y, &child);
  EXPECT_EQ(x, 188);
  EXPECT_EQ(y, 107);
  const int gridWidth = grid.right - grid.left;
  const int gridHeight = grid.bottom - grid.top;
  // A window this large may still be drawing its first frame when it becomes viewable.
  std::vector<std::uint32_t> shown;
  for (int waited = 0; waited < kWaitMs; waited += 50) {
    shown = x11test::ReadPixels(Peek(), m_main, grid.left, grid.top, gridWidth, gridHeight);
    for (std::uint32_t& p : shown) p &= 0xFFFFFFu;
    if (shown == expectedGrid) break;
    usleep(50000);
  }
  std::size_t differing = 0;
  std::size_t first = 0;
  for (std::size_t i = 0; i < shown.size() && i < expectedGrid.size(); ++i) {
    if (shown[i] != expectedGrid[i] && differing++ == 0) first = i;
  }
  EXPECT_EQ(shown.size(), expectedGrid.size());
  EXPECT_EQ(differing, 0u) << "the grid differs from the headless one at " << dpi << ", first at x "
                           << first % gridWidth << " y " << first / gridWidth;
  // Inside the sunken edge, at the right end of the header row: the last column, not an empty band.
  const std::uint32_t rightEnd = shown[static_cast<std::size_t>(gridHeight / 5) * gridWidth + gridWidth - 3];
  EXPECT_NE(rightEnd, 0xFFFFFFu);
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

INSTANTIATE_TEST_SUITE_P(Screens, AppX11Resolution, ::testing::Values(120, 192));

// At 120, 144 and 192 pixels per inch the real server's open key list shows what the headless
// display shows (every name whole, fifteen rows),
// and a key chosen by pointing at its row and pressing Enter becomes the key: the chord row and
// the Play button then show what they show on the headless display after the same choice.
using AppX11KeyList = AppX11Resolution;

TEST_P(AppX11KeyList, TheOpenListIsTheHeadlessOneAndAPointedRowIsChosenWithEnter) {
  const int kDpi = GetParam();
  constexpr int kRow = 4;
  const std::string resources = "Xft.dpi:\t" + std::to_string(kDpi) + "\n";
  XChangeProperty(Peek(), DefaultRootWindow(Peek()), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(resources.data()),
                  static_cast<int>(resources.size()));
  XSync(Peek(), False);
  POINT button{};
  RECT list{};
  POINT row{};
  std::vector<std::uint32_t> listPixels;
  RECT grid{};
  RECT play{};
  std::vector<std::uint32_t> gridPixels;
  std::vector<std::uint32_t> playPixels;
  int chosen = -2;
  apptest::RunOptions options;
  options.display.dpi = kDpi;
  options.display.screenWidth = kScreenWidth;
  options.display.screenHeight = kScreenHeight;
  auto result = apptest::RunProgram(
      options, {
                   [&] {
                     HWND selector = Form1->ComboBox1->Handle();
                     RECT client{};
                     GetClientRect(selector, &client);
                     button = {client.right - 8, client.bottom / 2};
                     ClientToScreen(selector, &button);
                     headless::Click(button.x, button.y);
                     ScreenToClient(Form1->Handle(), &button);
                   },
                   [&] {
                     HWND popup = combotest::DropList();
                     ASSERT_NE(popup, nullptr) << "the button opened no list";
                     GetWindowRect(popup, &list);
                     listPixels = testpng::Presented(popup).pixels;
                     const int rowHeight =
                         static_cast<int>(SendMessage(Form1->ComboBox1->Handle(), CB_GETITEMHEIGHT, 0, 0));
                     row = {list.left + rowHeight, list.top + 1 + kRow * rowHeight + rowHeight / 2};
                     headless::MouseMove(row.x, row.y);
                     headless::PressKey(headless::keys::kReturn);
                   },
                   [&] {
                     chosen = Form1->ComboBox1->ItemIndex();
                     grid = Form1->StringGrid1->BoundsRect();
                     play = Form1->MediaPlayer1->BoundsRect();
                     gridPixels = apptest::PresentedArea(Form1->Handle(), grid);
                     playPixels = apptest::PresentedArea(Form1->Handle(), play);
                     apptest::RequestCloseOf(Form1->Handle());
                   },
               });
  ASSERT_EQ(result.exitCode, 0);
  ASSERT_EQ(chosen, kRow) << "pointing and Enter chose no key on the headless display";

  Start();
  ClickAt(OnRoot(button.x, button.y));
  ASSERT_TRUE(WaitFor([&] { return OpenList().has_value(); })) << "the button opened no list";
  const RECT shownList = *OpenList();
  ASSERT_EQ(shownList.left, list.left);
  ASSERT_EQ(shownList.top, list.top);
  ASSERT_EQ(shownList.right, list.right);
  ASSERT_EQ(shownList.bottom, list.bottom);
  Window root = DefaultRootWindow(Peek());
  const int width = list.right - list.left;
  const int height = list.bottom - list.top;
  EXPECT_TRUE(WaitFor([&] {
    return x11test::ReadPixels(Peek(), root, list.left, list.top, width, height) == listPixels;
  })) << "the open list differs from the headless one";

  XTestFakeMotionEvent(Peek(), -1, row.x, row.y, CurrentTime);
  PressKey(XK_Return);
  ASSERT_TRUE(WaitFor([&] { return !OpenList().has_value(); })) << "Enter did not close the list";
  auto shows = [&](const RECT& r, const std::vector<std::uint32_t>& expected) {
    return x11test::ReadPixels(Peek(), m_main, r.left, r.top, r.right - r.left, r.bottom - r.top) == expected;
  };
  EXPECT_TRUE(WaitFor([&] { return shows(grid, gridPixels); })) << "the chord row did not follow the key";
  EXPECT_TRUE(WaitFor([&] { return shows(play, playPixels); })) << "the Play button did not follow the key";
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

INSTANTIATE_TEST_SUITE_P(Screens, AppX11KeyList, ::testing::Values(120, 144, 192));

}  // namespace
