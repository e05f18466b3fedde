// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/mci_errors.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "base/cp1252.h"
#include "base/translation.h"

namespace mci {

namespace {

using base::Translated;

std::map<MCIERROR, std::string>& Details() {
  static std::map<MCIERROR, std::string> details;
  return details;
}

const char* StandardText(MCIERROR code) {
  switch (code) {
    case 0:
      return Translated("The specified command was carried out.");
    case MCIERR_INVALID_DEVICE_ID:
      return Translated("Invalid MCI device ID. Use the ID returned when opening the MCI device.");
    case MCIERR_UNRECOGNIZED_COMMAND:
      return Translated("The driver cannot recognize the specified command.");
    case MCIERR_HARDWARE:
      return Translated("There is a problem with your media device.");
    case MCIERR_INVALID_DEVICE_NAME:
      return Translated("The specified device is not open or is not recognized by MCI.");
    case MCIERR_OUT_OF_MEMORY:
      return Translated("There is not enough memory available for this task.");
    case MCIERR_DEVICE_OPEN:
      return Translated("The device name is already being used as an alias by this application.");
    case MCIERR_CANNOT_LOAD_DRIVER:
      return Translated("There is an undetectable problem in loading the specified device driver.");
    case MCIERR_MISSING_PARAMETER:
      return Translated("The specified command requires a parameter. Please supply one.");
    case MCIERR_UNSUPPORTED_FUNCTION:
      return Translated("The MCI device you are using does not support the specified command.");
    case MCIERR_FILE_NOT_FOUND:
      return Translated("Cannot find the specified file. Make sure the path and filename are correct.");
    case MCIERR_DEVICE_NOT_READY:
      return Translated("The device driver is not ready.");
    case MCIERR_INTERNAL:
      return Translated("A problem occurred in initializing MCI.");
    case MCIERR_DRIVER:
      return Translated("There is a problem with the device driver.");
    case MCIERR_EXTENSION_NOT_FOUND:
      return Translated("Cannot determine the device type from the given filename extension.");
    case MCIERR_OUTOFRANGE:
      return Translated("The specified parameter is out of range for the specified command.");
    case MCIERR_FLAGS_NOT_COMPATIBLE:
      return Translated("The specified parameters cannot be used together.");
    case MCIERR_DEVICE_TYPE_REQUIRED:
      return Translated("The specified device cannot be found on your system.");
    case MCIERR_BAD_CONSTANT:
      return Translated("The value specified for a parameter is unknown.");
    case MCIERR_BAD_TIME_FORMAT:
      return Translated("The specified device does not support this time format.");
    case MCIERR_INVALID_FILE:
      return Translated("The specified file cannot be played on the specified MCI device.");
    case MCIERR_NULL_PARAMETER_BLOCK:
      return Translated("A null parameter block was passed to MCI.");
    case MCIERR_NONAPPLICABLE_FUNCTION:
      return Translated("The specified MCI command sequence is invalid.");
    case MCIERR_FILENAME_REQUIRED:
      return Translated("A valid filename is required.");
    case MCIERR_DEVICE_NOT_INSTALLED:
      return Translated("The specified device is not installed on the system.");
    case MCIERR_SEQ_PORT_INUSE:
      return Translated("The specified MIDI port is already in use.");
    case MCIERR_SEQ_NOMIDIPRESENT:
      return Translated("There are no MIDI devices installed on the system.");
    case MCIERR_CREATEWINDOW:
      return Translated("Could not create or use window.");
    case MCIERR_FILE_READ:
      return Translated("Cannot read the specified file.");
    case MCIERR_FILE_WRITE:
      return Translated("Cannot write to the specified file.");
    case kMciErrSoundfontMissing:
      return Translated("No General MIDI soundfont was found for the MIDI sequencer.");
    case kMciErrSoundfontInvalid:
      return Translated("The soundfont could not be loaded by the synthesizer.");
    case kMciErrSynthLibrary:
      return Translated("The FluidSynth synthesizer library cannot be loaded.");
    case kMciErrSynthFailed:
      return Translated("The synthesizer could not be started.");
    case kMciErrAudioNone:
      return Translated("Sound output is turned off (TESSIVO_AUDIO=none).");
    case kMciErrAudioOutput:
      return Translated("No sound output could be opened.");
    case kMciErrWavFile:
      return Translated("The WAV file for the sound output cannot be written.");
    case kMciErrTooManyDevices:
      return Translated("Too many devices have been opened during this run.");
    case kMciErrNoPlatform:
      return Translated("The multimedia service was asked while the platform was not running.");
    default:
      break;
  }
  if (code > kMciErrMidiBase &&
      code <= kMciErrMidiBase + static_cast<MCIERROR>(midi::ReadError::kTooManyEvents)) {
    return midi::ReadErrorText(static_cast<midi::ReadError>(code - kMciErrMidiBase));
  }
  return nullptr;
}

}  // namespace

MCIERROR MciErrorForRead(midi::ReadError error) {
  switch (error) {
    case midi::ReadError::kNone:
      return 0;
    case midi::ReadError::kFileNotFound:
      return MCIERR_FILE_NOT_FOUND;
    default:
      return kMciErrMidiBase + static_cast<MCIERROR>(error);
  }
}

MCIERROR MciErrorForSynth(SynthError error) {
  switch (error) {
    case SynthError::kNone:
      return 0;
    case SynthError::kLibraryMissing:
      return kMciErrSynthLibrary;
    case SynthError::kSoundfontMissing:
      return kMciErrSoundfontMissing;
    case SynthError::kSoundfontInvalid:
      return kMciErrSoundfontInvalid;
    case SynthError::kSynthFailed:
      return kMciErrSynthFailed;
  }
  return kMciErrSynthFailed;
}

void SetMciErrorDetail(MCIERROR code, const std::string& text) {
  // Details name files and drivers in the file system's UTF-8; the service's texts are cp1252.
  Details()[code] = text::Utf8ToCp1252(text);
}

}  // namespace mci

using namespace mci;

BOOL mciGetErrorString(MCIERROR code, char* buffer, UINT size) {
  const auto& details = Details();
  const auto found = details.find(code);
  // The standard texts come in the user's language as UTF-8; the service answers in cp1252.
  const char* standard = found != details.end() ? nullptr : StandardText(code);
  const std::string converted = standard != nullptr ? text::Utf8ToCp1252(standard) : std::string();
  const char* text = found != details.end() ? found->second.c_str()
                     : standard != nullptr  ? converted.c_str()
                                            : nullptr;
  if (buffer == nullptr || size == 0) return FALSE;
  buffer[0] = '\0';
  if (text == nullptr) return FALSE;
  const std::size_t n = std::min<std::size_t>(std::strlen(text), size - 1);
  std::memcpy(buffer, text, n);
  buffer[n] = '\0';
  return TRUE;
}
