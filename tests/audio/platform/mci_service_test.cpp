// SPDX-License-Identifier: GPL-3.0-or-later
// The multimedia service's command semantics on the headless backend: opening, status, playing
// rendered offline on the virtual clock, the notifications at the callback window, seeking,
// capabilities and the commands a sequencer refuses.
#include <unistd.h>

#include <filesystem>
#include <set>

#include "audio/platform/audio_test_support.h"
#include "audio/platform/mci_test_support.h"
#include "platform/mci/mci_errors.h"
#include "platform/mci/midi_file.h"
#include "support/midi_file_builder.h"

using namespace mci;

using audio_test::Peak;
using audio_test::Rms;
using mci_test::ErrorText;
using mci_test::Received;

namespace {

class MciCommands : public mci_test::MciSession {
 protected:
  static DWORD FileLengthMs(const std::string& name) {
    midi::Song song;
    EXPECT_EQ(midi::ReadSongFile(audio_test::KeyFile(name), &song), midi::ReadError::kNone);
    return static_cast<DWORD>((song.lengthUs + 500) / 1000);
  }
};

}  // namespace

TEST_F(MciCommands, OpenFailsCleanlyForMissingFilesAndOtherKindsOfMedia) {
  MCIDEVICEID id = 77;
  MCIERROR error = Open("nao existe.MID", &id);
  EXPECT_EQ(error, MCIERR_FILE_NOT_FOUND);
  EXPECT_NE(ErrorText(error).find("Cannot find the specified file"), std::string::npos);
  EXPECT_EQ(Open("do maior.wav", &id), MCIERR_EXTENSION_NOT_FOUND);
  EXPECT_EQ(Open("do maior", &id), MCIERR_EXTENSION_NOT_FOUND);
  EXPECT_EQ(Open("", &id), MCIERR_FILENAME_REQUIRED);
  EXPECT_EQ(Open("x.mid", &id, MCI_WAIT | MCI_OPEN_TYPE, "sequencer"), MCIERR_FILENAME_REQUIRED);
  EXPECT_EQ(Open("x.wav", &id, MCI_WAIT | MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, "WaveAudio"),
            MCIERR_DEVICE_NOT_INSTALLED);
  EXPECT_EQ(Open("x.mid", &id, MCI_WAIT | MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, "Jukebox"),
            MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(mciSendCommand(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_ELEMENT, 0), MCIERR_NULL_PARAMETER_BLOCK);
  for (MCIERROR e : {MCIERR_EXTENSION_NOT_FOUND, MCIERR_FILENAME_REQUIRED, MCIERR_DEVICE_NOT_INSTALLED,
                     MCIERR_INVALID_DEVICE_NAME, MCIERR_NULL_PARAMETER_BLOCK}) {
    EXPECT_GT(ErrorText(e).size(), 10u) << e;
  }
  EXPECT_TRUE(Received().empty()) << "a failed command notifies nothing";
}

TEST_F(MciCommands, OpenByBareNameReportsLengthPositionZeroAndStopped) {
  const MCIDEVICEID id = OpenOrFail("do maior.MID");
  ASSERT_NE(id, 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_LENGTH), FileLengthMs("do maior.MID"));
  EXPECT_GT(Status(id, MCI_STATUS_LENGTH), 10000u);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  EXPECT_EQ(Status(id, MCI_STATUS_TIME_FORMAT), MCI_FORMAT_MILLISECONDS);
  EXPECT_EQ(Status(id, MCI_STATUS_NUMBER_OF_TRACKS), 1u);
  MCI_STATUS_PARMS track{};
  track.dwItem = MCI_STATUS_POSITION;
  track.dwTrack = 1;
  EXPECT_EQ(mciSendCommand(id, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM | MCI_TRACK,
                           reinterpret_cast<DWORD_PTR>(&track)),
            0u);
  EXPECT_EQ(track.dwReturn, 0u);
  track.dwTrack = 2;
  EXPECT_EQ(mciSendCommand(id, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM | MCI_TRACK,
                           reinterpret_cast<DWORD_PTR>(&track)),
            MCIERR_OUTOFRANGE);
  MCIERROR error = 0;
  Status(id, 0x77, &error);
  EXPECT_EQ(error, MCIERR_BAD_CONSTANT);
  EXPECT_EQ(mciSendCommand(id, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM, 0), MCIERR_NULL_PARAMETER_BLOCK);
  // The sequencer can be asked for by type whatever the extension.
  const std::string copy = std::filesystem::temp_directory_path() / "tessivo-key-copy.dat";
  std::filesystem::copy_file(audio_test::KeyFile("re maior.MID"), copy,
                             std::filesystem::copy_options::overwrite_existing);
  MCIDEVICEID typed = 0;
  EXPECT_EQ(Open(copy, &typed, MCI_WAIT | MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, "Sequencer"), 0u);
  EXPECT_EQ(Status(typed, MCI_STATUS_LENGTH), FileLengthMs("re maior.MID"));
  std::filesystem::remove(copy);
}

