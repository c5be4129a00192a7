#include <stdio.h>
#include <stdlib.h>

#include "app/window.h"

SDL_Surface *openWindow()
{
#if defined(__unix__) && !defined(__APPLE__)
    // The demo is a window on the desktop. Left to itself, the library on a
    // machine with no X display falls back to drawing ASCII art on the
    // terminal (or into whatever file stdout is), which hides the real
    // problem; asking for X unless the user chose a driver makes it fail
    // with the library's reason instead. A desktop with a Wayland display
    // and no X one gets Wayland: the SDL2-based library draws there itself,
    // and the classic one, which cannot, fails with its reason as above.
    const char *x = getenv("DISPLAY");
    const char *wayland = getenv("WAYLAND_DISPLAY");
    bool waylandOnly = (x == NULL || *x == 0) && wayland != NULL && *wayland != 0;
    setenv("SDL_VIDEODRIVER", waylandOnly ? "wayland" : "x11", 0);
#endif
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        fprintf(stderr, "SDL ei initoitunut: %s\n", SDL_GetError());
        return NULL;
    }
    SDL_Surface *screen = SDL_SetVideoMode(400, 300, 8, SDL_HWSURFACE | SDL_HWPALETTE | SDL_DOUBLEBUF);
    if (screen == NULL) {
        // 0xE4 is a Latin-1 a with diaeresis; escaped so no editor re-encodes it.
        fprintf(stderr, "Videomoodin asetus ep\xE4onnas: %s\n", SDL_GetError());
        SDL_Quit();
        return NULL;
    }
    SDL_WM_SetCaption("Kimallusmylly", NULL);
    setGreys(screen);
    return screen;
}

void setGreys(SDL_Surface *surface)
{
    SDL_Color colours[256];
    for (int j = 0; j < 256; j++) {
        colours[j].r = colours[j].g = colours[j].b = j;
        colours[j].unused = 0;
    }
    SDL_SetColors(surface, colours, 0, 256);
}
