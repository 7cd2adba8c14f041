// PNG pictures through libpng's simplified reader, which reports every error as a result
// (it never jumps through our frames).
#include "app/captions/image/ImageCodecs.h"

#include <png.h>

#include <cstring>

namespace captions::image {

std::string DecodePng(const uint8_t* data, size_t size, Bitmap32& out)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size)) {
        std::string err = std::string("PNG: ") + image.message;
        png_image_free(&image);
        return err;
    }
    const std::string sizeError = SizeError("PNG picture", image.width, image.height);
    if (!sizeError.empty()) {
        png_image_free(&image);
        return sizeError;
    }
    // On little-endian machines BGRA bytes are the 0xAARRGGBB words the pictures are kept in.
    image.format = PNG_FORMAT_BGRA;
    Bitmap32 result;
    result.width = image.width;
    result.height = image.height;
    result.pixels.resize(size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, result.pixels.data(), png_int_32(image.width * 4), nullptr)) {
        std::string err = std::string("PNG: ") + image.message;
        png_image_free(&image);
        return err;
    }
    png_image_free(&image);
    out = std::move(result);
    return std::string();
}

} // namespace captions::image
