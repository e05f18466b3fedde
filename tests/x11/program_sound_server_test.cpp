// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program playing through a real sound server: a private PulseAudio daemon with a null
// sink stands in for a sound card, its monitor is recorded while Play plays, and the recording must
// be the chosen key's scale. The program holds no stream before Play and none after the end, and a
// server lost while it plays ends the play without holding the program.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "support/required_tools.h"
#include "x11/program_on_xvfb.h"
#include "x11/sound_check.h"

#include <X11/keysym.h>

namespace {

constexpr char kSink[] = "tessivo_test";
// C major: C D E F G A B.
const std::vector<int> kDoMaiorScale = {0, 2, 4, 5, 7, 9, 11};
// G major: G A B C D E F#.
const std::vector<int> kSolMaiorScale = {7, 9, 11, 0, 2, 4, 6};
// Sound the server should hold for a playing stream: enough to ride out a late wake-up of the
// program's threads on a busy desktop.
constexpr long kEnoughBufferedUs = 20000;

class ProgramOnSoundServer : public ProgramOnXvfb {
 protected:
  void SetUp() override {
    if (!testsupport::ToolsInstalled({"/usr/bin/pulseaudio", "/usr/bin/parecord", "/usr/bin/pactl"},
                                     "pulseaudio pulseaudio-utils")) {
      return;
    }
    ProgramOnXvfb::SetUp();
    if (HasFatalFailure()) return;
    m_dir = std::filesystem::temp_directory_path() / ("tessivo-pulse-" + std::to_string(getpid()));
    std::filesystem::create_directories(m_dir);
    m_env = {"XDG_RUNTIME_DIR=" + m_dir.string(), "HOME=" + m_dir.string()};
    StartDaemon();
  }

  // A daemon on the private socket (the same path every time) with the null sink.
  void StartDaemon() {
    m_daemon = x11test::ChildProcess::Spawn(
        {"/usr/bin/pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes", "-L",
         std::string("module-null-sink sink_name=") + kSink, "-L", "module-native-protocol-unix"},
        m_env);
    ASSERT_NE(m_daemon, nullptr);
    if (!WaitFor([&] {
          return Pactl("info").find("Server String") != std::string::npos || !m_daemon->Running();
        }) ||
        !m_daemon->Running()) {
      testsupport::CannotRunHere("the PulseAudio daemon could not start here: " + m_daemon->StandardError());
      return;
    }
  }

  void StartRecording(const std::string& path) {
    m_recorder = x11test::ChildProcess::Spawn(
        {"/usr/bin/parecord", std::string("--device=") + kSink + ".monitor", "--file-format=wav", path},
        m_env);
    ASSERT_NE(m_recorder, nullptr);
  }
  void FinishRecording() {
    kill(m_recorder->Pid(), SIGINT);  // parecord finishes its file
    ASSERT_TRUE(m_recorder->WaitExit(kWaitMs).has_value());
  }

  // The program's threads now.
  std::size_t Threads() const {
    std::error_code error;
    const std::filesystem::directory_iterator tasks("/proc/" + std::to_string(m_program->Pid()) + "/task",
                                                    error);
    return error ? 0 : static_cast<std::size_t>(std::distance(tasks, std::filesystem::directory_iterator()));
  }

  void TearDown() override {
    m_recorder.reset();
    m_program.reset();
    m_daemon.reset();
    std::filesystem::remove_all(m_dir);
  }

  // What pactl prints for `command` against the private daemon.
  std::string Pactl(const std::string& command) {
    std::string line = "env";
    for (const std::string& e : m_env) line += " '" + e + "'";
    line += " pactl " + command + " 2>/dev/null";
    std::string out;
    if (FILE* p = popen(line.c_str(), "r")) {
      char buffer[512];
      while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
      pclose(p);
    }
    return out;
  }
  bool HoldsAStream() { return !Pactl("list short sink-inputs").empty(); }
  // How much sound the server holds for the program's stream, in microseconds (0 without one).
  long BufferedUs() {
    const std::string list = Pactl("list sink-inputs");
    const std::string label = "Buffer Latency: ";
    const std::size_t at = list.find(label);
    return at == std::string::npos ? 0 : std::strtol(list.c_str() + at + label.size(), nullptr, 10);
  }

