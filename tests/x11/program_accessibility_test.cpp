// SPDX-License-Identifier: GPL-3.0-or-later
// The real program read by a real screen-reader client through AT-SPI2, in a desktop session of its
// own (openbox, a session bus, the accessibility bus): the client sees the window as the user does
// (its caption, the seven labels, the chord table with its headers, the key selector with its field
// and list, the Play button), hears the focus move on Tab and the chords change when a key is
// chosen from the keyboard, presses Play through its action, and reads an error box. The program
// outlives the accessibility bus's death, and without any bus it loads nothing of D-Bus at all.
// What the windows should say comes from the same program on the headless display.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/label.h"
#include "app/main_form.h"
#include "base/cp1252.h"
#include "controls/combo/custom_combo_box.h"
#include "controls/grid/string_grid.h"
#include "controls/player/media_player.h"
#include "support/app_run.h"
#include "support/required_tools.h"
#include "support/test_cache_folder.h"
#include "x11/accessibility_session.h"
#include "x11/program_on_xvfb.h"
#include "x11/sound_check.h"

#include <X11/keysym.h>

namespace {

using x11test::ClientFields;
using x11test::Field;
using x11test::ListField;
using EventMatch = std::function<bool(const ClientFields&)>;

constexpr const char* kAppName = "tessivo";
// The client's own time limit, below the test's wait for it; a listening client's, beyond the test.
constexpr const char* kClientSeconds = "10";
constexpr const char* kListenSeconds = "60";
constexpr const char* kFocused = "object:state-changed:focused";
constexpr const char* kNameChanged = "object:property-change:accessible-name";
// A point on the key selector's drop-down button, this far inside its right top corner.
constexpr int kComboButtonInset = 8;

// What the program shows, as the headless display's run of it knows it (UTF-8).
struct Shown {
  std::string caption;
  std::vector<std::pair<std::string, RECT>> labels;
  std::vector<std::string> headers;
  std::vector<std::string> chords;  // the chord row after the first key
  int rows = 0;
  int columns = 0;
  int currentColumn = 0;
  std::string keyField;
  std::vector<std::string> keys;
  RECT grid{};
  RECT keySelector{};
  RECT player{};
};

bool Has(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

class ProgramAccessibility : public ProgramOnXvfb {
 protected:
  void SetUp() override {
    if (!testsupport::ToolsInstalled({"/usr/bin/openbox", "/usr/bin/dbus-daemon",
                                      "/usr/libexec/at-spi-bus-launcher", "/usr/bin/python3"},
                                     "openbox dbus at-spi2-core python3-gi gir1.2-atspi-2.0")) {
      return;
    }
    ProgramOnXvfb::SetUp();
  }
  void TearDown() override {
    m_events.reset();
    m_program.reset();  // before the session: its bus goes after the program
    m_session.reset();
    std::error_code ec;
    if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ec);
  }

  void StartSession() {
    std::string error;
    m_session = x11test::AccessibilitySession::Start(Peek(), m_server->DisplayName(),
                                                     TestCacheFolder() + "/session", &error, kWaitMs);
    ASSERT_NE(m_session, nullptr) << error;
  }

  std::vector<ClientFields> Tree() {
    const auto run = m_session->RunClient({"--seconds", kClientSeconds, "tree", kAppName}, kWaitMs);
    EXPECT_TRUE(run.ended && run.exitCode == 0) << "the client: " << run.errors;
    return x11test::ParseClientLines(run.output);
  }
  void Client(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"--seconds", kClientSeconds};
    all.insert(all.end(), args.begin(), args.end());
    const auto run = m_session->RunClient(all, kWaitMs);
    EXPECT_TRUE(run.ended && run.exitCode == 0) << "the client: " << run.errors;
  }