TEST_F(MciCommands, BareNamesAreLookedForInTheCurrentDirectoryFirst) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tessivo-cwd-lookup";
  std::filesystem::create_directories(dir);
  midi_test::WriteFile((dir / "do maior.MID").string(), midi_test::SimpleSong(2, 1));
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  const MCIDEVICEID id = OpenOrFail("do maior.MID");
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(dir);
  EXPECT_EQ(Status(id, MCI_STATUS_LENGTH), 1000u) << "the current directory's file, not the program's";
}

TEST_F(MciCommands, PlayWithNotifyRendersToTheEndAndNotifiesSuccess) {
  const MCIDEVICEID id = OpenOrFail("do maior.MID");
  const DWORD length = Status(id, MCI_STATUS_LENGTH);
  ASSERT_EQ(Play(id), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_PLAY);
  headless::AdvanceClock(1000);
  EXPECT_NEAR(static_cast<double>(Status(id, MCI_STATUS_POSITION)), 1000.0, 2.0);
  EXPECT_TRUE(Received().empty());
  headless::AdvanceClock(length);  // past the end
  ASSERT_EQ(Received().size(), 1u);
  EXPECT_EQ(Received()[0].code, MCI_NOTIFY_SUCCESSFUL);
  EXPECT_EQ(Received()[0].deviceId, static_cast<LPARAM>(id));
  EXPECT_EQ(Received()[0].window, m_window);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), length);
  // The sound: the file's length of a clearly audible signal.
  OfflineAudio audio;
  ASSERT_TRUE(GetOfflineAudio(id, &audio));
  const double seconds = static_cast<double>(audio.samples.size() / 2) / audio.sampleRate;
  EXPECT_NEAR(seconds * 1000, length, 1.0);
  EXPECT_GT(Peak(audio.samples), 0.2f);
  EXPECT_LT(Peak(audio.samples), 0.9f);
  EXPECT_GT(Rms(audio.samples), 0.01);
  // Nothing more is rendered once playing has ended.
  const std::size_t frames = RenderedFrames(id);
  headless::AdvanceClock(2000);
  EXPECT_EQ(RenderedFrames(id), frames);
}

TEST_F(MciCommands, PlayThatWaitsRendersEverythingBeforeReturning) {
  const MCIDEVICEID id = OpenOrFail("mi maior.MID");
  const DWORD length = Status(id, MCI_STATUS_LENGTH);
  ASSERT_EQ(Play(id, MCI_WAIT | MCI_FROM | MCI_TO, 1000, 3000), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 3000u);
  EXPECT_NEAR(static_cast<double>(RenderedFrames(id)), 2 * 44100.0, 1.0);
  EXPECT_EQ(Play(id, MCI_NOTIFY | MCI_FROM, length + 1), MCIERR_OUTOFRANGE);
  EXPECT_EQ(Play(id, MCI_NOTIFY | MCI_FROM | MCI_TO, 3000, 2000), MCIERR_OUTOFRANGE);
  EXPECT_EQ(Play(id, MCI_NOTIFY | MCI_TO, 0, length + 1), MCIERR_OUTOFRANGE);
  headless::PumpUntilIdle();
  EXPECT_TRUE(Received().empty());
}

