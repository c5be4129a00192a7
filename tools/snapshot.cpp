// snapshot: one frame of a run, to a file, with no window and no display.
//
//   snapshot [--frame N] [--pointer X,Y] OUT.png|OUT.bmp
//
// The frame is made by the demo's own code, called in the demo's own order:
// the tables, the bouncer's start, then moveBlobs once for every frame up to
// and including N, and piirtele into an 8-bit surface of the demo's size.
// The event record is the one the demo would hold if a single pointer move
// to X,Y had been taken before the first frame (or none, without --pointer),
// so the picture is exactly what the window shows on frame N of such a run.
#include <SDL.h>
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "field/field.h"
#include "motion/motion.h"
#include "tools/png.h"

namespace {

const char usageText[] =
    "usage: snapshot [--frame N] [--pointer X,Y] OUT.png|OUT.bmp\n"
    "Writes frame N of a run of the demo, 400x300 in 256 greys, exactly as the\n"
    "window shows it; needs no display.\n"
    "  --frame N      0 (the first frame drawn, the default) to 4294967295\n"
    "  --pointer X,Y  the run took one pointer move to X,Y (0 to 65535 each;\n"
    "                 the demo keeps the blob within 399,299) before frame 0;\n"
    "                 without it no pointer event came and that blob stays at 0,0\n"
    "The extension picks the format: .png (8-bit grey) or .bmp (8-bit, grey palette).\n";

[[noreturn]] void usageError(const char *what, const char *arg)
{
    fprintf(stderr, "snapshot: %s%s%s\n%s", what, arg ? ": " : "", arg ? arg : "", usageText);
    exit(2);
}

// Decimal digits only, no sign or spaces, at most max. strtoul alone would
// take "-1", " 7" and "0x10".
bool parseNumber(const char *s, size_t len, unsigned long max, unsigned long *out)
{
    if (len == 0 || len > 10)
        return false;
    unsigned long long n = 0;
    for (size_t i = 0; i < len; i++) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        n = n * 10 + (s[i] - '0');
    }
    if (n > max)
        return false;
    *out = (unsigned long)n;
    return true;
}

bool endsWith(const char *s, const char *suffix)
{
    size_t n = strlen(s), m = strlen(suffix);
    return n > m && strcasecmp(s + n - m, suffix) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    unsigned long frame = 0;
    bool havePointer = false;
    unsigned long pointerX = 0, pointerY = 0;
    const char *outPath = nullptr;

    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        if (strcmp(a, "-h") == 0 || strcmp(a, "--help") == 0) {
            fputs(usageText, stdout);
            return 0;
        } else if (strcmp(a, "--frame") == 0) {
            if (++i == argc)
                usageError("--frame needs a number", nullptr);
            if (!parseNumber(argv[i], strlen(argv[i]), UINT32_MAX, &frame))
                usageError("--frame takes a whole number from 0 to 4294967295", argv[i]);
        } else if (strcmp(a, "--pointer") == 0) {
            if (++i == argc)
                usageError("--pointer needs X,Y", nullptr);
            const char *comma = strchr(argv[i], ',');
            if (!comma || !parseNumber(argv[i], comma - argv[i], 65535, &pointerX) ||
                !parseNumber(comma + 1, strlen(comma + 1), 65535, &pointerY))
                usageError("--pointer takes X,Y, two whole numbers from 0 to 65535", argv[i]);
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
    bool png = endsWith(outPath, ".png");
    if (!png && !endsWith(outPath, ".bmp"))
        usageError("the output file must end in .png or .bmp", outPath);

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
    // The bouncer's state is carried from frame to frame, so every frame
    // before N has to be moved through; only N itself is drawn. The count is
    // 32-bit, as in the demo, which is why the loop tests before it steps.
    for (uint32_t f = 0;; f++) {
        moveBlobs(f, &event, orbitX, orbitY, &fallSpeed);
        if (f == frame)
            break;
    }

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

    FILE *out = fopen(outPath, "wb");
    if (!out) {
        fprintf(stderr, "snapshot: cannot write %s: %s\n", outPath, strerror(errno));
        SDL_FreeSurface(surface);
        return 1;
    }
    errno = 0; // so a failure below that sets none reads as such, not as a stale one
    bool ok;
    if (png) {
        ok = writePng(out, (const uint8_t *)surface->pixels, 400, 300, surface->pitch, 1);
    } else {
        SDL_RWops *rw = SDL_RWFromFP(out, 0);
        ok = rw && SDL_SaveBMP_RW(surface, rw, 1) == 0;
        ok = ok && fflush(out) == 0 && !ferror(out);
    }
    int savedErrno = errno;
    if (fclose(out) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    SDL_FreeSurface(surface);
    if (!ok) {
        fprintf(stderr, "snapshot: cannot write %s: %s\n", outPath, savedErrno ? strerror(savedErrno) : "write failed");
        remove(outPath); // a cut-off picture is worse than none
        return 1;
    }
    return 0;
}