  // The client listening to the program's events; the user acts once it is ready.
  void Listen(const std::vector<std::string>& types) {
    std::vector<std::string> args = {"--seconds", kListenSeconds, "--app", kAppName, "events"};
    args.insert(args.end(), types.begin(), types.end());
    m_events = m_session->StartClient(args);
    ASSERT_NE(m_events, nullptr);
    ASSERT_TRUE(WaitFor([&] { return m_events->StandardOutput().starts_with("ready\n"); }))
        << m_events->StandardError();
    m_seen = 0;
  }
  // Waits until each of `matches` accepts an event that came after those already taken, in any
  // order; then takes everything up to the last of them.
  bool Heard(const std::vector<EventMatch>& matches) {
    return WaitFor([&] {
      const std::vector<ClientFields> events = x11test::ParseClientLines(m_events->StandardOutput());
      std::size_t last = m_seen;
      for (const EventMatch& match : matches) {
        const auto found =
            std::find_if(events.begin() + static_cast<std::ptrdiff_t>(m_seen), events.end(), match);
        if (found == events.end()) return false;
        last = std::max(last, static_cast<std::size_t>(found - events.begin()) + 1);
      }
      m_seen = last;
      return true;
    });
  }
  std::string EventsSoFar() { return m_events->StandardOutput() + m_events->StandardError(); }

