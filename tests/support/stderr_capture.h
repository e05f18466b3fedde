// SPDX-License-Identifier: GPL-3.0-or-later
// Catches what the process writes on standard error between construction and Finish(), for tests
// that check the program prints nothing, or exactly one message, there.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class StderrCapture {
 public:
  StderrCapture() {
    std::fflush(stderr);
    m_saved = dup(2);
    m_path = std::filesystem::temp_directory_path() / ("tessivo-stderr-" + std::to_string(getpid()));
    const int fd = ::open(m_path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    dup2(fd, 2);
    ::close(fd);
  }
  std::string Finish() {
    std::fflush(stderr);
    dup2(m_saved, 2);
    ::close(m_saved);
    std::ifstream f(m_path);
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::filesystem::remove(m_path);
    return text;
  }

 private:
  int m_saved = -1;
  std::string m_path;
};
