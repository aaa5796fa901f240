#include "codec/PNGFiles.h"

#include <png.h>

#include <climits>
#include <cstdint>
#include <cstring>

#include "common/FileIO.h"
#include "common/SafeFileWriter.h"

namespace zorv {
namespace {

// A png_image is released on every way out.
struct ImageGuard {
  png_image image;
  ImageGuard() {
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
  }
  ~ImageGuard() { png_image_free(&image); }
};

std::string LibpngReason(const png_image& image) {
  return image.message[0] != '\0' ? std::string(image.message) : std::string("libpng failed");
}

Status CheckSize(int32_t width, int32_t height, size_t values, size_t per_pixel) {
  if (width < 1 || height < 1)
    return Status::Fail(kMsgErrorWritingPNG, "A picture of " + std::to_string(width) + " x " +
                                                 std::to_string(height) +
                                                 " pixels cannot be written.");
  if (int64_t{width} * height > kMaxPNGPixels)
    return Status::Fail(kMsgErrorWritingPNG, "The picture is larger than " +
                                                 std::to_string(kMaxPNGPixels) + " pixels.");
  if (values != static_cast<size_t>(width) * static_cast<size_t>(height) * per_pixel)
    return Status::Fail(kMsgErrorWritingPNG, "The pixels do not fill the picture's size.");
  return Status::Ok();
}

// Compresses the pixels of a prepared image into bytes. libpng's fast
// setting is taken: on the samples it writes frames two to three times
// faster and, for RGBA, in less than two thirds of the bytes.
Status WriteImage(png_image& image, const void* pixels, const void* colormap,
                  std::string& bytes) {
  image.flags |= PNG_IMAGE_FLAG_FAST;
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
  bytes.resize(static_cast<size_t>(size));
  if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels, 0, colormap)) {
    bytes.clear();
    return Status::Fail(kMsgErrorWritingPNG, LibpngReason(image));
  }
  bytes.resize(static_cast<size_t>(size));
  return Status::Ok();
}

Status WriteBytes(const std::string& path, const std::string& bytes) {
  if (Status written = WriteFileSafely(path, bytes); !written)
    return Status::Fail(kMsgErrorWritingPNG, path + ": " + written.message());
  return Status::Ok();
}

}  // namespace

Status EncodeRGBAPNG(const RGBAImage& picture, std::string& bytes) {
  if (Status size = CheckSize(picture.Width, picture.Height, picture.Pixels.size(), 4); !size)
    return size;
  ImageGuard guard;
  guard.image.width = static_cast<png_uint_32>(picture.Width);
  guard.image.height = static_cast<png_uint_32>(picture.Height);
  guard.image.format = PNG_FORMAT_RGBA;
  return WriteImage(guard.image, picture.Pixels.data(), nullptr, bytes);
}

Status EncodeIndexedPNG(const IndexedImage& picture, std::string& bytes) {
  if (Status size = CheckSize(picture.Width, picture.Height, picture.Indices.size(), 1); !size)
    return size;
  if (picture.ColourCount < 1 || picture.ColourCount > 256)
    return Status::Fail(kMsgErrorWritingPNG, "A palette holds 1 to 256 colours, not " +
                                                 std::to_string(picture.ColourCount) + ".");
  for (uint8_t index : picture.Indices)
    if (index >= picture.ColourCount)
      return Status::Fail(kMsgErrorWritingPNG,
                          "A pixel uses palette index " + std::to_string(index) +
                              ", beyond the palette's " + std::to_string(picture.ColourCount) +
                              " colours.");
  std::vector<uint8_t> colormap(static_cast<size_t>(picture.ColourCount) * 4);
  for (int i = 0; i < picture.ColourCount; ++i) {
    const ColourValue colour = picture.Colours[static_cast<size_t>(i)];
    colormap[4 * i] = static_cast<uint8_t>(RedOf(colour));
    colormap[4 * i + 1] = static_cast<uint8_t>(GreenOf(colour));
    colormap[4 * i + 2] = static_cast<uint8_t>(BlueOf(colour));
    colormap[4 * i + 3] = picture.Alpha[static_cast<size_t>(i)];
  }
  ImageGuard guard;
  guard.image.width = static_cast<png_uint_32>(picture.Width);
  guard.image.height = static_cast<png_uint_32>(picture.Height);
  guard.image.format = PNG_FORMAT_RGBA_COLORMAP;
  guard.image.colormap_entries = static_cast<png_uint_32>(picture.ColourCount);
  return WriteImage(guard.image, picture.Indices.data(), colormap.data(), bytes);
}

Status WriteRGBAPNG(const std::string& path, const RGBAImage& image) {
  std::string bytes;
  if (Status encoded = EncodeRGBAPNG(image, bytes); !encoded)
    return Status::Fail(kMsgErrorWritingPNG, path + ": " + encoded.Detail());
  return WriteBytes(path, bytes);
}

Status WriteIndexedPNG(const std::string& path, const IndexedImage& image) {
  std::string bytes;
  if (Status encoded = EncodeIndexedPNG(image, bytes); !encoded)
    return Status::Fail(kMsgErrorWritingPNG, path + ": " + encoded.Detail());
  return WriteBytes(path, bytes);
}