  // A client rectangle of the main window on the screen.
  RECT OnScreen(const RECT& r) {
    const POINT p = OnRoot(r.left, r.top);
    return {p.x, p.y, p.x + r.right - r.left, p.y + r.bottom - r.top};
  }
  std::string Maps() {
    std::ifstream in("/proc/" + std::to_string(m_program->Pid()) + "/maps");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  std::unique_ptr<x11test::AccessibilitySession> m_session;
  std::unique_ptr<x11test::ChildProcess> m_events;
  std::size_t m_seen = 0;
  std::filesystem::path m_dir;
};

// The object's screen rectangle as the client reads it ("x,y,width,height"), and a rectangle
// written the same way.
std::string Extents(const ClientFields& object) { return Field(object, "extents"); }
std::string AsExtents(const RECT& r) {
  std::ostringstream out;
  out << r.left << ',' << r.top << ',' << r.right - r.left << ',' << r.bottom - r.top;
  return out.str();
}
// Whether the object lies inside `r` and is not empty.
bool Within(const ClientFields& object, const RECT& r) {
  int x = 0, y = 0, width = 0, height = 0;
  char comma = 0;
  std::istringstream in(Extents(object));
  if (!(in >> x >> comma >> y >> comma >> width >> comma >> height)) return false;
  return width > 0 && height > 0 && x >= r.left && y >= r.top && x + width <= r.right &&
         y + height <= r.bottom;
}

// The objects with `role` (and `name`, when given) in reading order.
std::vector<ClientFields> All(const std::vector<ClientFields>& tree, const std::string& role,
                              const std::string* name = nullptr) {
  std::vector<ClientFields> found;
  for (const ClientFields& o : tree) {
    if (Field(o, "role") == role && (name == nullptr || Field(o, "name") == *name)) found.push_back(o);
  }
  return found;
}
// The objects under `parent` (its descendants, found by their paths).
std::vector<ClientFields> Under(const std::vector<ClientFields>& tree, const ClientFields& parent) {
  std::vector<ClientFields> found;
  const std::string prefix = Field(parent, "path").empty() ? "" : Field(parent, "path") + "/";
  for (const ClientFields& o : tree) {
    const std::string path = Field(o, "path");
    if (path.starts_with(prefix) && path != Field(parent, "path") && path.find('@') == std::string::npos) {
      found.push_back(o);
    }
  }
  return found;
}
const ClientFields* Cell(const std::vector<ClientFields>& tree, const ClientFields& table, int row,
                         int column) {
  const std::string path = Field(table, "path") + "@" + std::to_string(row) + "," + std::to_string(column);
  for (const ClientFields& o : tree) {
    if (Field(o, "path") == path) return &o;
  }
  return nullptr;
}

Shown WhatTheProgramShows() {
  Shown shown;
  auto utf8 = [](const std::string& cp1252) { return text::Cp1252ToUtf8(cp1252); };
  auto result = apptest::RunProgram(
      {}, {
              [&] {
                shown.caption = utf8(Form1->Caption());
                for (TLabel* label : {Form1->Label1, Form1->Label2, Form1->Label3, Form1->Label4,
                                      Form1->Label5, Form1->Label6, Form1->Label7}) {
                  shown.labels.emplace_back(utf8(label->Caption()), label->BoundsRect());
                }
                TStringGrid* grid = Form1->StringGrid1;
                shown.rows = grid->RowCount();
                shown.columns = grid->ColCount();
                for (int c = 0; c < shown.columns; ++c) shown.headers.push_back(utf8(grid->CellText(c, 0)));
                shown.currentColumn = grid->Col();
                shown.keyField = utf8(Form1->ComboBox1->Caption());
                for (int i = 0; i < Form1->ComboBox1->Items().Count(); ++i)
                  shown.keys.push_back(utf8(Form1->ComboBox1->Items().Get(i)));
                shown.grid = grid->BoundsRect();
                shown.keySelector = Form1->ComboBox1->BoundsRect();
                shown.player = Form1->MediaPlayer1->BoundsRect();
                headless::PressKey(headless::keys::kTab);   // on to the key selector
                headless::PressKey(headless::keys::kDown);  // the first key
              },
              [&] {
                for (int c = 0; c < shown.columns; ++c)
                  shown.chords.push_back(utf8(Form1->StringGrid1->CellText(c, 1)));
                apptest::RequestCloseOf(Form1->Handle());
              },
          });
  EXPECT_EQ(result.exitCode, 0);
  return shown;
}

// The tree at the start: the application, its frame named by the caption and in the frame the
// seven labels with their texts, the chord table with its header cells and empty chord cells, the
// key selector with its field and list, the Play button, each where the window shows it. `onScreen` places a
// client rectangle of the main window on the screen; the frame covers the client area, or the window
// manager's frame around it.
void ExpectTheWindow(const std::vector<ClientFields>& tree, const Shown& shown,
                     const std::function<RECT(const RECT&)>& onScreen,
                     const std::vector<std::string>& frameExtents) {
  ASSERT_FALSE(tree.empty());
  EXPECT_EQ(Field(tree[0], "role"), "application");
  EXPECT_EQ(Field(tree[0], "name"), kAppName);
  const auto frames = All(tree, "frame", &shown.caption);
  ASSERT_EQ(frames.size(), 1u) << "one frame named " << shown.caption;
  EXPECT_TRUE(Has(ListField(frames[0], "states"), "active")) << Field(frames[0], "states");
  EXPECT_TRUE(Has(ListField(frames[0], "states"), "showing")) << Field(frames[0], "states");
  EXPECT_TRUE(Has(frameExtents, Extents(frames[0]))) << Extents(frames[0]);
  const std::vector<ClientFields> window = Under(tree, frames[0]);

  EXPECT_EQ(All(window, "label").size(), shown.labels.size());
  for (const auto& [caption, bounds] : shown.labels) {
    const auto labels = All(window, "label", &caption);
    ASSERT_EQ(labels.size(), 1u) << "the label " << caption;
    EXPECT_EQ(Field(labels[0], "text"), caption);
    EXPECT_EQ(Extents(labels[0]), AsExtents(onScreen(bounds))) << caption;
  }

  const auto tables = All(window, "table");
  ASSERT_EQ(tables.size(), 1u);
  const ClientFields& table = tables[0];
  EXPECT_EQ(Field(table, "table"), std::to_string(shown.rows) + "x" + std::to_string(shown.columns));
  EXPECT_EQ(ListField(table, "headers"), shown.headers) << "each column's header cell";
  EXPECT_EQ(Extents(table), AsExtents(onScreen(shown.grid)));
  for (int c = 0; c < shown.columns; ++c) {
    const ClientFields* header = Cell(tree, table, 0, c);
    const ClientFields* chord = Cell(tree, table, 1, c);
    ASSERT_TRUE(header != nullptr && chord != nullptr) << "column " << c;
    EXPECT_EQ(Field(*header, "role"), "column header");
    EXPECT_EQ(Field(*header, "name"), shown.headers[static_cast<std::size_t>(c)]);
    EXPECT_EQ(Field(*chord, "role"), "table cell");
    EXPECT_EQ(Field(*chord, "name"), "") << "no key chosen yet";
    EXPECT_EQ(Field(*chord, "cell"), "1," + std::to_string(c));
    const auto interfaces = ListField(*chord, "interfaces");
    EXPECT_TRUE(Has(interfaces, "TableCell") && Has(interfaces, "Text")) << Field(*chord, "interfaces");
    const auto states = ListField(*chord, "states");
    EXPECT_TRUE(Has(states, "selectable"));
    const bool current = c == shown.currentColumn;
    EXPECT_EQ(Has(states, "selected"), current) << "column " << c << ": " << Field(*chord, "states");
    EXPECT_EQ(Has(states, "focused"), current) << "the grid has the focus; column " << c;
  }

  const auto combos = All(window, "combo box");
  ASSERT_EQ(combos.size(), 1u);
  EXPECT_TRUE(Has(ListField(combos[0], "actions"), "press")) << Field(combos[0], "actions");
  EXPECT_TRUE(Has(ListField(combos[0], "states"), "expandable")) << Field(combos[0], "states");
  EXPECT_EQ(Extents(combos[0]), AsExtents(onScreen(shown.keySelector)));
  const auto parts = Under(tree, combos[0]);
  const auto fields = All(parts, "text");
  ASSERT_EQ(fields.size(), 1u) << "the key selector's field";
  EXPECT_TRUE(Has(ListField(fields[0], "interfaces"), "EditableText"));
  EXPECT_EQ(Field(fields[0], "text"), shown.keyField);
  ASSERT_EQ(All(parts, "list").size(), 1u) << "the key selector's list";
  std::vector<std::string> items;
  for (const ClientFields& item : All(parts, "list item")) items.push_back(Field(item, "name"));
  EXPECT_EQ(items, shown.keys);

  const auto buttons = All(window, "push button");
  ASSERT_EQ(buttons.size(), 1u) << "the player shows one button, Play";
  EXPECT_TRUE(Has(ListField(buttons[0], "actions"), "click"));
  EXPECT_FALSE(Has(ListField(buttons[0], "states"), "enabled")) << "Play is greyed before a key is chosen";
  EXPECT_TRUE(Within(buttons[0], onScreen(shown.player))) << "Play at " << Extents(buttons[0]);
}

EventMatch FocusOn(std::initializer_list<const char*> roles) {
  std::vector<std::string> accepted(roles.begin(), roles.end());
  return [accepted](const ClientFields& e) {
    return Field(e, "type") == kFocused && Field(e, "detail1") == "1" && Has(accepted, Field(e, "role"));
  };
}

// The whole job by keyboard and ear: the window read at the start; Tab takes the focus to the key
// selector, the player and back to the grid's current cell; a key chosen with Down renames the
// chord cells; Play pressed through its action plays; then the accessibility bus dies, and the
// program still answers the mouse and the keys, says at most a line about it, and ends normally.
TEST_F(ProgramAccessibility, AReaderFollowsTheWholeJob) {
  const Shown shown = WhatTheProgramShows();
  ASSERT_EQ(shown.chords.size(), static_cast<std::size_t>(shown.columns));
  StartSession();
  if (HasFatalFailure()) return;
  const std::filesystem::path wav = TestCacheFolder() + "/played.wav";
  std::vector<std::string> environment = m_session->Environment();
  environment.push_back("TESSIVO_AUDIO=wav:" + wav.string());
  Start(TESSIVO_BINARY_DIR "/tessivo", environment);
  if (HasFatalFailure()) return;

  // The frame covers the client area, or the window manager's frame around it.
  XWindowAttributes client{};
  ASSERT_TRUE(XGetWindowAttributes(Peek(), m_main, &client));
  std::vector<long> border;
  ASSERT_TRUE(WaitFor([&] {
    return (border = x11test::ReadLongs(Peek(), m_main, "_NET_FRAME_EXTENTS")).size() == 4;
  })) << "the window manager never framed the window";
  const std::vector<std::string> frameExtents = {
      AsExtents(OnScreen({0, 0, client.width, client.height})),
      AsExtents(OnScreen({static_cast<int>(-border[0]), static_cast<int>(-border[2]),
                          static_cast<int>(client.width + border[1]),
                          static_cast<int>(client.height + border[3])}))};
  const std::vector<ClientFields> atStart = Tree();
  ASSERT_FALSE(atStart.empty()) << "the reader never found the program";
  ExpectTheWindow(atStart, shown, [&](const RECT& r) { return OnScreen(r); }, frameExtents);
  EXPECT_NE(Maps().find("libdbus-1"), std::string::npos) << "a reader listens, yet D-Bus is not loaded";

  Listen({kFocused, "focus:", kNameChanged});
  PressKey(XK_Tab);
  EXPECT_TRUE(Heard({FocusOn({"text", "combo box"})})) << "no focus on the key selector: " << EventsSoFar();
  PressKey(XK_Down);
  std::vector<EventMatch> renames;
  for (std::size_t c = 0; c < shown.chords.size(); ++c) {
    if (shown.chords[c].empty()) continue;
    renames.push_back([chord = shown.chords[c], cell = "1," + std::to_string(c)](const ClientFields& e) {
      return Field(e, "type") == kNameChanged && Field(e, "role") == "table cell" &&
             Field(e, "cell") == cell && Field(e, "name") == chord;
    });
  }
  EXPECT_TRUE(Heard(renames)) << "the chord cells were not renamed: " << EventsSoFar();
  PressKey(XK_Tab);
  EXPECT_TRUE(Heard({FocusOn({"push button"})})) << "no focus on Play: " << EventsSoFar();
  PressKey(XK_Tab);
  EXPECT_TRUE(Heard({FocusOn({"table cell", "table"})})) << "no focus back on the grid: " << EventsSoFar();

  const std::vector<ClientFields> tree = Tree();
  const auto tables = All(tree, "table");
  ASSERT_EQ(tables.size(), 1u);
  for (int c = 0; c < shown.columns; ++c) {
    const ClientFields* chord = Cell(tree, tables[0], 1, c);
    ASSERT_NE(chord, nullptr);
    EXPECT_EQ(Field(*chord, "name"), shown.chords[static_cast<std::size_t>(c)]);
    EXPECT_EQ(Field(*chord, "text"), shown.chords[static_cast<std::size_t>(c)]);
  }
  const auto buttons = All(tree, "push button");
  ASSERT_EQ(buttons.size(), 1u);
  const auto states = ListField(buttons[0], "states");
  EXPECT_TRUE(Has(states, "enabled") && Has(states, "sensitive"))
      << "Play is usable once a key is loaded: " << Field(buttons[0], "states");

  // Play through its action, as a reader's user presses it: sound goes to the WAV file.
  Client({"do-action", kAppName, "push button", "click"});
  constexpr std::uintmax_t kQuarterSecondBytes = 44 + 44100 * 4 / 4;
  EXPECT_TRUE(WaitFor([&] {
    std::error_code error;
    return std::filesystem::file_size(wav, error) > kQuarterSecondBytes && !error;
  })) << "Play's action played nothing";

  // The bus dies under the program: it still answers the user, whose click on the key selector's
  // button opens the list and Escape closes it.
  const std::size_t saidBefore = m_program->StandardError().size();
  ASSERT_TRUE(m_session->KillAccessibilityBus());
  const POINT comboButton =
      OnRoot(shown.keySelector.right - kComboButtonInset, shown.keySelector.top + kComboButtonInset);
  ClickAt(comboButton);
  EXPECT_TRUE(WaitFor([&] { return OpenList().has_value(); })) << "no answer to a click once the bus died";
  PressKey(XK_Escape);
  EXPECT_TRUE(WaitFor([&] { return !OpenList().has_value(); })) << "no answer to Escape once the bus died";
  EXPECT_TRUE(m_program->Running()) << m_program->StandardError();
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
  const std::string said = m_program->StandardError().substr(saidBefore);
  EXPECT_LE(std::count(said.begin(), said.end(), '\n'), 1)
      << "more than one line about the lost bus: " << said;
  const soundcheck::Recording heard = soundcheck::ReadWav(wav.string());
  ASSERT_GT(heard.rate, 0) << "no WAV written";
  constexpr float kSilence = 0.01F;
  EXPECT_TRUE(std::any_of(heard.mono.begin(), heard.mono.end(), [](float s) {
    return std::abs(s) > kSilence;
  })) << "the recording is silent";
}

// A key whose file is unreadable: the error box is an alert (or dialog) the reader reads with the
// program's message and its OK button; the button's action answers it.
TEST_F(ProgramAccessibility, TheErrorBoxIsReadWithItsMessage) {
  // The same broken file for both runs: "do maior.MID", the first key's, in the folder the headless
  // run works in and beside the real program.
  m_dir = std::filesystem::temp_directory_path() / ("tessivo-a11y-" + std::to_string(getpid()));
  std::filesystem::create_directories(m_dir);
  std::ofstream(m_dir / "do maior.MID") << "not a MIDI file";
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(m_dir);
  const apptest::RunResult reference =
      apptest::RunProgram({}, {
                                  [] {
                                    headless::PressKey(headless::keys::kTab);
                                    headless::PressKey(headless::keys::kDown);
                                  },
                                  [] { apptest::RequestCloseOf(Form1->Handle()); },
                              });
  std::filesystem::current_path(saved);
  ASSERT_EQ(reference.boxes.size(), 1u);
  const std::string message = text::Cp1252ToUtf8(reference.boxes[0].text);
  std::filesystem::copy_file(TESSIVO_BINARY_DIR "/tessivo", m_dir / "tessivo");
  std::filesystem::copy_file(TESSIVO_BINARY_DIR "/tessivo-atspi.so",
                             m_dir / "tessivo-atspi.so");  // its bridge

  StartSession();
  if (HasFatalFailure()) return;
  Start((m_dir / "tessivo").string(), m_session->Environment());
  if (HasFatalFailure()) return;
  ASSERT_FALSE(Tree().empty());  // the reader has the program before the user acts
  PressKey(XK_Tab);
  PressKey(XK_Down);
  std::vector<ClientFields> tree;
  const auto boxes = [&] {
    std::vector<ClientFields> found = All(tree, "alert");
    for (const ClientFields& dialog : All(tree, "dialog")) found.push_back(dialog);
    return found;
  };
  ASSERT_TRUE(WaitFor([&] { return tree = Tree(), !boxes().empty(); })) << "no alert or dialog appeared";
  ASSERT_EQ(boxes().size(), 1u);
  const ClientFields box = boxes()[0];
  const auto parts = Under(tree, box);
  const bool read =
      Field(box, "name") == message || std::any_of(parts.begin(), parts.end(), [&](const ClientFields& o) {
        return Field(o, "name") == message || Field(o, "text") == message;
      });
  EXPECT_TRUE(read) << "the message \"" << message << "\" is nowhere in the box";
  const auto ok = All(parts, "push button");
  ASSERT_EQ(ok.size(), 1u) << "the box's OK button";
  EXPECT_TRUE(Has(ListField(ok[0], "actions"), "click"));

  Client({"do-action", kAppName, Field(ok[0], "path"), "click"});
  EXPECT_TRUE(WaitFor([&] { return tree = Tree(), boxes().empty(); }))
      << "the OK button's action left the box open";
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

// A desktop with the accessibility bus but accessibility off: the program registers only once a
// screen reader turns the switch on while it runs, and leaves when it is turned off.
TEST_F(ProgramAccessibility, TheProgramFollowsTheDesktopsAccessibilitySwitch) {
  StartSession();
  if (HasFatalFailure()) return;
  Client({"switch", "off"});
  Start(TESSIVO_BINARY_DIR "/tessivo", m_session->Environment());
  if (HasFatalFailure()) return;
  const auto listed = [&] {
    const auto run = m_session->RunClient({"--seconds", kClientSeconds, "apps"}, kWaitMs);
    return run.output.find(std::string("name=") + kAppName + "\t") != std::string::npos;
  };
  // The bridge is up (it follows the switch through the session bus) before the absence counts.
  ASSERT_TRUE(WaitFor([&] { return Maps().find("libdbus-1") != std::string::npos; }));
  EXPECT_FALSE(listed()) << "registered while accessibility is off";
  Client({"switch", "on"});
  EXPECT_TRUE(WaitFor(listed)) << "never registered once accessibility was turned on";
  Client({"switch", "off"});
  EXPECT_TRUE(WaitFor([&] { return !listed(); })) << "still registered once accessibility was turned off";
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

// No accessibility bus at all (no session bus, no address given, nothing on the root window):
// the program loads nothing of D-Bus.
TEST_F(ProgramAccessibility, WithoutABusNothingOfDBusIsLoaded) {
  m_dir = TestCacheFolder() + "/no-bus";
  std::filesystem::create_directories(m_dir);
  Start(TESSIVO_BINARY_DIR "/tessivo", {"DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS",
                                        "XDG_RUNTIME_DIR=" + m_dir.string(), "TESSIVO_A11Y"});
  if (HasFatalFailure()) return;
  ASSERT_FALSE(SettledPixels(0, 0, 981, 277).empty()) << "the first frame never came";
  const std::string maps = Maps();
  ASSERT_FALSE(maps.empty());
  EXPECT_EQ(maps.find("libdbus"), std::string::npos);
  EXPECT_EQ(maps.find("tessivo-atspi.so"), std::string::npos);
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

// The program copied without its bridge module, on a desktop with a reader: it says so in one line
// and serves the user as ever: the first key, chosen from the keyboard, loads and Play is coloured.
TEST_F(ProgramAccessibility, AProgramWithoutItsBridgeSaysSoAndGoesOn) {
  m_dir = TestCacheFolder() + "/alone";
  std::filesystem::create_directories(m_dir);
  std::filesystem::copy_file(TESSIVO_BINARY_DIR "/tessivo", m_dir / "tessivo");
  std::filesystem::copy_file(TESSIVO_BINARY_DIR "/do maior.MID", m_dir / "do maior.MID");
  StartSession();
  if (HasFatalFailure()) return;
  Start((m_dir / "tessivo").string(), m_session->Environment());
  if (HasFatalFailure()) return;
  ASSERT_FALSE(SettledPixels(0, 0, 981, 277).empty()) << "the first frame never came";
  EXPECT_TRUE(WaitFor([&] { return m_program->StandardError().find('\n') != std::string::npos; }));
  const std::string said = m_program->StandardError();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find("tessivo-atspi.so"), std::string::npos) << said;
  PressKey(XK_Tab);
  PressKey(XK_Down);
  EXPECT_TRUE(WaitFor([&] { return PlayIsColoured(); }))
      << "the chosen key did not load: " << m_program->StandardError();
  EXPECT_TRUE(m_program->Running()) << said;
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

}  // namespace

namespace {

// The platform's own messages follow the student's language (LANG): Space on Play before a key
// still says the program's own "No MCI device open.", while a key whose file is missing and a
// sound output that cannot be opened say so in Portuguese under pt_BR and in English under C. The
// program runs alone in a folder with its catalogue and one key's file, "sol maior.MID".
TEST_F(ProgramAccessibility, ThePlatformsMessagesFollowTheStudentsLanguage) {
  m_dir = std::filesystem::temp_directory_path() / ("tessivo-language-" + std::to_string(getpid()));
  std::filesystem::create_directories(m_dir);
  for (const char* file : {"tessivo", "tessivo-atspi.so", "sol maior.MID"})
    std::filesystem::copy_file(std::filesystem::path(TESSIVO_BINARY_DIR) / file, m_dir / file);
  std::filesystem::copy(TESSIVO_BINARY_DIR "/locale", m_dir / "locale",
                        std::filesystem::copy_options::recursive);
  const std::string here = std::filesystem::current_path().string();
  const std::string share = (m_dir.parent_path() / "share" / "tessivo").string();
  StartSession();
  if (HasFatalFailure()) return;

  struct Language {
    const char* lang;
    std::string missingFile;
    std::string noOutput;  // the start: FluidSynth's own reason follows
  };
  const Language languages[] = {
      {"pt_BR.UTF-8",
       "Não foi possível localizar o arquivo especificado. Verifique se o caminho e o nome do arquivo estão "
       "corretos.\n\"do maior.MID\" foi procurado na pasta atual (" +
           here + "), em " + m_dir.string() + " e em " + share + ".",
       "Nenhuma saída de som pôde ser aberta (tentadas: alsa)"},
      {"C",
       "Cannot find the specified file. Make sure the path and filename are correct.\n\"do maior.MID\" was "
       "looked for in the current folder (" +
           here + "), in " + m_dir.string() + " and in " + share + ".",
       "No sound output could be opened (tried alsa)"},
  };
  for (const Language& language : languages) {
    SCOPED_TRACE(language.lang);
    std::vector<std::string> environment = m_session->Environment();
    for (const char* entry : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) environment.emplace_back(entry);
    environment.push_back(std::string("LANG=") + language.lang);
    // No sound card: ALSA's default is one that does not exist.
    environment.insert(environment.end(), {"TESSIVO_AUDIO=alsa", "ALSA_CARD=NoSuchCard"});
    Start((m_dir / "tessivo").string(), environment);
    if (HasFatalFailure()) return;
    ASSERT_FALSE(Tree().empty());  // the reader has the program before the user acts

    // The message of the box the program shows once `press` is done; the box is answered.
    const auto boxAfter = [&](const std::function<void()>& press) {
      press();
      std::vector<ClientFields> tree;
      std::vector<ClientFields> boxes;
      const bool shown = WaitFor([&] {
        tree = Tree();
        boxes = All(tree, "alert");
        for (const ClientFields& dialog : All(tree, "dialog")) boxes.push_back(dialog);
        return !boxes.empty();
      });
      std::string message;
      for (const ClientFields& part : shown ? Under(tree, boxes[0]) : std::vector<ClientFields>()) {
        for (const char* field : {"text", "name"}) {
          if (Field(part, field).size() > message.size()) message = Field(part, field);
        }
      }
      PressKey(XK_Return);
      EXPECT_TRUE(
          WaitFor([&] { return tree = Tree(), All(tree, "alert").empty() && All(tree, "dialog").empty(); }));
      return message;
    };
    EXPECT_EQ(boxAfter([&] {
                PressKey(XK_Tab);  // grid -> key selector -> Play
                PressKey(XK_Tab);
                PressKey(XK_space);
              }),
              "No MCI device open.");
    EXPECT_EQ(boxAfter([&] {
                PressKey(XK_Tab, XK_Shift_L);  // back to the key selector
                PressKey(XK_Down);             // "do maior.MID", missing
              }),
              language.missingFile);
    const std::string noOutput = boxAfter([&] {
      PressKey(XK_Down);  // "sol maior.MID", beside the program
      ASSERT_TRUE(WaitFor([&] { return PlayIsColoured(); })) << "the key did not load";
      PressKey(XK_Tab);
      PressKey(XK_space);
    });
    EXPECT_TRUE(noOutput.starts_with(language.noOutput)) << noOutput;
    CloseLikeAWindowManager();
    ExpectEndsWithCodeZero();
  }
}

}  // namespace
