// Reading icon row data, the form the package compiler gives BMP icons:
// flags, width, height, one offset per row, then each row's pixels as copy
// and fill commands ended by 0x0F. The inverse of EncodeIcon.
#pragma once

#include <cstdint>
#include <string_view>

#include "codec/DIBSection.h"
#include "codec/Palettes.h"
#include "common/Status.h"

namespace zorv {

// Draws icon row data into bitmap (created at the icon's size) through
// palette, and gives the flags it carries. Icon data comes out of packages
// that may come from anyone: a size beyond what a frame may hold, an offset
// or a command that runs past the data, a row of the wrong width or a
// command an icon cannot hold (skips, player colour, shadow, outlines)
// fails with the reason, and bitmap is left empty.
Status DecodeIcon(std::string_view bytes, const Palette& palette, cDIBSection& bitmap,
                  int32_t& icon_flags);

}  // namespace zorv
