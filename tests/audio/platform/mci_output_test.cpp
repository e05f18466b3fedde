// SPDX-License-Identifier: GPL-3.0-or-later
// The sound outputs and what goes wrong around them: a WAV file written in real time, output
// turned off, a driver that cannot open, a missing or broken soundfont, malformed files opened
// through the service. Every failure must be a clear text, and nothing may be printed on stderr.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "audio/platform/audio_test_support.h"
#include "audio/platform/mci_test_support.h"
#include "platform/mci/synth_engine.h"
#include "support/midi_file_builder.h"
#include "support/stderr_capture.h"
#include "support/wav_file.h"

using namespace mci;

using mci_test::ErrorText;
using mci_test::Received;
using testwav::ReadWav;
using testwav::Wav;

namespace {

// Captures what is written on stderr while it lives.
bool FluidSynthLoaded() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find("libfluidsynth") != std::string::npos) return true;
  }
  return false;
}

class MciOutputs : public mci_test::MciSession {
 protected:
  void SetUp() override {
    mci_test::MciSession::SetUp();
    m_dir = std::filesystem::temp_directory_path() / ("tessivo-audio-" + std::to_string(getpid()));
    std::filesystem::create_directories(m_dir);
  }
  void TearDown() override {
    mci_test::MciSession::TearDown();
    std::filesystem::remove_all(m_dir);
  }
  std::string Path(const std::string& name) const { return (m_dir / name).string(); }

  // Runs the loop in real time until `done` holds; false after `limitMs`.
  bool WaitUntil(const std::function<bool()>& done, int limitMs) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (std::chrono::steady_clock::now() < limit) {
      headless::PumpUntilIdle();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  bool WaitForNotification(int limitMs) {
    return WaitUntil([] { return !Received().empty(); }, limitMs);
  }

  std::filesystem::path m_dir;
};

}  // namespace

TEST_F(MciOutputs, WavOutputWritesTheFileInRealTimeAndNotifiesAtTheEnd) {
  midi_test::WriteFile(Path("short.mid"), midi_test::SimpleSong(3, 1));  // 1.5 s
  setenv("TESSIVO_AUDIO", ("wav:" + Path("out.wav")).c_str(), 1);
  const MCIDEVICEID id = OpenOrFail(Path("short.mid"));
  ASSERT_EQ(Status(id, MCI_STATUS_LENGTH), 1500u);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Play(id), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_PLAY);
  ASSERT_TRUE(WaitForNotification(10000));
  // How closely it keeps to real time is measured by bench_audio.
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(seconds, 1.4) << "faster than real time";
  EXPECT_EQ(Codes(), std::vector<WPARAM>{MCI_NOTIFY_SUCCESSFUL});
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 1500u);
  const Wav wav = ReadWav(Path("out.wav"));
  ASSERT_TRUE(wav.valid);
  EXPECT_EQ(wav.channels, 2);
  EXPECT_EQ(wav.rate, 44100);
  EXPECT_EQ(wav.bits, 16);
  EXPECT_NEAR(wav.dataBytes / 4.0, 1.5 * 44100, 1.0);
  EXPECT_GT(audio_test::Peak(wav.samples), 0.1f);
  EXPECT_GT(audio_test::Rms(wav.samples, 0, 44100), 0.01) << "the first half second sounds";
}

// The sound card path: a FluidSynth driver calls back for each block from its own thread. ALSA's
// null device (chosen through a private ALSA configuration) takes the blocks without a sound card,
// though not at a real card's pace, so this checks the callback path, not the timing.
TEST_F(MciOutputs, DriverOutputPlaysFromTheAudioCallback) {
  const char* home = std::getenv("HOME");
  const std::string savedHome = home != nullptr ? home : "";
  std::ofstream(Path(".asoundrc")) << "pcm.!default { type null }\n";
  setenv("HOME", m_dir.c_str(), 1);
  setenv("TESSIVO_AUDIO", "alsa", 1);
  midi_test::WriteFile(Path("short.mid"), midi_test::SimpleSong(2, 1));  // 1 s
  const MCIDEVICEID id = OpenOrFail(Path("short.mid"));
  StderrCapture capture;
  const MCIERROR error = Play(id);
  const bool notified = error == 0 && WaitForNotification(10000);
  const std::string printed = capture.Finish();
  setenv("HOME", savedHome.c_str(), 1);
  ASSERT_EQ(error, 0u) << ErrorText(error);
  ASSERT_TRUE(notified);
  EXPECT_EQ(Codes(), std::vector<WPARAM>{MCI_NOTIFY_SUCCESSFUL});
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 1000u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  EXPECT_EQ(printed, "");
}

