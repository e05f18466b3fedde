// SPDX-License-Identifier: GPL-3.0-or-later
// The multimedia command service: devices opened on files and driven by numbered commands.
//
// The media player control is written against the classic Media Control Interface, so the command
// numbers, flags, record layouts and result values here are that interface's published ones. The
// one device this program has is the MIDI sequencer (FluidSynth underneath); everything else a
// caller may ask for gets a clean error code with a text from mciGetErrorString.
//
// Behaviour callers rely on:
// - MCI_OPEN with MCI_OPEN_ELEMENT picks the sequencer for .mid, .midi and .rmi files; with
//   MCI_OPEN_TYPE the name "sequencer" (any case) picks it whatever the extension. A bare file name
//   (no '/') is looked up in the current directory, then the program file's directory, then
//   ../share/tessivo/ beside the program. The identifier returned in wDeviceID is never reused
//   during the run. The soundfont is loaded at the first successful open; nothing of the
//   synthesizer library is loaded before it.
// - MCI_PLAY returns at once (unless MCI_WAIT). When playing ends, MM_MCINOTIFY (wParam = the
//   notification code, lParam = the device identifier) is posted to the callback window of the
//   latest command that asked for notification: MCI_NOTIFY_SUCCESSFUL at the natural end,
//   MCI_NOTIFY_SUPERSEDED when another command with MCI_NOTIFY replaces it, MCI_NOTIFY_ABORTED when
//   MCI_STOP, MCI_SEEK or MCI_CLOSE interrupts it, MCI_NOTIFY_FAILURE when the output fails. A
//   command other than MCI_PLAY/MCI_RESUME that carries MCI_NOTIFY and succeeds is notified
//   successful at once. A failing command notifies nothing.
// - Pause, stop, seek and close silence every note at once and release the sound output; it is
//   opened again by the next play. One device sounds at a time: a play on one device stops a device
//   that is playing (its pending notification is aborted).
// - MCI_STATUS_MODE answers MCI_MODE_STOP, MCI_MODE_PLAY or MCI_MODE_PAUSE; positions and lengths
//   are milliseconds (the only time format the sequencer accepts). A sequencer file counts as one
//   track.
// - TESSIVO_AUDIO (read at each play) chooses the output: unset or "auto" is the synthesizer's
//   default driver, a driver name ("pulseaudio", "alsa", ...) that driver, "wav:PATH" real-time
//   playing written to a 16-bit stereo WAV file, "none" no output (play fails). Without an explicit
//   choice, a backend with a virtual clock makes the sequencer render offline as its clock advances.
// - TESSIVO_SOUNDFONT names the soundfont; otherwise the system's default General MIDI soundfont,
//   then FluidR3_GM, then TimGM6mb are tried.
// Every call is made on the UI thread.
#pragma once

#include <cstdint>
#include <vector>

#include "base/types.h"

using MCIERROR = DWORD;
using MCIDEVICEID = UINT;
using DWORD_PTR = std::uintptr_t;

// ---- Commands ------------------------------------------------------------------------------
inline constexpr UINT MCI_OPEN = 0x0803;
inline constexpr UINT MCI_CLOSE = 0x0804;
inline constexpr UINT MCI_ESCAPE = 0x0805;
inline constexpr UINT MCI_PLAY = 0x0806;
inline constexpr UINT MCI_SEEK = 0x0807;
inline constexpr UINT MCI_STOP = 0x0808;
inline constexpr UINT MCI_PAUSE = 0x0809;
inline constexpr UINT MCI_INFO = 0x080A;
inline constexpr UINT MCI_GETDEVCAPS = 0x080B;
inline constexpr UINT MCI_SPIN = 0x080C;
inline constexpr UINT MCI_SET = 0x080D;
inline constexpr UINT MCI_STEP = 0x080E;
inline constexpr UINT MCI_RECORD = 0x080F;
inline constexpr UINT MCI_SYSINFO = 0x0810;
inline constexpr UINT MCI_BREAK = 0x0811;
inline constexpr UINT MCI_SAVE = 0x0813;
inline constexpr UINT MCI_STATUS = 0x0814;
inline constexpr UINT MCI_CUE = 0x0830;
inline constexpr UINT MCI_REALIZE = 0x0840;
inline constexpr UINT MCI_WINDOW = 0x0841;
inline constexpr UINT MCI_PUT = 0x0842;
inline constexpr UINT MCI_WHERE = 0x0843;
inline constexpr UINT MCI_FREEZE = 0x0844;
inline constexpr UINT MCI_UNFREEZE = 0x0845;
inline constexpr UINT MCI_LOAD = 0x0850;
inline constexpr UINT MCI_CUT = 0x0851;
inline constexpr UINT MCI_COPY = 0x0852;
inline constexpr UINT MCI_PASTE = 0x0853;
inline constexpr UINT MCI_UPDATE = 0x0854;
inline constexpr UINT MCI_RESUME = 0x0855;
inline constexpr UINT MCI_DELETE = 0x0856;