TEST_F(MciCommands, StopAbortsAndSilencesAtOnce) {
  const MCIDEVICEID id = OpenOrFail("la maior.MID");
  ASSERT_EQ(Play(id), 0u);
  headless::AdvanceClock(500);
  ASSERT_EQ(Command(id, MCI_STOP), 0u);
  headless::PumpUntilIdle();
  EXPECT_EQ(Codes(), std::vector<WPARAM>{MCI_NOTIFY_ABORTED});
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  EXPECT_NEAR(static_cast<double>(Status(id, MCI_STATUS_POSITION)), 500.0, 2.0);
  const std::size_t frames = RenderedFrames(id);
  EXPECT_NEAR(static_cast<double>(frames), 44100 / 2.0, 1.0);
  headless::AdvanceClock(3000);
  EXPECT_EQ(RenderedFrames(id), frames) << "no sound after the stop";
  EXPECT_EQ(Codes().size(), 1u) << "no late success after an abort";
}

TEST_F(MciCommands, NewPlayWhilePendingSupersedesTheFirstNotification) {
  const MCIDEVICEID id = OpenOrFail("fa maior.MID");
  const DWORD length = Status(id, MCI_STATUS_LENGTH);
  ASSERT_EQ(Play(id), 0u);
  headless::AdvanceClock(300);
  ASSERT_EQ(Play(id, MCI_NOTIFY | MCI_FROM, 0), 0u);
  headless::PumpUntilIdle();
  EXPECT_EQ(Codes(), std::vector<WPARAM>{MCI_NOTIFY_SUPERSEDED});
  headless::AdvanceClock(length - 100);
  EXPECT_EQ(Codes().size(), 1u) << "the second play started again from the beginning";
  headless::AdvanceClock(200);
  EXPECT_EQ(Codes(), (std::vector<WPARAM>{MCI_NOTIFY_SUPERSEDED, MCI_NOTIFY_SUCCESSFUL}));
}

TEST_F(MciCommands, CloseWhilePlayingAbortsSilencesAndForgetsTheDevice) {
  const MCIDEVICEID id = OpenOrFail("si maior.MID");
  ASSERT_EQ(Play(id), 0u);
  headless::AdvanceClock(700);
  const std::size_t frames = RenderedFrames(id);
  ASSERT_EQ(Command(id, MCI_CLOSE), 0u);
  headless::PumpUntilIdle();
  EXPECT_EQ(Codes(), std::vector<WPARAM>{MCI_NOTIFY_ABORTED});
  headless::AdvanceClock(5000);
  EXPECT_EQ(RenderedFrames(id), frames) << "the sound stopped with the close";
  EXPECT_EQ(Codes().size(), 1u);
  MCIERROR error = 0;
  Status(id, MCI_STATUS_MODE, &error);
  EXPECT_EQ(error, MCIERR_INVALID_DEVICE_ID);
  EXPECT_EQ(Command(id, MCI_CLOSE), MCIERR_INVALID_DEVICE_ID);
  EXPECT_FALSE(ErrorText(MCIERR_INVALID_DEVICE_ID).empty());
}

