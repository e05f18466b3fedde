// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/test_cache_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

// Made before any test runs (this file is linked into every test program as an object, so the
// linker cannot leave it out).
class CacheFolder {
 public:
  CacheFolder() : m_owner(getpid()) {
    std::error_code ec;
    const std::filesystem::path root = TESSIVO_BINARY_DIR "/test-cache";
    std::filesystem::create_directories(root, ec);
    std::string pattern = (root / "process-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
      m_path = pattern;
    } else {
      // Nowhere to write: nothing is remembered, and still nothing goes to the user's cache.
      m_path = "/proc/tessivo-no-test-cache";
    }
    setenv("XDG_CACHE_HOME", m_path.c_str(), 1);
  }
  ~CacheFolder() {
    // A forked copy of the test that ends normally must not take the folder from its parent.
    if (getpid() != m_owner || !m_path.starts_with(TESSIVO_BINARY_DIR)) return;
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  CacheFolder(const CacheFolder&) = delete;
  CacheFolder& operator=(const CacheFolder&) = delete;

  const std::string& Path() const { return m_path; }

 private:
  pid_t m_owner;
  std::string m_path;
};

const CacheFolder g_cacheFolder;

}  // namespace

std::string TestCacheFolder() { return g_cacheFolder.Path(); }