inline constexpr MCIDEVICEID MCI_ALL_DEVICE_ID = 0xFFFFFFFF;

// ---- Flags common to every command -----------------------------------------------------------
inline constexpr DWORD MCI_NOTIFY = 0x00000001;
inline constexpr DWORD MCI_WAIT = 0x00000002;
inline constexpr DWORD MCI_FROM = 0x00000004;
inline constexpr DWORD MCI_TO = 0x00000008;
inline constexpr DWORD MCI_TRACK = 0x00000010;

// MCI_OPEN
inline constexpr DWORD MCI_OPEN_SHAREABLE = 0x00000100;
inline constexpr DWORD MCI_OPEN_ELEMENT = 0x00000200;
inline constexpr DWORD MCI_OPEN_ALIAS = 0x00000400;
inline constexpr DWORD MCI_OPEN_ELEMENT_ID = 0x00000800;
inline constexpr DWORD MCI_OPEN_TYPE_ID = 0x00001000;
inline constexpr DWORD MCI_OPEN_TYPE = 0x00002000;

// MCI_SEEK
inline constexpr DWORD MCI_SEEK_TO_START = 0x00000100;
inline constexpr DWORD MCI_SEEK_TO_END = 0x00000200;

// MCI_STATUS
inline constexpr DWORD MCI_STATUS_ITEM = 0x00000100;
inline constexpr DWORD MCI_STATUS_START = 0x00000200;
inline constexpr DWORD MCI_STATUS_LENGTH = 0x00000001;
inline constexpr DWORD MCI_STATUS_POSITION = 0x00000002;
inline constexpr DWORD MCI_STATUS_NUMBER_OF_TRACKS = 0x00000003;
inline constexpr DWORD MCI_STATUS_MODE = 0x00000004;
inline constexpr DWORD MCI_STATUS_MEDIA_PRESENT = 0x00000005;
inline constexpr DWORD MCI_STATUS_TIME_FORMAT = 0x00000006;
inline constexpr DWORD MCI_STATUS_READY = 0x00000007;
inline constexpr DWORD MCI_STATUS_CURRENT_TRACK = 0x00000008;

// MCI_GETDEVCAPS
inline constexpr DWORD MCI_GETDEVCAPS_ITEM = 0x00000100;
inline constexpr DWORD MCI_GETDEVCAPS_CAN_RECORD = 0x00000001;
inline constexpr DWORD MCI_GETDEVCAPS_HAS_AUDIO = 0x00000002;
inline constexpr DWORD MCI_GETDEVCAPS_HAS_VIDEO = 0x00000003;
inline constexpr DWORD MCI_GETDEVCAPS_DEVICE_TYPE = 0x00000004;
inline constexpr DWORD MCI_GETDEVCAPS_USES_FILES = 0x00000005;
inline constexpr DWORD MCI_GETDEVCAPS_COMPOUND_DEVICE = 0x00000006;
inline constexpr DWORD MCI_GETDEVCAPS_CAN_EJECT = 0x00000007;
inline constexpr DWORD MCI_GETDEVCAPS_CAN_PLAY = 0x00000008;
inline constexpr DWORD MCI_GETDEVCAPS_CAN_SAVE = 0x00000009;