TEST_F(MciCommands, SeekToStartToEndAndToAPosition) {
  const MCIDEVICEID id = OpenOrFail("do maior.MID");
  const DWORD length = Status(id, MCI_STATUS_LENGTH);
  MCI_SEEK_PARMS seek{};
  seek.dwCallback = Callback();
  ASSERT_EQ(mciSendCommand(id, MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_END, reinterpret_cast<DWORD_PTR>(&seek)), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), length);
  seek.dwTo = 4321;
  ASSERT_EQ(mciSendCommand(id, MCI_SEEK, MCI_WAIT | MCI_TO, reinterpret_cast<DWORD_PTR>(&seek)), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 4321u);
  // A seek interrupts a play that waits for its end.
  ASSERT_EQ(Play(id), 0u);
  headless::AdvanceClock(250);
  EXPECT_NEAR(static_cast<double>(Status(id, MCI_STATUS_POSITION)), 4571.0, 2.0);
  ASSERT_EQ(mciSendCommand(id, MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_START, reinterpret_cast<DWORD_PTR>(&seek)),
            0u);
  headless::PumpUntilIdle();
  EXPECT_EQ(Codes(), std::vector<WPARAM>{MCI_NOTIFY_ABORTED});
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  // Faulty seeks change nothing.
  EXPECT_EQ(mciSendCommand(id, MCI_SEEK, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&seek)),
            MCIERR_MISSING_PARAMETER);
  EXPECT_EQ(mciSendCommand(id, MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_START | MCI_SEEK_TO_END,
                           reinterpret_cast<DWORD_PTR>(&seek)),
            MCIERR_FLAGS_NOT_COMPATIBLE);
  seek.dwTo = length + 1;
  EXPECT_EQ(mciSendCommand(id, MCI_SEEK, MCI_WAIT | MCI_TO, reinterpret_cast<DWORD_PTR>(&seek)),
            MCIERR_OUTOFRANGE);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 0u);
  // Playing from the end ends at once, successfully.
  ASSERT_EQ(mciSendCommand(id, MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_END, reinterpret_cast<DWORD_PTR>(&seek)), 0u);
  ASSERT_EQ(Play(id), 0u);
  headless::AdvanceClock(10);
  EXPECT_EQ(Codes(), (std::vector<WPARAM>{MCI_NOTIFY_ABORTED, MCI_NOTIFY_SUCCESSFUL}));
}

TEST_F(MciCommands, PauseHoldsThePositionAndResumeGoesOn) {
  const MCIDEVICEID id = OpenOrFail("re maior.MID");
  const DWORD length = Status(id, MCI_STATUS_LENGTH);
  ASSERT_EQ(Play(id), 0u);
  headless::AdvanceClock(1000);
  ASSERT_EQ(Command(id, MCI_PAUSE), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_PAUSE);
  const DWORD held = Status(id, MCI_STATUS_POSITION);
  const std::size_t frames = RenderedFrames(id);
  headless::AdvanceClock(2000);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), held);
  EXPECT_EQ(RenderedFrames(id), frames);
  EXPECT_TRUE(Received().empty()) << "a pause does not end the play";
  ASSERT_EQ(Command(id, MCI_RESUME, MCI_NOTIFY), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_PLAY);
  headless::AdvanceClock(length - held + 50);
  EXPECT_EQ(Codes(), (std::vector<WPARAM>{MCI_NOTIFY_SUPERSEDED, MCI_NOTIFY_SUCCESSFUL}));
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), length);
  EXPECT_NEAR(static_cast<double>(RenderedFrames(id)), length * 44.1, 2.0);
  // Resuming a stopped device is refused (the player then plays instead).
  EXPECT_EQ(Command(id, MCI_RESUME, MCI_NOTIFY), MCIERR_NONAPPLICABLE_FUNCTION);
}

TEST_F(MciCommands, PlayingOneDeviceStopsAnotherThatPlays) {
  const MCIDEVICEID first = OpenOrFail("do maior.MID");
  const MCIDEVICEID second = OpenOrFail("sol maior.MID");
  ASSERT_EQ(Play(first), 0u);
  headless::AdvanceClock(200);
  ASSERT_EQ(Play(second), 0u);
  headless::PumpUntilIdle();
  ASSERT_EQ(Received().size(), 1u);
  EXPECT_EQ(Received()[0].code, MCI_NOTIFY_ABORTED);
  EXPECT_EQ(Received()[0].deviceId, static_cast<LPARAM>(first));
  EXPECT_EQ(Status(first, MCI_STATUS_MODE), MCI_MODE_STOP);
  EXPECT_EQ(Status(second, MCI_STATUS_MODE), MCI_MODE_PLAY);
}

