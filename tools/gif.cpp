#include "tools/gif.h"

#include <gif_lib.h>

namespace {

int putBytes(GifFileType *gif, const GifByteType *bytes, int n)
{
    return (int)fwrite(bytes, 1, (size_t)n, (FILE *)gif->UserData);
}

} // namespace

GifFileType *startGif(FILE *out, int width, int height)
{
    int error;
    GifFileType *gif = EGifOpen(out, putBytes, &error);
    if (!gif)
        return nullptr;
    ColorMapObject *greys = GifMakeMapObject(256, nullptr);
    bool ok = greys != nullptr;
    if (ok) {
        for (int i = 0; i < 256; i++)
            greys->Colors[i].Red = greys->Colors[i].Green = greys->Colors[i].Blue = (GifByteType)i;
        // Frame delays and the loop need the 89a format.
        EGifSetGifVersion(gif, true);
        ok = EGifPutScreenDesc(gif, width, height, 8, 0, greys) == GIF_OK;
        GifFreeMapObject(greys);
    }
    // The browsers' loop block: play again from the start, for ever (count 0).
    static const GifByteType app[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType loop[] = {1, 0, 0};
    ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif, sizeof app, app) == GIF_OK &&
         EGifPutExtensionBlock(gif, sizeof loop, loop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
    if (!ok) {
        EGifCloseFile(gif, &error);
        return nullptr;
    }
    return gif;
}

bool addGifFrame(GifFileType *gif, const uint8_t *pixels, size_t pitch, int delay)
{
    GraphicsControlBlock timing = {};
    timing.DisposalMode = DISPOSE_DO_NOT;
    timing.DelayTime = delay;
    timing.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType block[4];
    size_t len = EGifGCBToExtension(&timing, block);
    int width = gif->SWidth, height = gif->SHeight;
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, (int)len, block) != GIF_OK ||
        EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) != GIF_OK)
        return false;
    for (int y = 0; y < height; y++)
        if (EGifPutLine(gif, (GifPixelType *)(pixels + y * pitch), width) != GIF_OK)
            return false;
    return true;
}

bool finishGif(GifFileType *gif)
{
    FILE *out = (FILE *)gif->UserData;
    int error;
    bool ok = EGifCloseFile(gif, &error) == GIF_OK;
    return ok && fflush(out) == 0 && !ferror(out);
}