// MCI_SET
inline constexpr DWORD MCI_SET_DOOR_OPEN = 0x00000100;
inline constexpr DWORD MCI_SET_DOOR_CLOSED = 0x00000200;
inline constexpr DWORD MCI_SET_TIME_FORMAT = 0x00000400;
inline constexpr DWORD MCI_SET_AUDIO = 0x00000800;
inline constexpr DWORD MCI_SET_VIDEO = 0x00001000;
inline constexpr DWORD MCI_SET_ON = 0x00002000;
inline constexpr DWORD MCI_SET_OFF = 0x00004000;

// Video commands (digital video devices; the sequencer refuses them).
inline constexpr DWORD MCI_DGV_STEP_REVERSE = 0x00010000;
inline constexpr DWORD MCI_DGV_STEP_FRAMES = 0x00020000;
inline constexpr DWORD MCI_DGV_WINDOW_HWND = 0x00010000;
inline constexpr DWORD MCI_DGV_WINDOW_STATE = 0x00040000;
inline constexpr DWORD MCI_DGV_WINDOW_TEXT = 0x00080000;
inline constexpr DWORD MCI_DGV_WHERE_SOURCE = 0x00020000;
inline constexpr DWORD MCI_DGV_WHERE_DESTINATION = 0x00040000;
inline constexpr DWORD MCI_DGV_WHERE_FRAME = 0x00080000;
inline constexpr DWORD MCI_DGV_WHERE_VIDEO = 0x00100000;
inline constexpr DWORD MCI_DGV_WHERE_WINDOW = 0x00200000;
inline constexpr DWORD MCI_DGV_WHERE_MAX = 0x00400000;

// ---- Values returned ------------------------------------------------------------------------
inline constexpr DWORD MCI_DEVTYPE_VCR = 513;
inline constexpr DWORD MCI_DEVTYPE_VIDEODISC = 514;
inline constexpr DWORD MCI_DEVTYPE_OVERLAY = 515;
inline constexpr DWORD MCI_DEVTYPE_CD_AUDIO = 516;
inline constexpr DWORD MCI_DEVTYPE_DAT = 517;
inline constexpr DWORD MCI_DEVTYPE_SCANNER = 518;
inline constexpr DWORD MCI_DEVTYPE_ANIMATION = 519;
inline constexpr DWORD MCI_DEVTYPE_DIGITAL_VIDEO = 520;
inline constexpr DWORD MCI_DEVTYPE_OTHER = 521;
inline constexpr DWORD MCI_DEVTYPE_WAVEFORM_AUDIO = 522;
inline constexpr DWORD MCI_DEVTYPE_SEQUENCER = 523;

inline constexpr DWORD MCI_MODE_NOT_READY = 524;
inline constexpr DWORD MCI_MODE_STOP = 525;
inline constexpr DWORD MCI_MODE_PLAY = 526;
inline constexpr DWORD MCI_MODE_RECORD = 527;
inline constexpr DWORD MCI_MODE_SEEK = 528;
inline constexpr DWORD MCI_MODE_PAUSE = 529;
inline constexpr DWORD MCI_MODE_OPEN = 530;

inline constexpr DWORD MCI_FORMAT_MILLISECONDS = 0;
inline constexpr DWORD MCI_FORMAT_HMS = 1;
inline constexpr DWORD MCI_FORMAT_MSF = 2;
inline constexpr DWORD MCI_FORMAT_FRAMES = 3;
inline constexpr DWORD MCI_FORMAT_SMPTE_24 = 4;
inline constexpr DWORD MCI_FORMAT_SMPTE_25 = 5;
inline constexpr DWORD MCI_FORMAT_SMPTE_30 = 6;
inline constexpr DWORD MCI_FORMAT_SMPTE_30DROP = 7;
inline constexpr DWORD MCI_FORMAT_BYTES = 8;
inline constexpr DWORD MCI_FORMAT_SAMPLES = 9;
inline constexpr DWORD MCI_FORMAT_TMSF = 10;
inline constexpr DWORD MCI_SEQ_FORMAT_SONGPTR = 0x4001;

