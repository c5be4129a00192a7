#include "field/field.h"

BlobPosition pallerot[6] = {
    {0, 150}, {120, 150}, {220, 150}, // fixed row across the middle
    {0, 0},                           // bouncer, placed before the first frame
    {0, 0},                           // orbiter, set every frame
    {0, 0},                           // pointer blob, waits for the first pointer event
};
