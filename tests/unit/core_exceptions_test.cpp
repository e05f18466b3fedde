// SPDX-License-Identifier: GPL-3.0-or-later
// The error classes, their raise addresses, and the two period rules of the error boxes.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/cp1252.h"
#include "core/exceptions.h"

namespace {

TEST(CoreExceptions, ErrorBoxAppendsAPeriodAfterBytesAbovePeriod) {
  struct Case {
    std::string message;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {"No MCI device open", "No MCI device open."},                     // a letter
      {"Grid index out of range.", "Grid index out of range."},          // already a period
      {"Is the file there?", "Is the file there?."},                     // "?" is above "."
      {"List index out of bounds (5)", "List index out of bounds (5)"},  // ")" is below
      {"Error 5", "Error 5."},                                           // a digit
      {"ends in a space ", "ends in a space "},
      {"Stop!", "Stop!"},
      {"two lines\r\n", "two lines\r\n"},
      {"ends with a comma,", "ends with a comma,"},     // 0x2C
      {"ends with a dash -", "ends with a dash -"},     // 0x2D, just below
      {"ends with a slash /", "ends with a slash /."},  // 0x2F, just above
      {"Fá #"_cp.str(), "Fá #"_cp.str()},               // "#" is below
      {"Lá"_cp.str(), "Lá."_cp.str()},                  // accented letter 0xE1
      {"Sobretônica"_cp.str(), "Sobretônica."_cp.str()},
      {"90°"_cp.str(), "90°."_cp.str()},  // 0xB0
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorBoxText(c.message), c.shown) << c.message;
}

TEST(CoreExceptions, FatalBoxAppendsAPeriodUnlessTheTextEndsInOne) {
  EXPECT_EQ(FatalErrorPeriod("Resource TForm1 not found"), ".");
  EXPECT_EQ(FatalErrorPeriod("Already ends."), "");
  EXPECT_EQ(FatalErrorPeriod(""), "");
  // Where the error box's rule adds nothing, this one still does.
  EXPECT_EQ(FatalErrorPeriod("ends in a space "), ".");
  EXPECT_EQ(FatalErrorPeriod("Stop!"), ".");
  EXPECT_EQ(FatalErrorPeriod("(5)"), ".");
  EXPECT_EQ(FatalErrorPeriod("Is it?"), ".");
}

TEST(CoreExceptions, FatalTextNamesClassModuleOffsetAndMessage) {
  EXPECT_EQ(FatalErrorText("EResNotFound", "tessivo", 0x1A2B, "Resource TForm1 not found"),
            "Exception EResNotFound in module tessivo at 00001A2B.\r\n"
            "Resource TForm1 not found.\r\n");
  // An error object outside the family has no message: no period either.
  EXPECT_EQ(FatalErrorText("std::bad_alloc", "tessivo", 0, ""),
            "Exception std::bad_alloc in module tessivo at 00000000.\r\n\r\n");
  EXPECT_EQ(FatalErrorText("EReadError", "tessivo", 0xFFFFF000, "Bad value."),
            "Exception EReadError in module tessivo at FFFFF000.\r\nBad value.\r\n");
}

TEST(CoreExceptions, FatalTextIsCutToItsBuffer) {
  std::string longMessage(3000, 'x');
  std::string text = FatalErrorText("EReadError", "tessivo", 0x10, longMessage);
  EXPECT_EQ(text.size(), kFatalErrorBufferSize - 1);
  const std::string head = "Exception EReadError in module tessivo at 00000010.\r\n";
  EXPECT_EQ(text.substr(0, head.size()), head);
  EXPECT_EQ(text.back(), 'x');  // cut inside the message: no period, no line break
}

TEST(CoreExceptions, EveryClassKnowsItsNameAndItsFamily) {
  struct Case {
    std::function<void()> raise;
    std::string name;
  };
  const std::vector<Case> cases = {
      {[] { throw Exception("m"); }, "Exception"},
      {[] { throw EListError("m"); }, "EListError"},
      {[] { throw EStringListError("m"); }, "EStringListError"},
      {[] { throw EConvertError("m"); }, "EConvertError"},
      {[] { throw EOutOfMemory("m"); }, "EOutOfMemory"},
      {[] { throw EOutOfResources("m"); }, "EOutOfResources"},
      {[] { throw EInvalidOperation("m"); }, "EInvalidOperation"},
      {[] { throw EInvalidGridOperation("m"); }, "EInvalidGridOperation"},
      {[] { throw EMCIDeviceError("m"); }, "EMCIDeviceError"},
      {[] { throw EResNotFound("m"); }, "EResNotFound"},
      {[] { throw EReadError("m"); }, "EReadError"},
  };
  for (const Case& c : cases) {
    try {
      c.raise();
      ADD_FAILURE() << c.name << " not raised";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.ClassName(), c.name.c_str());
      EXPECT_EQ(e.Message(), "m");
      EXPECT_STREQ(e.what(), "m");
#ifdef __EMSCRIPTEN__
      EXPECT_EQ(e.RaiseAddress(), nullptr) << c.name << ": WebAssembly has no raise address to give";
#else
      EXPECT_NE(e.RaiseAddress(), nullptr) << c.name;
#endif
    }
  }
  // The string list's error is caught as a list error.
  EXPECT_THROW(throw EStringListError("m"), EListError);
  EXPECT_THROW(throw EOutOfResources("m"), EOutOfMemory);
}

// Raises from a known function so that the recorded address can be placed inside it.
[[gnu::noinline]] void RaiseListErrorHere(int index) { RaiseFmt<EListError>(kSListIndexError, index); }

TEST(CoreExceptions, RaiseRecordsTheRaiseSite) {
  try {
    RaiseListErrorHere(7);
    FAIL() << "not raised";
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (7)");
#ifdef __EMSCRIPTEN__
    // Under emscripten's JavaScript exceptions the raiser's caller has no place in the module.
    EXPECT_EQ(e.RaiseAddress(), nullptr);
#else
    auto start = reinterpret_cast<std::uintptr_t>(&RaiseListErrorHere);
    auto at = reinterpret_cast<std::uintptr_t>(e.RaiseAddress());
    // The return address of the raising call lies inside the raising function's code.
    EXPECT_GT(at, start);
    EXPECT_LT(at, start + 256);
#endif
  }

  try {
    Raise<EResNotFound>(Format("Resource %s not found", "TForm1"));
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), "EResNotFound");
    EXPECT_EQ(e.Message(), "Resource TForm1 not found");
  }

  int marker = 0;
  EReadError explicitAddress("m", &marker);
  EXPECT_EQ(explicitAddress.RaiseAddress(), &marker);
  explicitAddress.SetRaiseAddress(nullptr);
  explicitAddress.SetMessage("changed");
  EReadError copy = explicitAddress;
  EXPECT_EQ(copy.RaiseAddress(), nullptr);
  EXPECT_EQ(copy.Message(), "changed");
}

}  // namespace
