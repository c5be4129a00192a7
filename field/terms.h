// terms.h: what the renderer's vector code is given to draw, inside the
// field library only. Highway compiles piirtele.cpp once for every vector
// target by including it again for each; the type is defined here, once.
#pragma once

#include "field/field.h"

// Up to three blobs read from the quarter, and a row cut for them: stretch s
// runs from cuts[s] to cuts[s + 1] and reads blob k backwards (the blob
// stands to its right) where bit k of backwards[s] is set. Every cut is a
// multiple of 16, so a stretch is a whole number of vectors of any width.
struct Terms {
    int n;
    Pallero at[3];
    int cuts[5];
    int backwards[4];
};
