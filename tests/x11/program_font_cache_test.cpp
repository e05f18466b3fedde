// SPDX-License-Identifier: GPL-3.0-or-later
// The font answers the program remembers in the user's cache are only a shortcut: whatever lies
// at that place, the program shows its window and ends when asked.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/test_cache_folder.h"
#include "x11/program_on_xvfb.h"

namespace {

class ProgramFontCache : public ProgramOnXvfb {
 protected:
  const std::filesystem::path m_file = TestCacheFolder() + "/tessivo/font-matches";

  bool ProgramLoaded(const std::string& library) {
    std::ifstream in("/proc/" + std::to_string(m_program->Pid()) + "/maps");
    const std::string maps{std::istreambuf_iterator<char>(in), {}};
    return maps.find(library) != std::string::npos;
  }
};

// A FIFO nobody writes to, where the answers' file belongs: reading it would wait for good.
TEST_F(ProgramFontCache, AFifoAtTheAnswersPlaceNeitherHoldsUpTheStartNorTheEnd) {
  std::filesystem::create_directories(m_file.parent_path());
  ASSERT_EQ(mkfifo(m_file.c_str(), S_IRUSR | S_IWUSR), 0);

  Start();
  ASSERT_EQ(kill(m_program->Pid(), SIGTERM), 0);
  const std::optional<int> status = m_program->WaitExit(kWaitMs);
  ASSERT_TRUE(status.has_value()) << "still running after one SIGTERM";
  ASSERT_TRUE(WIFEXITED(*status)) << m_program->StandardError();
  EXPECT_EQ(WEXITSTATUS(*status), 128 + SIGTERM);
  EXPECT_EQ(m_program->StandardError(), "");
  // Fontconfig's answers took the FIFO's place, for the next start.
  EXPECT_TRUE(std::filesystem::is_regular_file(m_file));
}

// TESSIVO_REMEMBER_FONTS=0: the remembered answers are neither read nor written.
TEST_F(ProgramFontCache, TheRememberedAnswersCanBeTurnedOff) {
  Start();
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
  ASSERT_TRUE(std::filesystem::is_regular_file(m_file));
  const auto written = std::filesystem::last_write_time(m_file);

  Start(TESSIVO_BINARY_DIR "/tessivo", {"TESSIVO_REMEMBER_FONTS=0"});
  EXPECT_TRUE(ProgramLoaded("libfontconfig")) << "the remembered answers were taken";
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
  EXPECT_EQ(std::filesystem::last_write_time(m_file), written);
}

}  // namespace
