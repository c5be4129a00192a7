// snapshot: frames of a run, to a file, with no window and no display.
//
//   snapshot [--frame N] [--frames COUNT] [--pointer X,Y] OUT.png|OUT.bmp|OUT.gif
//
// The frames are made by the demo's own code, called in the demo's own
// order: the run's start (app/run.h), then moveBlobs for the frames up to
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

#include "app/run.h"
#include "app/window.h"
#include "field/field.h"
#include "motion/motion.h"
#include "tools/gif.h"
#include "tools/options.h"
#include "tools/png.h"
#include "tools/savefile.h"

namespace {

// Hundredths of a second a frame: the shortest that browsers and viewers
// keep (they stretch 0 and 1 to a tenth of a second), so 50 frames a second,
// still far slower than the demo draws them.
const int frameDelay = 2;

} // namespace

int main(int argc, char **argv)
{
    SnapshotOptions o;
    if (int status = readSnapshotOptions(argc, argv, &o, stdout, stderr); status >= 0)
        return status;

    // The demo's start, with no display involved.
    Run run;
    startRun(&run);

    SDL_Event event;
    memset(&event, 0, sizeof event);
    if (o.havePointer) {
        event.type = SDL_MOUSEMOTION;
        event.motion.x = (Uint16)o.pointerX;
        event.motion.y = (Uint16)o.pointerY;
    }
    run.frameCount = (uint32_t)o.frame;
    moveToFrame(run.frameCount, &event, &run.motion);

    SDL_Surface *surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 400, 300, 8, 0, 0, 0, 0);
    if (!surface) {
        fprintf(stderr, "snapshot: no surface: %s\n", SDL_GetError());
        return 1;
    }
    setGreys(surface);
    piirtele(surface);

    const uint8_t *pixels = (const uint8_t *)surface->pixels;
    bool ok = saveFile("snapshot", o.outPath, [&](FILE *out, std::string *) {
        if (o.png)
            return writePng(out, pixels, 400, 300, surface->pitch, 1);
        if (!o.gif) {
            SDL_RWops *rw = SDL_RWFromFP(out, 0);
            return rw && SDL_SaveBMP_RW(surface, rw, 1) == 0 && fflush(out) == 0 && !ferror(out);
        }
        GifFileType *animation = startGif(out, 400, 300);
        if (!animation)
            return false;
        // The demo's count is 32 bits and wraps; so does this one.
        bool written = addGifFrame(animation, pixels, surface->pitch, frameDelay);
        for (unsigned long n = 1; n < o.count && written; n++) {
            moveBlobs(++run.frameCount, &event, &run.motion);
            piirtele(surface);
            written = addGifFrame(animation, pixels, surface->pitch, frameDelay);
        }
        return finishGif(animation) && written;
    });
    SDL_FreeSurface(surface);
    return ok ? 0 : 1;
}
