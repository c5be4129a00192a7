// extended.h: the start-up tables' arithmetic, used by field and motion
// only, a library of its own (extended) in namespace extended.
//
// Their values are defined by arithmetic on a 64-bit significand rounded to
// nearest, as an x87 long double does it. Where long double is something
// else (plain double on some systems, 128 bits on others) the tables would
// come out different in a few places, so this carries that arithmetic out in
// integers: each operation gives the exact result rounded once to 64 bits,
// on any processor.
//
//   Extended        value m * 2^e with a sign; m has its top bit set (or is 0)
//   extendedOf(d)   a double, exactly; every int is one too
//   add, mul, div, root    one rounding each, to nearest, ties to even
//   toFloat(v)      rounded once to single precision
//   truncated(v)    toward zero, as an int
#pragma once

#include <stdint.h>

namespace extended {

struct Extended {
    bool negative;
    uint64_t m;
    int e;
};

Extended extendedOf(double d);
Extended add(Extended a, Extended b);
Extended mul(Extended a, Extended b);
Extended div(Extended a, Extended b);
Extended root(Extended a);
float toFloat(Extended v);
int32_t truncated(Extended v);

} // namespace extended
