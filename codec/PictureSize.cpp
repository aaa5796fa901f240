// The size of a frame picture from the first bytes of its file, for the two
// kinds of file a frame may be: PNG (known by its signature) or BMP.
#include <cstdint>
#include <string>

#include "codec/DIBSection.h"
#include "codec/PNGFiles.h"
#include "common/FileIO.h"

namespace zorv {

Status PictureSizeFromHead(std::string_view head, int32_t& width, int32_t& height) {
  if (HasPNGSignature(head)) return PNGSizeFromHead(head, width, height);
  return BMPSizeFromHead(head, width, height);
}

Status ReadPictureSize(const std::string& path, int32_t& width, int32_t& height) {
  // The largest BMP headers end well before this; a PNG file's size is in
  // its first 24 bytes.
  constexpr uint64_t kHeadBytes = 1024;
  std::string head;
  if (Status read = ReadFileStart(path, kHeadBytes, head); !read) return read;
  if (Status s = PictureSizeFromHead(head, width, height); !s)
    return Status::Fail(path + ": " + s.message());
  return Status::Ok();
}

}  // namespace zorv
