// SPDX-License-Identifier: GPL-3.0-or-later
// Font answers remembered between runs: trusted only while everything they depended on is as it
// was, and never trusted from a damaged file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/gfx/font_lookup.h"
#include "platform/gfx/remembered_fonts.h"

namespace {

namespace fs = std::filesystem;
using gfx::FontMatch;
using gfx::PathState;
using gfx::RememberedFonts;

class RememberedFontsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tessivo-remembered-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_dir = pattern;
    fs::create_directories(m_dir / "conf.d");
    std::ofstream(m_dir / "fonts.conf") << "<fontconfig/>";
    std::ofstream(m_dir / "Face.ttf") << "a face";
    m_match.file = (m_dir / "Face.ttf").string();
    m_match.family = "Face With Spaces%";
    m_match.index = 2;
    m_match.weight = 200;
    m_match.slant = 100;
    m_file = (m_dir / "cache/tessivo/font-matches").string();
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::vector<PathState> Inputs() const {
    return {PathState::Of((m_dir / "fonts.conf").string()), PathState::Of((m_dir / "conf.d").string()),
            PathState::Of((m_dir / "user.conf").string())};  // absent for now
  }
  // A fresh run's answer for the key: reads the file anew.
  const FontMatch* FreshFind(const std::string& environment = "LANG=pt_BR") {
    m_reader = std::make_unique<RememberedFonts>(m_file);
    return m_reader->Find("400r ms sans serif", environment);
  }
  static std::string Text(const fs::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void Age(const fs::path& path) {
    fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(1));
  }

  fs::path m_dir;
  std::string m_file;
  FontMatch m_match;
  std::unique_ptr<RememberedFonts> m_reader;
};

TEST_F(RememberedFontsTest, AnAnswerHoldsUntilAnythingItDependsOnChanges) {
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"a configuration file edited", [&] { Age(m_dir / "fonts.conf"); }},
      {"a file added to a configuration folder",
       [&] { std::ofstream(m_dir / "conf.d/50-user.conf") << "x"; }},
      {"a configuration place that was missing made", [&] { std::ofstream(m_dir / "user.conf") << "x"; }},
      {"the font file replaced in place", [&] { std::ofstream(m_dir / "Face.ttf") << "another face"; }},
      {"the font file removed", [&] { fs::remove(m_dir / "Face.ttf"); }},
  };
  for (const auto& [change, make] : changes) {
    SCOPED_TRACE(change);
    std::ofstream(m_dir / "Face.ttf") << "a face";
    fs::remove(m_dir / "conf.d/50-user.conf");
    fs::remove(m_dir / "user.conf");
    RememberedFonts(m_file).Remember("400r ms sans serif", "LANG=pt_BR", m_match, Inputs());

    const FontMatch* known = FreshFind();
    ASSERT_NE(known, nullptr);
    EXPECT_EQ(known->file, m_match.file);
    EXPECT_EQ(known->family, m_match.family);
    EXPECT_EQ(known->index, 2);
    EXPECT_EQ(known->weight, 200);
    EXPECT_EQ(known->slant, 100);
    EXPECT_EQ(FreshFind("LANG=de_DE"), nullptr) << "another language may match another font";

    make();
    EXPECT_EQ(FreshFind(), nullptr);
  }
}