TEST_F(MciOutputs, WavOutputStoppedMidwayKeepsAValidFileOfWhatWasPlayed) {
  midi_test::WriteFile(Path("long.mid"), midi_test::SimpleSong(16, 2));  // 16 s
  setenv("TESSIVO_AUDIO", ("wav:" + Path("stopped.wav")).c_str(), 1);
  const MCIDEVICEID id = OpenOrFail(Path("long.mid"));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Play(id), 0u);
  constexpr std::uintmax_t kHalfSecondBytes = 44100 / 2 * 4;
  ASSERT_TRUE(WaitUntil(
      [&] {
        std::error_code error;
        return std::filesystem::file_size(Path("stopped.wav"), error) > 44 + kHalfSecondBytes;
      },
      10000));
  // What a process killed now would leave: a header that describes the samples already written
  // (it follows them block by block, so it may lag by the block being written).
  // Sizes read around the header, so the header's moment lies between them.
  const auto sizeBefore = static_cast<std::uint32_t>(std::filesystem::file_size(Path("stopped.wav")));
  std::ifstream header(Path("stopped.wav"), std::ios::binary);
  unsigned char bytes[44] = {};
  header.read(reinterpret_cast<char*>(bytes), sizeof bytes);
  header.close();
  const auto sizeAfter = static_cast<std::uint32_t>(std::filesystem::file_size(Path("stopped.wav")));
  auto le32 = [&](int at) {
    return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                      bytes[at + 3] << 24);
  };
  constexpr std::uint32_t kBlockBytes = 441 * 4;
  EXPECT_GT(le32(40), 0u) << "nothing described after half a second of sound";
  EXPECT_EQ(le32(4), 36 + le32(40));
  EXPECT_LE(le32(40), sizeAfter - 44) << "the header describes samples not yet written";
  EXPECT_GE(le32(40) + kBlockBytes, sizeBefore - 44) << "the header lags behind the samples";
  ASSERT_EQ(Command(id, MCI_STOP), 0u);
  const double played = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  headless::PumpUntilIdle();
  EXPECT_EQ(Codes(), std::vector<WPARAM>{MCI_NOTIFY_ABORTED});
  const Wav wav = ReadWav(Path("stopped.wav"));
  ASSERT_TRUE(wav.valid);
  const double seconds = wav.dataBytes / 4.0 / 44100;
  EXPECT_GT(seconds, 0.4);
  // No further ahead of the clock than the block being written, and nothing after the stop.
  EXPECT_LE(seconds, played + kBlockBytes / 4.0 / 44100) << "written faster than real time";
  EXPECT_NEAR(static_cast<double>(Status(id, MCI_STATUS_POSITION)), seconds * 1000, 30.0);
}

