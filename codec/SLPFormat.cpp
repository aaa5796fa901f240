#include "codec/SLPFormat.h"

#include <cstring>

#include "common/LittleEndian.h"

namespace zorv {

std::string EncodeSLPHeader(int32_t frame_count) {
  std::string out(kSLPVersion, 4);
  le::PutI32(out, frame_count);
  out.append(kSLPComment, 22);
  out.append(2, '\0');
  return out;
}

std::string EncodeSLPFrameInfo(const SLPFrameInfo& f) {
  std::string out;
  out.reserve(kSLPFrameInfoSize);
  for (uint32_t v : {f.CommandTableOffset, f.OutlineTableOffset, f.PaletteOffset, f.Properties})
    le::PutU32(out, v);
  for (int32_t v : {f.Width, f.Height, f.HotSpotX, f.HotSpotY}) le::PutI32(out, v);
  return out;
}

SLPHeader DecodeSLPHeader(std::string_view bytes) {
  SLPHeader header;
  std::memcpy(header.Version.data(), bytes.data(), 4);
  header.FrameCount = le::I32(bytes, 4);
  std::memcpy(header.Comment.data(), bytes.data() + 8, 24);
  return header;
}

SLPFrameInfo DecodeSLPFrameInfo(std::string_view bytes) {
  SLPFrameInfo f;
  f.CommandTableOffset = le::U32(bytes, 0);
  f.OutlineTableOffset = le::U32(bytes, 4);
  f.PaletteOffset = le::U32(bytes, 8);
  f.Properties = le::U32(bytes, 12);
  f.Width = le::I32(bytes, 16);
  f.Height = le::I32(bytes, 20);
  f.HotSpotX = le::I32(bytes, 24);
  f.HotSpotY = le::I32(bytes, 28);
  return f;
}

}  // namespace zorv
