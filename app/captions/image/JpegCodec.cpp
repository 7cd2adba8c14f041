// JPEG pictures through libjpeg-turbo. libjpeg reports fatal errors through a callback that
// must not return; it jumps back to the decoding function, which therefore holds no object
// with a destructor of its own (the output buffer belongs to the caller).
#include "app/captions/image/ImageCodecs.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace captions::image {
namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnFatal(j_common_ptr cinfo)
{
    ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr, int) {} // warnings (a corrupt but readable stream) are not shown

// Returns false with err->message set on failure. `pixels` is sized here once the header
// has been read and checked.
bool Run(const uint8_t* data, size_t size, ErrorManager* err, jpeg_decompress_struct* cinfo,
         std::vector<uint32_t>* pixels, uint32_t* width, uint32_t* height)
{
    cinfo->err = jpeg_std_error(&err->pub);
    err->pub.error_exit = OnFatal;
    err->pub.emit_message = OnMessage;
    err->message[0] = 0;
    if (setjmp(err->jump)) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    if (!SizeAllowed(cinfo->image_width, cinfo->image_height)) {
        // No object with a destructor lives here (see above): the message is copied out.
        std::snprintf(err->message, sizeof err->message, "%s",
                      SizeError("picture", cinfo->image_width, cinfo->image_height).c_str());
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    jpeg_start_decompress(cinfo);
    *width = cinfo->output_width;
    *height = cinfo->output_height;
    pixels->resize(size_t(*width) * *height);
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(pixels->data() + size_t(cinfo->output_scanline) * *width);
        jpeg_read_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    if (cmyk) {
        // Adobe writes CMYK inverted: each byte is 255 - ink.
        for (uint32_t& v : *pixels) {
            const uint32_t c = v & 0xFF, m = (v >> 8) & 0xFF, y = (v >> 16) & 0xFF, k = v >> 24;
            v = 0xFF000000u | ((c * k / 255) << 16) | ((m * k / 255) << 8) | (y * k / 255);
        }
    }
    return true;
}

} // namespace

std::string DecodeJpeg(const uint8_t* data, size_t size, Bitmap32& out)
{
    ErrorManager err;
    jpeg_decompress_struct cinfo;
    std::vector<uint32_t> pixels;
    uint32_t width = 0, height = 0;
    if (!Run(data, size, &err, &cinfo, &pixels, &width, &height))
        return std::string("JPEG: ") + err.message;
    out.width = width;
    out.height = height;
    out.pixels = std::move(pixels);
    return std::string();
}

} // namespace captions::image