TEST_F(MciOutputs, AWavFileThatCannotBeWrittenFailsThePlayOrTheOutput) {
  midi_test::WriteFile(Path("short.mid"), midi_test::SimpleSong(2, 1));
  const MCIDEVICEID id = OpenOrFail(Path("short.mid"));
  setenv("TESSIVO_AUDIO", ("wav:" + Path("no/such/dir/out.wav")).c_str(), 1);
  const MCIERROR error = Play(id);
  EXPECT_NE(error, 0u);
  EXPECT_NE(ErrorText(error).find("no/such/dir/out.wav"), std::string::npos) << ErrorText(error);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  // A full disk: the header cannot be written, so playing does not start.
  setenv("TESSIVO_AUDIO", "wav:/dev/full", 1);
  EXPECT_NE(Play(id), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  // A disk that fills up while playing (a file size limit of about 0.1 s of sound): the play
  // ends with a failure notification.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 20000;
  std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  setenv("TESSIVO_AUDIO", ("wav:" + Path("full.wav")).c_str(), 1);
  const MCIERROR played = Play(id);
  const bool notified = played == 0 && WaitForNotification(5000);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_DFL);
  ASSERT_EQ(played, 0u) << ErrorText(played);
  ASSERT_TRUE(notified);
  EXPECT_EQ(Codes(), std::vector<WPARAM>{MCI_NOTIFY_FAILURE});
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  // The block that did not fit is not left half written after what the header describes.
  const Wav full = ReadWav(Path("full.wav"));
  EXPECT_TRUE(full.valid) << "the header does not describe the file";
  EXPECT_GT(full.dataBytes, 0u);
  // The file removed while it is written: the sound goes nowhere, so the play fails.
  setenv("TESSIVO_AUDIO", ("wav:" + Path("removed.wav")).c_str(), 1);
  ASSERT_EQ(Play(id), 0u);
  Received().clear();
  std::filesystem::remove(Path("removed.wav"));
  ASSERT_TRUE(WaitForNotification(5000));
  EXPECT_EQ(Codes(), std::vector<WPARAM>{MCI_NOTIFY_FAILURE});
}

TEST_F(MciOutputs, OutputTurnedOffOrUnavailableGivesAClearTextAndNoNotification) {
  const MCIDEVICEID id = OpenOrFail("do maior.MID");
  setenv("TESSIVO_AUDIO", "none", 1);
  MCIERROR error = Play(id);
  EXPECT_NE(error, 0u);
  EXPECT_NE(ErrorText(error).find("TESSIVO_AUDIO=none"), std::string::npos) << ErrorText(error);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  setenv("TESSIVO_AUDIO", "no-such-driver", 1);
  StderrCapture capture;
  error = Play(id);
  const std::string printed = capture.Finish();
  EXPECT_NE(error, 0u);
  EXPECT_NE(ErrorText(error).find("no-such-driver"), std::string::npos) << ErrorText(error);
  EXPECT_EQ(printed, "") << "the synthesizer's complaints belong in the error text";
  headless::AdvanceClock(1000);
  EXPECT_TRUE(Received().empty());
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 0u);
}

// A sound system that has no such card, as on a machine without a sound card: the ALSA library's
// own complaints ("ALSA lib ...", eight lines) must not reach standard error; the error text says
// that no output could be opened. (ALSA keeps its configuration for the process, so this case runs
// in a process of its own, as CTest runs every case.)
TEST_F(MciOutputs, NoSoundCardGivesTheErrorTextAndPrintsNothing) {
  const MCIDEVICEID id = OpenOrFail("do maior.MID");
  const char* home = std::getenv("HOME");
  const std::string savedHome = home != nullptr ? home : "";
  setenv("HOME", m_dir.c_str(), 1);
  setenv("ALSA_CARD", "NoSuchCard", 1);
  setenv("TESSIVO_AUDIO", "alsa", 1);
  StderrCapture capture;
  const MCIERROR error = Play(id);
  const std::string printed = capture.Finish();
  setenv("HOME", savedHome.c_str(), 1);
  unsetenv("ALSA_CARD");
  EXPECT_NE(error, 0u);
  EXPECT_EQ(printed, "") << ErrorText(error);
  EXPECT_NE(ErrorText(error).find("No sound output could be opened (tried alsa)"), std::string::npos)
      << ErrorText(error);
}

TEST_F(MciOutputs, MissingOrBrokenSoundfontFailsTheOpenWithItsName) {
  setenv("TESSIVO_SOUNDFONT", Path("absent.sf2").c_str(), 1);
  MCIDEVICEID id = 0;
  MCIERROR error = Open("do maior.MID", &id);
  EXPECT_NE(error, 0u);
  EXPECT_NE(ErrorText(error).find("absent.sf2"), std::string::npos) << ErrorText(error);
  EXPECT_NE(ErrorText(error).find("does not exist"), std::string::npos) << ErrorText(error);
  setenv("TESSIVO_SOUNDFONT", m_dir.c_str(), 1);
  error = Open("do maior.MID", &id);
  EXPECT_NE(ErrorText(error).find("names the directory " + m_dir.string()), std::string::npos)
      << ErrorText(error);
  std::ofstream(Path("broken.sf2")) << "this is no soundfont";
  setenv("TESSIVO_SOUNDFONT", Path("broken.sf2").c_str(), 1);
  StderrCapture capture;
  error = Open("do maior.MID", &id);
  EXPECT_EQ(capture.Finish(), "");
  EXPECT_NE(error, 0u);
  EXPECT_NE(ErrorText(error).find("broken.sf2"), std::string::npos) << ErrorText(error);
  // With the soundfont back, the same file opens.
  unsetenv("TESSIVO_SOUNDFONT");
  EXPECT_EQ(Open("do maior.MID", &id), 0u);
}

