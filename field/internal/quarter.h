// quarter.h: the renderer's copy of puf, inside the field library only.
//
// One quarter of puf, as the integers entry * 2^21, exact (spans.cpp says
// why, at its shift by 21). An entry depends only on dx * dx and dy * dy, so
// every value of puf is found in the quarter at (|dy|, |dx|): 301 rows of
// 401 values, 483 kB where puf is 1.92 MB. Row a (|dy| = a) starts at
// quarter + 400 + a * 416 and holds |dx| = b at entry 15 + b; entries 0-14
// hold |dx| = 15 down to 1 once more, so a vector that starts up to 15
// columns left of a blob's own column reads on into the mirror instead of
// splitting in two. The 400 entries in front of row 0 keep every blob row
// pointer the renderer forms inside the array. alustaPuf fills it together
// with puf, and counts its fills so that whatever the renderer built from an
// earlier fill (or from the zeros before the first) is rebuilt.
#pragma once

#include <stdint.h>

// That layout, for alustaPuf, which writes it, and the renderer, which reads it.
inline constexpr int quarterFront = 400, quarterRowLength = 416, quarterMirror = 15;
inline constexpr int quarterLength = quarterFront + 301 * quarterRowLength;

// Where row a holds |dx| = 0: entry b of it holds |dx| = b, and |dx| = -b
// for b from -15 to -1.
constexpr int quarterRow(int a)
{
    return quarterFront + a * quarterRowLength + quarterMirror;
}

// A row has room for its mirror and |dx| up to 400, and a blob row pointer
// (its row less the blob's x, up to 400) lies inside the array.
static_assert(quarterMirror >= 15 && quarterMirror + 401 <= quarterRowLength && quarterRow(0) >= 400);

extern uint32_t quarter[quarterLength];
extern uint32_t quarterFillCount;