TEST_F(MciCommands, CapabilitiesAreThoseOfASequencer) {
  const MCIDEVICEID id = OpenOrFail("do maior.MID");
  auto caps = [&](DWORD item) {
    MCI_GETDEVCAPS_PARMS parms{};
    parms.dwItem = item;
    EXPECT_EQ(mciSendCommand(id, MCI_GETDEVCAPS, MCI_WAIT | MCI_GETDEVCAPS_ITEM,
                             reinterpret_cast<DWORD_PTR>(&parms)),
              0u);
    return parms.dwReturn;
  };
  EXPECT_EQ(caps(MCI_GETDEVCAPS_CAN_PLAY), static_cast<DWORD>(TRUE));
  EXPECT_EQ(caps(MCI_GETDEVCAPS_CAN_RECORD), static_cast<DWORD>(FALSE));
  EXPECT_EQ(caps(MCI_GETDEVCAPS_CAN_EJECT), static_cast<DWORD>(FALSE));
  EXPECT_EQ(caps(MCI_GETDEVCAPS_HAS_VIDEO), static_cast<DWORD>(FALSE));
  EXPECT_EQ(caps(MCI_GETDEVCAPS_HAS_AUDIO), static_cast<DWORD>(TRUE));
  EXPECT_EQ(caps(MCI_GETDEVCAPS_DEVICE_TYPE), MCI_DEVTYPE_SEQUENCER);
  MCI_GETDEVCAPS_PARMS parms{};
  parms.dwItem = 99;
  EXPECT_EQ(
      mciSendCommand(id, MCI_GETDEVCAPS, MCI_WAIT | MCI_GETDEVCAPS_ITEM, reinterpret_cast<DWORD_PTR>(&parms)),
      MCIERR_BAD_CONSTANT);
}

TEST_F(MciCommands, WhatASequencerCannotDoFailsCleanly) {
  const MCIDEVICEID id = OpenOrFail("do maior.MID");
  MCI_DGV_RECT_PARMS where{};
  EXPECT_EQ(
      mciSendCommand(id, MCI_WHERE, MCI_WAIT | MCI_DGV_WHERE_SOURCE, reinterpret_cast<DWORD_PTR>(&where)),
      MCIERR_UNSUPPORTED_FUNCTION);
  MCI_DGV_STEP_PARMS step{};
  step.dwFrames = 10;
  EXPECT_EQ(mciSendCommand(id, MCI_STEP, MCI_WAIT | MCI_DGV_STEP_FRAMES | MCI_DGV_STEP_REVERSE,
                           reinterpret_cast<DWORD_PTR>(&step)),
            MCIERR_UNSUPPORTED_FUNCTION);
  MCI_RECORD_PARMS record{};
  record.dwCallback = Callback();
  EXPECT_EQ(mciSendCommand(id, MCI_RECORD, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&record)),
            MCIERR_UNSUPPORTED_FUNCTION);
  MCI_DGV_WINDOW_PARMS window{};
  window.hWnd = m_window;
  EXPECT_EQ(
      mciSendCommand(id, MCI_WINDOW, MCI_WAIT | MCI_DGV_WINDOW_HWND, reinterpret_cast<DWORD_PTR>(&window)),
      MCIERR_UNSUPPORTED_FUNCTION);
  MCI_SET_PARMS set{};
  EXPECT_EQ(mciSendCommand(id, MCI_SET, MCI_WAIT | MCI_SET_DOOR_OPEN, reinterpret_cast<DWORD_PTR>(&set)),
            MCIERR_UNSUPPORTED_FUNCTION);
  set.dwTimeFormat = MCI_FORMAT_TMSF;
  EXPECT_EQ(mciSendCommand(id, MCI_SET, MCI_WAIT | MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set)),
            MCIERR_BAD_TIME_FORMAT);
  set.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
  EXPECT_EQ(mciSendCommand(id, MCI_SET, MCI_WAIT | MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set)),
            0u);
  EXPECT_EQ(mciSendCommand(id, 0x0999, MCI_WAIT, 0), MCIERR_UNRECOGNIZED_COMMAND);
  for (MCIERROR e : {MCIERR_UNSUPPORTED_FUNCTION, MCIERR_BAD_TIME_FORMAT, MCIERR_UNRECOGNIZED_COMMAND}) {
    EXPECT_GT(ErrorText(e).size(), 10u);
  }
  headless::PumpUntilIdle();
  EXPECT_TRUE(Received().empty());
  // The device is still fine.
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
}

