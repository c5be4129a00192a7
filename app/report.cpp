#include "app/report.h"

void printReport(FILE *out, uint32_t elapsedMs, uint32_t frameCount)
{
    long double seconds = (long double)elapsedMs / 1000;
    // An Escape already waiting when the loop starts ends it within the same
    // millisecond; there is no rate to speak of then, and inf or nan would be noise.
    long double rate = elapsedMs == 0 ? 0 : (long double)frameCount * 1000 / elapsedMs;
    fprintf(out, "Aika: %.3f sek, framet: %u kpl, fps: %.3f\n", (double)seconds, frameCount,
            (double)rate);
}
