#include "tools/png.h"

#include <png.h>
#include <string.h>

bool writePng(FILE *out, const uint8_t *pixels, int width, int height, size_t pitch, int channels)
{
    if (width <= 0 || height <= 0 || (channels != 1 && channels != 3))
        return false;
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)width;
    image.height = (png_uint_32)height;
    image.format = channels == 1 ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB;
    // libpng counts the stride in components, each one byte here.
    bool ok = png_image_write_to_stdio(&image, out, 0, pixels, (png_int_32)pitch, nullptr) != 0;
    png_image_free(&image);
    return ok && fflush(out) == 0 && !ferror(out);
}