TEST_F(RememberedFontsTest, ADamagedFileIsIgnoredAndReplacedByTheNextAnswer) {
  RememberedFonts(m_file).Remember("400r ms sans serif", "LANG=pt_BR", m_match, Inputs());
  std::string good;
  {
    std::ifstream in(m_file);
    good.assign(std::istreambuf_iterator<char>(in), {});
  }
  ASSERT_NE(FreshFind(), nullptr);
  const std::string matchLine = good.substr(good.find("match "));
  const std::vector<std::string> damaged = {
      "",
      good.substr(0, good.size() - 20),                                    // cut short
      "tessivo-font-matches 2" + good.substr(good.find('\n')),             // another layout
      good + "delete everything\n",                                        // a line we never write
      good.substr(0, good.find("match ")),                                 // inputs, no answer
      good.substr(0, good.find("input ")) + matchLine,                     // an answer that cannot be checked
      good.substr(0, good.find("match ")) + "match k%4 0 0 0 F 1 1 /f\n",  // a broken escape
      good.substr(0, good.find("match ")) + "match k -1 0 0 F 1 1 /f\n",   // a negative face
      good.substr(0, good.find("match ")) + "match k 99999999999999999999 0 0 F 1 1 /f\n",
      good + std::string(300 * 1024, 'x'),  // larger than any file we write
      std::string("\0\xff\n\0", 4),
  };
  for (const std::string& content : damaged) {
    SCOPED_TRACE(content.substr(0, 80));
    std::ofstream(m_file, std::ios::binary | std::ios::trunc) << content;
    EXPECT_EQ(FreshFind(), nullptr);
    m_reader->Remember("400r ms sans serif", "LANG=pt_BR", m_match, Inputs());
    EXPECT_NE(FreshFind(), nullptr) << "the next answer rewrites the file";
  }
  // A place nobody can write to keeps the answer for this run only.
  RememberedFonts nowhere("/proc/tessivo/font-matches");
  nowhere.Remember("400r ms sans serif", "LANG=pt_BR", m_match, Inputs());
  EXPECT_NE(nowhere.Find("400r ms sans serif", "LANG=pt_BR"), nullptr);
  EXPECT_EQ(RememberedFonts("/proc/tessivo/font-matches").Find("400r ms sans serif", "LANG=pt_BR"), nullptr);
}

// The answers are written beside the file and renamed over it: a link planted where that
// temporary file once had a predictable name must not carry them into another file.
TEST_F(RememberedFontsTest, ALinkAtTheTemporaryNameIsNotWrittenThrough) {
  fs::create_directories(fs::path(m_file).parent_path());
  const fs::path target = m_dir / "not-ours";
  std::ofstream(target) << "the user's own text";
  fs::create_symlink(target, m_file + "." + std::to_string(getpid()) + ".new");

  RememberedFonts(m_file).Remember("400r ms sans serif", "LANG=pt_BR", m_match, Inputs());
  EXPECT_EQ(Text(target), "the user's own text");
  EXPECT_NE(FreshFind(), nullptr) << "the answers were not written";
  EXPECT_EQ(fs::status(m_file).permissions() & (fs::perms::group_all | fs::perms::others_all),
            fs::perms::none);
}

// Runs `body` in a forked copy of the test: its exit code, or nullopt when it has not ended by the
// deadline (it is killed then).
std::optional<int> ExitCodeInChild(const std::function<int()>& body) {
  constexpr auto kDeadline = std::chrono::seconds(30);
  constexpr auto kPoll = std::chrono::milliseconds(10);
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  const auto giveUp = std::chrono::steady_clock::now() + kDeadline;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > giveUp) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return std::nullopt;
    }
    std::this_thread::sleep_for(kPoll);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A remembered answer whose font file is a FIFO (nothing fontconfig would answer, so a hostile or
// damaged cache): the font is made without waiting for a writer, from fontconfig's answer.
TEST_F(RememberedFontsTest, AnAnswerNamingAFifoDoesNotHoldUpTheFont) {
  fs::remove(m_match.file);
  ASSERT_EQ(mkfifo(m_match.file.c_str(), S_IRUSR | S_IWUSR), 0);
  const std::optional<int> code = ExitCodeInChild([&] {
    gfx::FontRequest request;
    request.face = "MS Sans Serif";
    request.height = -11;
    for (gfx::FontChoice choice : {gfx::FontChoice::AsAsked, gfx::FontChoice::AnySans}) {
      RememberedFonts(RememberedFonts::DefaultFile())
          .Remember(gfx::QuestionKey(request, choice), RememberedFonts::Environment(), m_match, Inputs());
    }
    const auto font = gfx::GetFontInstance(request);
    return font->HasFace() && font->Family() == "Liberation Sans" ? 0 : 1;
  });
  ASSERT_TRUE(code.has_value()) << "making the font blocked on the FIFO";
  EXPECT_EQ(*code, 0) << "the dialog face did not come from fontconfig";
}

}  // namespace
