// window.h: opening the demo's window, shared by the demo and the empty-loop
// baseline it is measured against, so that both draw into the same window.
//
//   openWindow()       starts the library and opens the 400x300 8-bit window
//                      with its caption and grey palette; on failure prints
//                      the library's reason on stderr and returns NULL
//   setGreys(surface)  that palette, byte j as grey j, for the window and
//                      for the snapshot tool's pictures of it
#pragma once

#include <SDL.h>

SDL_Surface *openWindow();

void setGreys(SDL_Surface *surface);