Status DecodePNG(std::string_view bytes, PNGPicture& picture) {
  picture = PNGPicture{};
  ImageGuard guard;
  png_image& image = guard.image;
  if (!HasPNGSignature(bytes))
    return Status::Fail(kMsgErrorReadingPNG, "not a PNG file: it does not start with the PNG "
                                             "signature");
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
    return Status::Fail(kMsgErrorReadingPNG, LibpngReason(image));
  if (image.width < 1 || image.height < 1 ||
      int64_t{image.width} * int64_t{image.height} > kMaxPNGPixels)
    return Status::Fail(kMsgErrorReadingPNG,
                        "The picture is " + std::to_string(image.width) + " x " +
                            std::to_string(image.height) + " pixels; at most " +
                            std::to_string(kMaxPNGPixels) + " pixels are read.");
  if ((image.format & PNG_FORMAT_FLAG_LINEAR) != 0)
    return Status::Fail(kMsgErrorReadingPNG,
                        "The picture has 16 bits per channel; only 8-bit PNG files are read.");
  const int32_t width = static_cast<int32_t>(image.width);
  const int32_t height = static_cast<int32_t>(image.height);
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  picture.RGBA.Width = width;
  picture.RGBA.Height = height;

  if ((image.format & PNG_FORMAT_FLAG_COLORMAP) != 0 && image.colormap_entries <= 256) {
    // A paletted file keeps its indices and its palette in order.
    IndexedImage& indexed = picture.Indexed;
    indexed.Width = width;
    indexed.Height = height;
    indexed.ColourCount = static_cast<int>(image.colormap_entries);
    indexed.Indices.resize(pixels);
    std::vector<uint8_t> colormap(256 * 4);
    image.format = PNG_FORMAT_RGBA_COLORMAP;
    if (!png_image_finish_read(&image, nullptr, indexed.Indices.data(), 0, colormap.data()))
      return Status::Fail(kMsgErrorReadingPNG, LibpngReason(image));
    indexed.ColourCount = static_cast<int>(image.colormap_entries);
    for (size_t i = 0; i < 256; ++i) {
      indexed.Colours[i] = RGBColour(colormap[4 * i], colormap[4 * i + 1], colormap[4 * i + 2]);
      indexed.Alpha[i] = colormap[4 * i + 3];
    }
    picture.RGBA.Pixels.resize(pixels * 4);
    for (size_t p = 0; p < pixels; ++p)
      std::memcpy(&picture.RGBA.Pixels[4 * p], &colormap[4 * size_t{indexed.Indices[p]}], 4);
    picture.Paletted = true;
    return Status::Ok();
  }

  image.format = PNG_FORMAT_RGBA;
  picture.RGBA.Pixels.resize(pixels * 4);
  if (!png_image_finish_read(&image, nullptr, picture.RGBA.Pixels.data(), 0, nullptr)) {
    picture.RGBA = RGBAImage{};
    return Status::Fail(kMsgErrorReadingPNG, LibpngReason(image));
  }
  return Status::Ok();
}

Status ReadPNG(const std::string& path, PNGPicture& picture) {
  std::string bytes;
  // A file larger than its largest picture, raw, is no frame.
  if (Status read = ReadWholeFile(path, bytes, uint64_t(kMaxPNGPixels) * 4 + (1 << 20)); !read)
    return Status::Fail(kMsgErrorReadingPNG, read.message());
  if (Status decoded = DecodePNG(bytes, picture); !decoded)
    return Status::Fail(kMsgErrorReadingPNG, path + ": " + decoded.Detail());
  return Status::Ok();
}

namespace {

constexpr std::string_view kPNGSignature("\x89PNG\r\n\x1a\n", 8);

uint32_t BigEndian32(std::string_view bytes, size_t at) {
  return (uint32_t{static_cast<uint8_t>(bytes[at])} << 24) |
         (uint32_t{static_cast<uint8_t>(bytes[at + 1])} << 16) |
         (uint32_t{static_cast<uint8_t>(bytes[at + 2])} << 8) |
         uint32_t{static_cast<uint8_t>(bytes[at + 3])};
}

}  // namespace

bool HasPNGSignature(std::string_view bytes) { return bytes.starts_with(kPNGSignature); }

Status PNGSizeFromHead(std::string_view head, int32_t& width, int32_t& height) {
  width = height = 0;
  if (!HasPNGSignature(head)) return Status::Fail("not a PNG file");
  // The signature is followed by the IHDR chunk: its length (13), its
  // type, then the width and height as big-endian numbers.
  if (head.size() < 24 || BigEndian32(head, 8) != 13 || head.substr(12, 4) != "IHDR")
    return Status::Fail("a damaged PNG file: it does not start with its header chunk");
  const uint32_t w = BigEndian32(head, 16), h = BigEndian32(head, 20);
  // PNG allows up to 2^31 - 1 in each direction; zero is no picture.
  if (w == 0 || h == 0 || w > INT32_MAX || h > INT32_MAX)
    return Status::Fail("a damaged PNG file: it declares a picture of " + std::to_string(w) +
                        " x " + std::to_string(h) + " pixels");
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
  return Status::Ok();
}

}  // namespace zorv