TEST_F(MciOutputs, SoundfontSearchOrder) {
  const std::vector<std::string> candidates = {Path("a.sf2"), Path("b.sf2"), Path("c.sf2")};
  EXPECT_EQ(FindSoundfont(nullptr, candidates), "");
  std::ofstream(Path("c.sf2")) << "x";
  EXPECT_EQ(FindSoundfont(nullptr, candidates), Path("c.sf2"));
  std::ofstream(Path("b.sf2")) << "x";
  EXPECT_EQ(FindSoundfont("", candidates), Path("b.sf2"));
  EXPECT_EQ(FindSoundfont("/explicit.sf2", candidates), "/explicit.sf2") << "a setting is never replaced";
  std::filesystem::create_directories(Path("a.sf2"));
  EXPECT_EQ(FindSoundfont(nullptr, candidates), Path("b.sf2")) << "a directory is no soundfont";
  EXPECT_EQ(DefaultSoundfontCandidates().front(), "/usr/share/sounds/sf2/default-GM.sf2");
}

TEST_F(MciOutputs, MalformedFilesOpenedThroughTheServiceSayWhatIsWrong) {
  midi_test::WriteFile(Path("truncated.mid"), midi_test::Concat({midi_test::Header(0, 1, 96),
                                                                 {'M', 'T', 'r', 'k', 0, 0, 1, 0, 0x00}}));
  midi_test::WriteFile(Path("text.mid"), {'h', 'e', 'l', 'l', 'o'});
  std::filesystem::create_directories(Path("folder.mid"));
  MCIDEVICEID id = 0;
  for (const auto& [name, words] : std::vector<std::pair<std::string, std::string>>{
           {"truncated.mid", "past the end"}, {"text.mid", "not a MIDI file"}, {"folder.mid", "directory"}}) {
    const MCIERROR error = Open(Path(name), &id);
    EXPECT_NE(error, 0u) << name;
    EXPECT_NE(ErrorText(error).find(words), std::string::npos) << ErrorText(error);
    EXPECT_NE(ErrorText(error).find(name), std::string::npos) << ErrorText(error);
  }
}

TEST_F(MciOutputs, FileNamesAreInTheProgramsCodePage) {
  // On disk the name is UTF-8; the program hands it over in cp1252 (0xE1 is "á").
  midi_test::WriteFile(Path("l\xC3\xA1 maior.mid"), midi_test::SimpleSong(1, 2));
  MCIDEVICEID id = 0;
  const MCIERROR error = Open(Path("l\xE1 maior.mid"), &id);
  ASSERT_EQ(error, 0u) << ErrorText(error);
  EXPECT_EQ(Status(id, MCI_STATUS_LENGTH), 1000u);
}

TEST_F(MciOutputs, TheSynthesizerIsLoadedOnlyByTheFirstOpenAndPrintsNothing) {
  if (FluidSynthLoaded()) GTEST_SKIP() << "an earlier test in this process loaded it";
  StderrCapture capture;
  MCIDEVICEID id = 0;
  EXPECT_EQ(Open("nao existe.mid", &id), MCIERR_FILE_NOT_FOUND);
  EXPECT_FALSE(FluidSynthLoaded()) << "a failed open needs no synthesizer";
  EXPECT_EQ(Open("do maior.MID", &id), 0u);
  EXPECT_TRUE(FluidSynthLoaded());
  EXPECT_EQ(Play(id), 0u);
  headless::AdvanceClock(500);
  EXPECT_EQ(capture.Finish(), "");
}