// Notification codes (wParam of MM_MCINOTIFY).
inline constexpr WPARAM MCI_NOTIFY_SUCCESSFUL = 0x0001;
inline constexpr WPARAM MCI_NOTIFY_SUPERSEDED = 0x0002;
inline constexpr WPARAM MCI_NOTIFY_ABORTED = 0x0004;
inline constexpr WPARAM MCI_NOTIFY_FAILURE = 0x0008;

// ---- Error codes -----------------------------------------------------------------------------
inline constexpr MCIERROR MCIERR_BASE = 256;
inline constexpr MCIERROR MCIERR_INVALID_DEVICE_ID = MCIERR_BASE + 1;
inline constexpr MCIERROR MCIERR_UNRECOGNIZED_COMMAND = MCIERR_BASE + 5;
inline constexpr MCIERROR MCIERR_HARDWARE = MCIERR_BASE + 6;
inline constexpr MCIERROR MCIERR_INVALID_DEVICE_NAME = MCIERR_BASE + 7;
inline constexpr MCIERROR MCIERR_OUT_OF_MEMORY = MCIERR_BASE + 8;
inline constexpr MCIERROR MCIERR_DEVICE_OPEN = MCIERR_BASE + 9;
inline constexpr MCIERROR MCIERR_CANNOT_LOAD_DRIVER = MCIERR_BASE + 10;
inline constexpr MCIERROR MCIERR_MISSING_PARAMETER = MCIERR_BASE + 17;
inline constexpr MCIERROR MCIERR_UNSUPPORTED_FUNCTION = MCIERR_BASE + 18;
inline constexpr MCIERROR MCIERR_FILE_NOT_FOUND = MCIERR_BASE + 19;
inline constexpr MCIERROR MCIERR_DEVICE_NOT_READY = MCIERR_BASE + 20;
inline constexpr MCIERROR MCIERR_INTERNAL = MCIERR_BASE + 21;
inline constexpr MCIERROR MCIERR_DRIVER = MCIERR_BASE + 22;
inline constexpr MCIERROR MCIERR_EXTENSION_NOT_FOUND = MCIERR_BASE + 25;
inline constexpr MCIERROR MCIERR_OUTOFRANGE = MCIERR_BASE + 26;
inline constexpr MCIERROR MCIERR_FLAGS_NOT_COMPATIBLE = MCIERR_BASE + 28;
inline constexpr MCIERROR MCIERR_DEVICE_TYPE_REQUIRED = MCIERR_BASE + 31;
inline constexpr MCIERROR MCIERR_BAD_CONSTANT = MCIERR_BASE + 34;
inline constexpr MCIERROR MCIERR_BAD_TIME_FORMAT = MCIERR_BASE + 37;
inline constexpr MCIERROR MCIERR_INVALID_FILE = MCIERR_BASE + 40;
inline constexpr MCIERROR MCIERR_NULL_PARAMETER_BLOCK = MCIERR_BASE + 41;
inline constexpr MCIERROR MCIERR_NONAPPLICABLE_FUNCTION = MCIERR_BASE + 46;
inline constexpr MCIERROR MCIERR_FILENAME_REQUIRED = MCIERR_BASE + 48;
inline constexpr MCIERROR MCIERR_DEVICE_NOT_INSTALLED = MCIERR_BASE + 50;
inline constexpr MCIERROR MCIERR_SEQ_PORT_INUSE = MCIERR_BASE + 81;
inline constexpr MCIERROR MCIERR_SEQ_PORT_NONEXISTENT = MCIERR_BASE + 82;
inline constexpr MCIERROR MCIERR_SEQ_PORT_MISCERROR = MCIERR_BASE + 84;
inline constexpr MCIERROR MCIERR_SEQ_NOMIDIPRESENT = MCIERR_BASE + 87;
inline constexpr MCIERROR MCIERR_NO_WINDOW = MCIERR_BASE + 90;
inline constexpr MCIERROR MCIERR_CREATEWINDOW = MCIERR_BASE + 91;
inline constexpr MCIERROR MCIERR_FILE_READ = MCIERR_BASE + 92;
inline constexpr MCIERROR MCIERR_FILE_WRITE = MCIERR_BASE + 93;
// Codes from here on are the sequencer's own, each with its own text (a malformed MIDI file says
// what is wrong with it; the sound output says why it cannot play).
inline constexpr MCIERROR MCIERR_CUSTOM_DRIVER_BASE = MCIERR_BASE + 256;

