// SPDX-License-Identifier: GPL-3.0-or-later
// Where a bare file name is found: the current directory, the program's directory, then the
// installed layout's share/tessivo beside the program's bin/.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/mci/media_path.h"
#include "support/program_file.h"

using namespace mci;

namespace fs = std::filesystem;

namespace {

class MediaPath : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = fs::temp_directory_path() / ("tessivo-paths-" + std::to_string(getpid()));
    fs::create_directories(m_root / "bin");
    fs::create_directories(m_root / "share" / "tessivo");
    fs::create_directories(m_root / "work");
    m_previous = fs::current_path();
    fs::current_path(m_root / "work");
  }
  void TearDown() override {
    fs::current_path(m_previous);
    fs::remove_all(m_root);
  }
  void Touch(const fs::path& path) { std::ofstream(path) << "x"; }
  std::string Bin() const { return (m_root / "bin").string(); }

  fs::path m_root;
  fs::path m_previous;
};

}  // namespace

TEST_F(MediaPath, BareNamesAreSearchedInOrder) {
  EXPECT_EQ(ResolveMediaPath("do maior.MID", Bin()), "do maior.MID") << "nowhere: unchanged";
  Touch(m_root / "share" / "tessivo" / "do maior.MID");
  EXPECT_EQ(ResolveMediaPath("do maior.MID", Bin()), Bin() + "/../share/tessivo/do maior.MID");
  Touch(m_root / "bin" / "do maior.MID");
  EXPECT_EQ(ResolveMediaPath("do maior.MID", Bin()), Bin() + "/do maior.MID");
  Touch(m_root / "work" / "do maior.MID");
  EXPECT_EQ(ResolveMediaPath("do maior.MID", Bin()), "do maior.MID");
}

TEST_F(MediaPath, NamesWithADirectoryAreUsedAsGiven) {
  Touch(m_root / "bin" / "x.mid");
  EXPECT_EQ(ResolveMediaPath("sub/x.mid", Bin()), "sub/x.mid");
  EXPECT_EQ(ResolveMediaPath("/abs/x.mid", Bin()), "/abs/x.mid");
  // The program's directory is where the running program lies.
  const std::string self = ProgramDirectory();
  EXPECT_TRUE(fs::exists(self + "/unit_tests" + testsupport::kProgramSuffix)) << self;
}