TEST_F(MciCommands, DeviceIdentifiersAreNeverReused) {
  std::set<MCIDEVICEID> seen;
  MCIDEVICEID previous = 0;
  for (int i = 0; i < 20; ++i) {
    const MCIDEVICEID id = OpenOrFail(i % 2 ? "do maior.MID" : "dobem maior.MID");
    EXPECT_GT(id, previous);
    EXPECT_TRUE(seen.insert(id).second);
    previous = id;
    if (i % 3 != 2) {
      EXPECT_EQ(Command(id, MCI_CLOSE), 0u);
    }
  }
  ASSERT_EQ(mciSendCommand(MCI_ALL_DEVICE_ID, MCI_CLOSE, MCI_WAIT, 0), 0u);
  ShutdownMci();
  EXPECT_GT(OpenOrFail("do maior.MID"), previous);
}

TEST_F(MciCommands, ErrorStringsAreCutToTheBufferAndUnknownCodesHaveNone) {
  char small[8] = "xxxxxxx";
  EXPECT_TRUE(mciGetErrorString(MCIERR_FILE_NOT_FOUND, small, sizeof small));
  EXPECT_EQ(std::string(small), "Cannot ");
  char buffer[64] = "stale";
  EXPECT_FALSE(mciGetErrorString(12345, buffer, sizeof buffer));
  EXPECT_EQ(buffer[0], '\0');
  // Every code the service returns has its own sentence.
  std::set<std::string> texts;
  std::vector<MCIERROR> codes = {MCIERR_INVALID_DEVICE_ID,
                                 MCIERR_UNRECOGNIZED_COMMAND,
                                 MCIERR_INVALID_DEVICE_NAME,
                                 MCIERR_MISSING_PARAMETER,
                                 MCIERR_UNSUPPORTED_FUNCTION,
                                 MCIERR_FILE_NOT_FOUND,
                                 MCIERR_EXTENSION_NOT_FOUND,
                                 MCIERR_OUTOFRANGE,
                                 MCIERR_FLAGS_NOT_COMPATIBLE,
                                 MCIERR_BAD_CONSTANT,
                                 MCIERR_BAD_TIME_FORMAT,
                                 MCIERR_NULL_PARAMETER_BLOCK,
                                 MCIERR_NONAPPLICABLE_FUNCTION,
                                 MCIERR_FILENAME_REQUIRED,
                                 MCIERR_DEVICE_NOT_INSTALLED,
                                 MCIERR_CREATEWINDOW,
                                 kMciErrSoundfontMissing,
                                 kMciErrSoundfontInvalid,
                                 kMciErrSynthLibrary,
                                 kMciErrSynthFailed,
                                 kMciErrAudioNone,
                                 kMciErrAudioOutput,
                                 kMciErrWavFile,
                                 kMciErrTooManyDevices};
  for (int e = 2; e <= static_cast<int>(midi::ReadError::kTooManyEvents); ++e) {
    codes.push_back(MciErrorForRead(static_cast<midi::ReadError>(e)));
  }
  for (MCIERROR code : codes) {
    const std::string text = ErrorText(code);
    EXPECT_GT(text.size(), 15u) << code;
    EXPECT_EQ(text.back(), '.') << code << ": " << text;
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), codes.size());
}

TEST_F(MciCommands, ShareableOpensAndNotifiesItsOwnSuccess) {
  MCIDEVICEID id = 0;
  MCIERROR error = Open("do maior.MID", &id, MCI_NOTIFY | MCI_OPEN_ELEMENT | MCI_OPEN_SHAREABLE);
  ASSERT_EQ(error, 0u) << ErrorText(error);
  headless::PumpUntilIdle();
  ASSERT_EQ(Received().size(), 1u);
  EXPECT_EQ(Received()[0].code, MCI_NOTIFY_SUCCESSFUL);
  EXPECT_EQ(Received()[0].deviceId, static_cast<LPARAM>(id));
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
}