  std::filesystem::path m_dir;
  std::vector<std::string> m_env;
  std::unique_ptr<x11test::ChildProcess> m_daemon;
  std::unique_ptr<x11test::ChildProcess> m_recorder;
};

TEST_F(ProgramOnSoundServer, PlayPlaysTheKeyOnTheDefaultOutputAndLetsItGoAtTheEnd) {
  const std::string recording = (m_dir / "heard.wav").string();
  StartRecording(recording);
  Start(TESSIVO_BINARY_DIR "/tessivo", m_env);
  if (HasFatalFailure()) return;
  EXPECT_FALSE(HoldsAStream()) << "a stream is held before Play";

  PressKey(XK_Tab);   // grid -> key selector
  PressKey(XK_Down);  // "Dó Maior"
  ASSERT_TRUE(WaitFor([&] { return PlayIsColoured(); })) << "no key loaded";
  ClickAt(OnRoot(kPlayButton.left + 14, kPlayButton.top + 15));
  EXPECT_TRUE(WaitFor([&] { return HoldsAStream(); })) << "Play opened no stream on the sound server";
  // A stream that holds only a millisecond or two gaps and stretches as soon as the desktop is busy.
  EXPECT_TRUE(WaitFor([&] { return BufferedUs() >= kEnoughBufferedUs; }))
      << "the server never holds more than a moment of sound: " << BufferedUs() << " us";
  ASSERT_TRUE(x11test::PumpUntil([&] { return PlayIsColoured(); }, [] { usleep(100000); }, 60000))
      << "Play never came back: " << m_program->StandardError();
  EXPECT_TRUE(WaitFor([&] { return !HoldsAStream(); })) << "the stream is kept after the end";

  FinishRecording();
  const soundcheck::Recording heard = soundcheck::ReadWav(recording);
  ASSERT_GT(heard.rate, 0) << "nothing recorded: " << m_recorder->StandardError();
  EXPECT_TRUE(soundcheck::InScaleOnly(heard, kDoMaiorScale)) << "the recording is not in C major";
  EXPECT_EQ(m_program->StandardError(), "");
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

// The sound server dies while a key plays (a crash, or the desktop restarting it): the play ends,
// Play is usable again and no thread of the program is left waiting on the lost server; once a
// new server runs on the same socket, Play plays through it.
TEST_F(ProgramOnSoundServer, ALostServerEndsThePlayAndTheNextPlayUsesTheNewServer) {
  Start(TESSIVO_BINARY_DIR "/tessivo", m_env);
  if (HasFatalFailure()) return;
  PressKey(XK_Tab);
  PressKey(XK_Down);
  PressKey(XK_Down);  // "Sol Maior"
  ASSERT_TRUE(WaitFor([&] { return PlayIsColoured(); })) << "no key loaded";
  const std::size_t idleThreads = Threads();

  ClickAt(OnRoot(kPlayButton.left + 14, kPlayButton.top + 15));
  ASSERT_TRUE(WaitFor([&] { return HoldsAStream(); })) << "Play opened no stream on the sound server";
  ASSERT_FALSE(PlayIsColoured()) << "Play is usable while it plays";
  kill(m_daemon->Pid(), SIGKILL);
  ASSERT_TRUE(m_daemon->WaitExit(kWaitMs).has_value());
  EXPECT_TRUE(WaitFor([&] { return PlayIsColoured(); }))
      << "Play never came back after the server's loss: " << m_program->StandardError();
  EXPECT_TRUE(WaitFor([&] { return Threads() == idleThreads; }))
      << Threads() << " threads, " << idleThreads << " before Play";

  StartDaemon();
  if (HasFatalFailure()) return;
  const std::string recording = (m_dir / "heard-again.wav").string();
  StartRecording(recording);
  ClickAt(OnRoot(kPlayButton.left + 14, kPlayButton.top + 15));
  EXPECT_TRUE(WaitFor([&] { return HoldsAStream(); })) << "Play opened no stream on the new server";
  ASSERT_TRUE(x11test::PumpUntil([&] { return PlayIsColoured(); }, [] { usleep(100000); }, 60000))
      << "Play never came back: " << m_program->StandardError();
  FinishRecording();
  const soundcheck::Recording heard = soundcheck::ReadWav(recording);
  ASSERT_GT(heard.rate, 0) << "nothing recorded: " << m_recorder->StandardError();
  EXPECT_TRUE(soundcheck::InScaleOnly(heard, kSolMaiorScale))
      << "the recording is not in G major (" << heard.mono.size() / heard.rate << " s)";
  EXPECT_TRUE(WaitFor([&] { return Threads() == idleThreads; })) << Threads() << " threads after the end";
  EXPECT_EQ(m_program->StandardError(), "");
  CloseLikeAWindowManager();
  ExpectEndsWithCodeZero();
}

}  // namespace
