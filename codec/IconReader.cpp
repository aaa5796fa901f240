#include "codec/IconReader.h"

#include <string>

#include "codec/SLPFormat.h"
#include "common/Functions.h"
#include "common/LittleEndian.h"

namespace zorv {
namespace {

constexpr size_t kIconHeaderSize = 12;

// Decodes the commands of row y from offset at into the bitmap.
Status DecodeIconRow(std::string_view bytes, size_t at, int32_t y, const Palette& palette,
                     cDIBSection& bitmap) {
  const int32_t width = bitmap.Width();
  const std::string row_name = "row " + NumberText(y + 1);
  auto fault = [&](const std::string& what) { return Status::Fail(row_name + " " + what); };
  auto next = [&](int32_t& value) {
    if (at >= bytes.size()) return false;
    value = static_cast<uint8_t>(bytes[at++]);
    return true;
  };
  int32_t x = 0;
  for (;;) {
    int32_t b = 0;
    if (!next(b)) return fault("runs past the end of the icon data");
    int32_t count = 0;
    switch (ClassifySLPCommand(static_cast<uint8_t>(b))) {
      case SLPCommand::kEndOfRow:
        if (x != width)
          return fault("ends after " + NumberText(x) + " pixels instead of " +
                       NumberText(width));
        return Status::Ok();
      case SLPCommand::kShortCopy:
      case SLPCommand::kLongCopy: {
        if ((b & 3) == slp::kShortCopy) {
          count = b >> 2;
        } else {
          int32_t low = 0;
          if (!next(low)) return fault("runs past the end of the icon data");
          count = (b >> 4) * 256 + low;
        }
        if (count > width - x) return fault("holds more pixels than the icon is wide");
        if (bytes.size() - at < static_cast<size_t>(count))
          return fault("runs past the end of the icon data");
        for (int32_t i = 0; i < count; ++i)
          bitmap.SetPixel(x + i, y, palette.Colour(static_cast<uint8_t>(bytes[at + i])));
        at += static_cast<size_t>(count);
        x += count;
        break;
      }
      case SLPCommand::kFill: {
        count = b >> 4;
        if (count == 0 && !next(count)) return fault("runs past the end of the icon data");
        int32_t index = 0;
        if (!next(index)) return fault("runs past the end of the icon data");
        if (count > width - x) return fault("holds more pixels than the icon is wide");
        bitmap.DrawRowSpan(x, x + count - 1, y, palette.Colour(index));
        x += count;
        break;
      }
      default:
        return fault("holds command byte " + NumberText(b) +
                     ", which no icon holds (only copies and fills of plain pixels)");
    }
  }
}

}  // namespace

Status DecodeIcon(std::string_view bytes, const Palette& palette, cDIBSection& bitmap,
                  int32_t& icon_flags) {
  bitmap.ClearUp();
  auto damaged = [&](const std::string& what) {
    bitmap.ClearUp();
    return Status::Fail("damaged icon data: " + what);
  };
  if (bytes.size() < kIconHeaderSize) return damaged("shorter than the 12 bytes of its header");
  const int32_t flags = le::I32(bytes, 0);
  const int32_t width = le::I32(bytes, 4), height = le::I32(bytes, 8);
  const std::string size_text = NumberText(width) + " x " + NumberText(height);
  if (width < 1 || height < 1) return damaged("a size of " + size_text);
  if (int64_t{width} * height > kMaxSLPFramePixels)
    return damaged("a size of " + size_text + " pixels, more than an icon may have");
  // Every row needs its offset and at least its end-of-row byte, so the
  // height is checked against the data before any memory is taken.
  const uint64_t rows_at = kIconHeaderSize + 4 * static_cast<uint64_t>(height);
  if (rows_at + static_cast<uint64_t>(height) > bytes.size())
    return damaged("too short for the " + NumberText(height) + " rows it declares");
  if (!bitmap.Create(width, height))
    return damaged("a size of " + size_text + " that no bitmap can have");
  for (int32_t y = 0; y < height; ++y) {
    const uint64_t offset = le::U32(bytes, kIconHeaderSize + 4 * static_cast<size_t>(y));
    if (offset >= bytes.size() - rows_at)
      return damaged("row " + NumberText(y + 1) + " starts past the end of the data");
    if (Status row = DecodeIconRow(bytes, static_cast<size_t>(rows_at + offset), y, palette,
                                   bitmap);
        !row)
      return damaged(row.message());
  }
  icon_flags = flags;
  return Status::Ok();
}

}  // namespace zorv
