// snapshot: frames of a run, to a file, with no window and no display.
//
//   snapshot [--frame N] [--frames COUNT] [--pointer X,Y] OUT.png|OUT.bmp|OUT.gif
//
// The frames are made by the demo's own code, called in the demo's own
// order: the tables, the bouncer's start, then moveBlobs for the frames up to
// and including N (moveToFrame leaves out the ones whose bouncer repeats an
// earlier one), and piirtele into an 8-bit surface of the demo's size; for an
// animation, moveBlobs and piirtele again for each frame after N.
// The event record is the one the demo would hold if a single pointer move
// to X,Y had been taken before the first frame (or none, without --pointer),
// so each picture is exactly what the window shows on that frame of such a run.
#include <SDL.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "field/field.h"
#include "motion/motion.h"
#include "tools/gif.h"
#include "tools/options.h"
#include "tools/png.h"
#include "tools/savefile.h"

namespace {

// A frame packs to 181 kB at worst (a 12-bit code for each of its 120,000
// pixels, and the blocks' framing), so this bounds an animation to 181 MB
// whatever it shows; the demo's frames take about a fifth of that.
const unsigned long maxFrames = 1000;

// Hundredths of a second a frame: the shortest that browsers and viewers
// keep (they stretch 0 and 1 to a tenth of a second), so 50 frames a second,
// still far slower than the demo draws them.
const int frameDelay = 2;

const char usageText[] =
    "usage: snapshot [--frame N] [--frames COUNT] [--pointer X,Y] OUT.png|OUT.bmp|OUT.gif\n"
    "Writes frame N of a run of the demo, 400x300 in 256 greys, exactly as the\n"
    "window shows it, or COUNT frames from N on as an animation; needs no display.\n"
    "  --frame N       0 (the first frame drawn, the default) to 4294967295\n"
    "  --frames COUNT  1 (the default) to 1000 frames, 2/100 s each, looping;\n"
    "                  more than 1 needs OUT.gif (181 MB at worst);\n"
    "                  the count runs on past 4294967295 from 0, as the demo's does\n"
    "  --pointer X,Y   the run took one pointer move to X,Y (0 to 65535 each;\n"
    "                  the demo keeps the blob within 399,299) before frame 0;\n"
    "                  without it no pointer event came and that blob stays at 0,0\n"
    "The extension picks the format: .png (8-bit grey), .bmp (8-bit, grey palette)\n"
    "or .gif (animated, grey palette).\n";

} // namespace

int main(int argc, char **argv)
{
    unsigned long frame = 0, count = 1;
    bool havePointer = false;
    unsigned long pointerX = 0, pointerY = 0;
    const char *outPath = nullptr;

    setUsage("snapshot", usageText);
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        if (strcmp(a, "-h") == 0 || strcmp(a, "--help") == 0) {
            fputs(usageText, stdout);
            return 0;
        } else if (strcmp(a, "--frame") == 0) {
            frame = numberOption(argc, argv, &i, 0, UINT32_MAX);
        } else if (strcmp(a, "--frames") == 0) {
            count = numberOption(argc, argv, &i, 1, maxFrames);
        } else if (strcmp(a, "--pointer") == 0) {
            const char *xy = optionValue(argc, argv, &i, "X,Y");
            const char *comma = strchr(xy, ',');
            if (!comma || !parseNumber(xy, comma - xy, 65535, &pointerX) ||
                !parseNumber(comma + 1, strlen(comma + 1), 65535, &pointerY))
                usageError("--pointer takes X,Y, two whole numbers from 0 to 65535", xy);
            havePointer = true;
        } else if (a[0] == '-' && a[1] != '\0') {
            usageError("unknown option", a);
        } else if (outPath) {
            usageError("more than one output file", a);
        } else {
            outPath = a;
        }
    }
    if (!outPath)
        usageError("no output file given", nullptr);
    bool png = endsWith(outPath, ".png"), gif = endsWith(outPath, ".gif");
    if (!png && !gif && !endsWith(outPath, ".bmp"))
        usageError("the output file must end in .png, .bmp or .gif", outPath);
    if (count > 1 && !gif)
        usageError("more than one frame needs a .gif file", outPath);

    // The demo's start-up, in its order; no clock and no display involved.
    int32_t orbitX[360], orbitY[360];
    buildOrbitTables(orbitX, orbitY);
    alustaPuf();
    int32_t fallSpeed;
    placeBouncingBlob(&fallSpeed);

    SDL_Event event;
    memset(&event, 0, sizeof event);
    if (havePointer) {
        event.type = SDL_MOUSEMOTION;
        event.motion.x = (Uint16)pointerX;
        event.motion.y = (Uint16)pointerY;
    }
    moveToFrame((uint32_t)frame, &event, orbitX, orbitY, &fallSpeed);

    SDL_Surface *surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 400, 300, 8, 0, 0, 0, 0);
    if (!surface) {
        fprintf(stderr, "snapshot: no surface: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Color colours[256];
    for (int j = 0; j < 256; j++) {
        colours[j].r = colours[j].g = colours[j].b = j;
        colours[j].unused = 0;
    }
    SDL_SetColors(surface, colours, 0, 256);
    piirtele(surface);

    const uint8_t *pixels = (const uint8_t *)surface->pixels;
    bool ok = saveFile("snapshot", outPath, [&](FILE *out, std::string *) {
        if (png)
            return writePng(out, pixels, 400, 300, surface->pitch, 1);
        if (!gif) {
            SDL_RWops *rw = SDL_RWFromFP(out, 0);
            return rw && SDL_SaveBMP_RW(surface, rw, 1) == 0 && fflush(out) == 0 && !ferror(out);
        }
        GifFileType *animation = startGif(out, 400, 300);
        if (!animation)
            return false;
        // The demo's count is 32 bits and wraps; so does this one.
        uint32_t f = (uint32_t)frame;
        bool written = addGifFrame(animation, pixels, surface->pitch, frameDelay);
        for (unsigned long n = 1; n < count && written; n++) {
            moveBlobs(++f, &event, orbitX, orbitY, &fallSpeed);
            piirtele(surface);
            written = addGifFrame(animation, pixels, surface->pitch, frameDelay);
        }
        return finishGif(animation) && written;
    });
    SDL_FreeSurface(surface);
    return ok ? 0 : 1;
}
