// SPDX-License-Identifier: GPL-3.0-or-later
// Which font file answers a font request.
//
// The answer comes from fontconfig, which the program does not link: the library (with its XML
// parser) is loaded with dlopen when a question is not among the answers remembered from earlier
// runs (see remembered_fonts.h), so a usual start neither loads nor reads any of it.
#pragma once

#ifndef TESSIVO_PLATFORM_INTERNALS
#error "internal header of the platform layer: include the public headers in src/platform/"
#endif

#include "platform/gfx/font_cache.h"
#include "platform/gfx/remembered_fonts.h"

namespace gfx {

enum class FontChoice {
  AsAsked,  // the face asked for ("MS Sans Serif" and the like: Liberation Sans), then any sans
  AnySans,  // the desktop's sans, when the first answer's file cannot be used
};

// A face name as requests compare it: ASCII letters folded to lower case.
std::string FaceKey(std::string face);

// The question as the remembered answers file it: only what the pattern asked of fontconfig is
// made of (face, weight, slant).
std::string QuestionKey(const FontRequest& request, FontChoice choice);

// Fontconfig's answer for the request (weight and slant as it matched them). False when there is
// none: fontconfig cannot be loaded, has no configuration, or offers no scalable font.
bool FindFont(const FontRequest& request, FontChoice choice, FontMatch* out);

}  // namespace gfx
