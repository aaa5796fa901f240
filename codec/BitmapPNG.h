// The program's 24-bit bitmaps as PNG files: saved losslessly as 8-bit RGB
// pictures and read back from any 8-bit PNG file, whose alpha, if any, is
// dropped (a frame's data bitmap, not its alpha, says which pixels show).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "codec/DIBSection.h"
#include "common/Status.h"

namespace zorv {

// The bytes of an 8-bit RGB PNG file holding exactly the bitmap's pixels.
Status EncodeBitmapPNG(const cDIBSection& bitmap, std::string& bytes);

// Writes the bitmap as a PNG file at path. As with SavePicture, a file there
// that is one of inputs is refused, and an existing file is replaced only
// once the new one is whole.
Status SaveBitmapPNG(const cDIBSection& bitmap, const std::string& path,
                     const std::vector<std::string>& inputs = {});

// Decodes PNG file bytes into bitmap, created at the picture's size; the
// colours of an RGBA picture are taken as they are stored, whatever their
// alpha. On failure the bitmap is empty and the status says why.
Status DecodePNGBitmap(std::string_view bytes, cDIBSection& bitmap);

}  // namespace zorv
