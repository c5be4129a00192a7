#include "app/run.h"

#include <SDL.h>

#include "field/field.h"

void startRun(Run *run)
{
    buildOrbitTables(&run->motion);
    alustaPuf();
    run->frameCount = 0;
    run->startTicks = SDL_GetTicks();
    placeBouncingBlob(&run->motion);
}
