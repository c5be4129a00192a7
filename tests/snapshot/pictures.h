// pictures.h: the picture tools' PNG and GIF files read back with the
// libraries of their formats, for the tests of both tools.
#pragma once

#include <gif_lib.h>
#include <png.h>
#include <stdint.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct Picture {
    int width = 0, height = 0, channels = 0;
    std::vector<std::vector<uint8_t>> frames; // rows packed, width * channels bytes each
    std::vector<int> delays;                  // a GIF's, in hundredths of a second
};

inline std::vector<uint8_t> slurp(const std::filesystem::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// 8-bit grey or RGB only. Empty on any fault, with the reason in *why.
inline Picture decodePng(const std::vector<uint8_t> &f, std::string *why)
{
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    Picture pic;
    if (!png_image_begin_read_from_memory(&image, f.data(), f.size()))
        return *why = image.message, Picture{};
    if (image.format != PNG_FORMAT_GRAY && image.format != PNG_FORMAT_RGB) {
        png_image_free(&image);
        return *why = "not 8-bit grey or RGB", Picture{};
    }
    pic.width = image.width;
    pic.height = image.height;
    pic.channels = PNG_IMAGE_SAMPLE_CHANNELS(image.format);
    pic.frames.emplace_back(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pic.frames[0].data(), 0, nullptr))
        return *why = image.message, Picture{};
    return pic;
}

// Every frame whole, at 0,0, in the global grey ramp, none transparent,
// and the file set to loop; giflib reads it all in.
inline Picture decodeGif(const std::filesystem::path &p, std::string *why)
{
    auto head = slurp(p);
    if (head.size() < 6 || memcmp(head.data(), "GIF89a", 6) != 0)
        return *why = "not GIF89a", Picture{};
    int error;
    GifFileType *gif = DGifOpenFileName(p.c_str(), &error);
    if (!gif)
        return *why = GifErrorString(error), Picture{};
    Picture pic;
    pic.width = gif->SWidth;
    pic.height = gif->SHeight;
    pic.channels = 1;
    if (DGifSlurp(gif) != GIF_OK)
        *why = GifErrorString(gif->Error);
    else if (!gif->SColorMap || gif->SColorMap->ColorCount != 256)
        *why = "no global palette of 256 entries";
    for (int j = 0; why->empty() && j < 256; j++) {
        GifColorType c = gif->SColorMap->Colors[j];
        if (c.Red != j || c.Green != j || c.Blue != j)
            *why = "palette is not the grey ramp";
    }
    bool loops = false;
    for (int i = 0; why->empty() && i < gif->ImageCount; i++) {
        const SavedImage &im = gif->SavedImages[i];
        GraphicsControlBlock timing;
        if (im.ImageDesc.Left || im.ImageDesc.Top || im.ImageDesc.Width != pic.width ||
            im.ImageDesc.Height != pic.height || im.ImageDesc.Interlace || im.ImageDesc.ColorMap)
            *why = "frame " + std::to_string(i) + " is not whole, plain and in the global palette";
        else if (DGifSavedExtensionToGCB(gif, i, &timing) != GIF_OK || timing.TransparentColor != NO_TRANSPARENT_COLOR)
            *why = "frame " + std::to_string(i) + " has no timing, or a transparent colour";
        pic.frames.emplace_back(im.RasterBits, im.RasterBits + pic.width * pic.height);
        pic.delays.push_back(timing.DelayTime);
        // The loop block and its one sub-block: 1, then the count of plays
        // after the first, little-endian; 0 is for ever.
        const ExtensionBlock *x = im.ExtensionBlocks;
        for (int e = 0; e + 1 < im.ExtensionBlockCount; e++)
            loops = loops || (x[e].Function == APPLICATION_EXT_FUNC_CODE && x[e].ByteCount == 11 &&
                              memcmp(x[e].Bytes, "NETSCAPE2.0", 11) == 0 &&
                              x[e + 1].Function == CONTINUE_EXT_FUNC_CODE && x[e + 1].ByteCount == 3 &&
                              memcmp(x[e + 1].Bytes, "\1\0\0", 3) == 0);
    }
    if (why->empty() && !loops)
        *why = "no loop block that plays for ever";
    DGifCloseFile(gif, &error);
    return why->empty() ? pic : Picture{};
}
