// report.h: the one line a run ends with.
#pragma once

#include <stdint.h>
#include <stdio.h>

// "Aika: <s> sek, framet: <n> kpl, fps: <rate>" with a newline. The count is
// unsigned and printed as such; a zero elapsed time gives a rate of 0.000.
void printReport(FILE *out, uint32_t elapsedMs, uint32_t frameCount);
