// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-window pictures compared pixel for pixel with reference images kept in tests/reference/.
//
// With TESSIVO_UPDATE_REFERENCES=1 in the environment a comparison rewrites the reference file
// from what the window shows instead of comparing (then look at the new PNGs before committing
// them). On a mismatch the picture shown and a difference picture (changed pixels in red on a
// faded copy of the reference) are written to reference-output/ in the build directory, and the
// failure names them with the count of differing pixels and the first one.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "base/types.h"
#include "support/png_image.h"

namespace testpng {

// What a top-level window shows on the headless display (its client area).
Image Presented(HWND topLevel);

// Compares `shown` with tests/reference/<name>.png, or rewrites that file (see above).
::testing::AssertionResult MatchesReference(const Image& shown, const std::string& name);

}  // namespace testpng