// ---- Parameter records -----------------------------------------------------------------------
// dwCallback is the window that receives MM_MCINOTIFY (a HWND stored as a number).
struct MCI_GENERIC_PARMS {
  DWORD_PTR dwCallback = 0;
};

struct MCI_OPEN_PARMS {
  DWORD_PTR dwCallback = 0;
  MCIDEVICEID wDeviceID = 0;               // out: the new device's identifier
  const char* lpstrDeviceType = nullptr;   // with MCI_OPEN_TYPE: "sequencer"
  const char* lpstrElementName = nullptr;  // with MCI_OPEN_ELEMENT: the file, cp1252
  const char* lpstrAlias = nullptr;
};

struct MCI_PLAY_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD dwFrom = 0;
  DWORD dwTo = 0;
};

struct MCI_SEEK_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD dwTo = 0;
};

struct MCI_STATUS_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD_PTR dwReturn = 0;
  DWORD dwItem = 0;
  DWORD dwTrack = 0;
};

struct MCI_GETDEVCAPS_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD dwReturn = 0;  // TRUE/FALSE for the "can" and "has" items, a device type for DEVICE_TYPE
  DWORD dwItem = 0;
};

struct MCI_SET_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD dwTimeFormat = 0;
  DWORD dwAudio = 0;
};

struct MCI_RECORD_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD dwFrom = 0;
  DWORD dwTo = 0;
};

struct MCI_DGV_STEP_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD dwFrames = 0;
};

struct MCI_DGV_WINDOW_PARMS {
  DWORD_PTR dwCallback = 0;
  HWND hWnd = nullptr;
  UINT nCmdShow = 0;
  const char* lpstrText = nullptr;
};

struct MCI_DGV_RECT_PARMS {
  DWORD_PTR dwCallback = 0;
  RECT rc{};
};
using MCI_DGV_WHERE_PARMS = MCI_DGV_RECT_PARMS;

// ---- Calls -----------------------------------------------------------------------------------
// `param` is the address of the command's record (nullptr is MCIERR_NULL_PARAMETER_BLOCK for the
// commands that need one). Returns 0 on success or an error code.
MCIERROR mciSendCommand(MCIDEVICEID deviceId, UINT command, DWORD_PTR flags, DWORD_PTR param);
// The English text of an error code, cp1252, cut to size - 1 characters. FALSE for a code the
// service does not know (the buffer then holds an empty text).
BOOL mciGetErrorString(MCIERROR code, char* buffer, UINT size);

// The 8-bit-text names of the same calls.
inline MCIERROR mciSendCommandA(MCIDEVICEID deviceId, UINT command, DWORD_PTR flags, DWORD_PTR param) {
  return mciSendCommand(deviceId, command, flags, param);
}
inline BOOL mciGetErrorStringA(MCIERROR code, char* buffer, UINT size) {
  return mciGetErrorString(code, buffer, size);
}

// Closes every device and unloads the synthesizer and its soundfont. It runs by itself when the
// platform stops; tests that need a fresh start call it too. Device identifiers stay unique after
// it.
void ShutdownMci();

namespace mci {

// What a device rendered on a display's own clock (the headless display's, which moves only when
// a test moves it): a device plays offline there, step by step with the clock, and keeps every
// frame, also after it is closed, until ShutdownMci or the platform's end.
struct OfflineAudio {
  int sampleRate = 0;
  std::vector<float> samples;  // left, right, left, right ...
};
// False when the device never rendered offline.
bool GetOfflineAudio(MCIDEVICEID id, OfflineAudio* audio);

}  // namespace mci
