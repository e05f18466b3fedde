// SPDX-License-Identifier: GPL-3.0-or-later
// Libraries opened at run time: the first name that loads is taken, functions are bound all or
// none, and what is missing is named; a kept library's table says why it cannot be had, in the
// words of the text it ends up in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/runtime_library.h"

namespace {

constexpr const char* kAbsent = "libtessivo-absent.so.9";

struct MathFunctions {
  double (*cos)(double) = nullptr;
  double (*ldexp)(double, int) = nullptr;
};

TEST(RuntimeLibrary, TakesTheFirstNameThatLoadsAndBindsItsFunctions) {
  const base::RuntimeLibrary library{kAbsent, "libm.so.6"};
  ASSERT_TRUE(library.IsLoaded()) << library.Error();
  EXPECT_EQ(library.Soname(), "libm.so.6");
  EXPECT_EQ(library.Error(), "");

  MathFunctions math;
  const base::FunctionSlot slots[] = {{"cos", &math.cos}, {"ldexp", &math.ldexp}};
  EXPECT_EQ(library.Bind(slots), nullptr);
  ASSERT_NE(math.cos, nullptr);
  ASSERT_NE(math.ldexp, nullptr);
  EXPECT_EQ(math.cos(0.0), 1.0);
  EXPECT_EQ(math.ldexp(3.0, 4), 48.0);
}

TEST(RuntimeLibrary, NamesWhatIsMissing) {
  const base::RuntimeLibrary none{kAbsent, "libtessivo-absent-too.so.1"};
  EXPECT_FALSE(none.IsLoaded());
  EXPECT_EQ(none.Soname(), "");
  EXPECT_NE(none.Error().find(kAbsent), std::string::npos) << none.Error();
  EXPECT_NE(none.Error().find("libtessivo-absent-too.so.1"), std::string::npos) << none.Error();
  EXPECT_EQ(none.Symbol("cos"), nullptr);

  // A library without one of the functions: that one is named and no pointer is left half set.
  const base::RuntimeLibrary library{"libm.so.6"};
  ASSERT_TRUE(library.IsLoaded()) << library.Error();
  MathFunctions math;
  double (*absent)(double) = nullptr;
  const base::FunctionSlot slots[] = {
      {"cos", &math.cos}, {"tessivo_absent_function", &absent}, {"ldexp", &math.ldexp}};
  EXPECT_STREQ(library.Bind(slots), "tessivo_absent_function");
  EXPECT_EQ(math.cos, nullptr);
  EXPECT_EQ(math.ldexp, nullptr);
}

std::vector<base::FunctionSlot> MathSlots(MathFunctions& math) {
  return {{"cos", &math.cos}, {"ldexp", &math.ldexp}};
}

TEST(KeptLibrary, HandsOutTheTableOnceReadyOrSaysWhy) {
  int readyCalls = 0;
  const base::KeptLibrary<MathFunctions> math({"The maths library", "libm.so.6", "."}, &MathSlots,
                                              [&](const base::RuntimeLibrary& library, MathFunctions& api) {
                                                ++readyCalls;
                                                EXPECT_NE(library.Symbol("sin"), nullptr);
                                                EXPECT_NE(api.cos, nullptr);
                                              });
  std::string error;
  const MathFunctions* api = math.Get(&error);
  ASSERT_NE(api, nullptr) << error;
  EXPECT_EQ(api->ldexp(3.0, 4), 48.0);
  EXPECT_EQ(readyCalls, 1);

  const base::KeptLibrary<MathFunctions> absent({"the absent library", kAbsent, ""}, &MathSlots);
  EXPECT_EQ(absent.Get(&error), nullptr);
  EXPECT_EQ(error.rfind(std::string("the absent library (") + kAbsent + ") cannot be loaded: ", 0), 0u)
      << error;

  struct Lacking {
    double (*absent)(double) = nullptr;
  };
  const base::KeptLibrary<Lacking> lacking({"The maths library", "libm.so.6", "."}, [](Lacking& api) {
    return std::vector<base::FunctionSlot>{{"tessivo_absent_function", &api.absent}};
  });
  EXPECT_EQ(lacking.Get(&error), nullptr);
  EXPECT_EQ(error, "The maths library lacks the function tessivo_absent_function.");
}

}  // namespace
