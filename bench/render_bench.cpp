// How long a frame takes: the literal long double renderer from the tests
// against piirtele and the code of each target it was compiled for, on the demo's own blob motion,
// plus the start-up table fill. Ends with one line that sets the figures side
// by side.
//
//   render_bench [Google Benchmark options, e.g. --benchmark_repetitions=5]
#include <benchmark/benchmark.h>
#include <hwy/targets.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <random>
#include <string>

#include "app/run.h"
#include "field/field.h"
#include "motion/motion.h"
#include "tests/reference/reference.h"
#include "tests/shared.h"
#include "tests/targets.h"

namespace {

Run run;
SDL_Event noEvent; // SDL_NOEVENT: the pointer blob stays where it is
uint8_t literalOut[300 * 400];
SDL_Surface *surface;

// Wall-clock nanoseconds a frame of each benchmark's latest run, for the ratio.
double literalNs, piirteleNs, alustaPufNs;

double now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e9 + t.tv_nsec;
}

// The demo's run, started afresh for every benchmark run so that all
// renderers draw the same frames.
void startMotion()
{
    memcpy(pallerot, firstFrame, sizeof pallerot);
    startRun(&run);
}

void nextFrame() { moveBlobs(run.frameCount++, &noEvent, &run.motion); }

void BM_literal(benchmark::State &state)
{
    startMotion();
    double t0 = now();
    for (auto _ : state) {
        nextFrame();
        referenceFrame(literalOut);
        benchmark::DoNotOptimize(literalOut);
    }
    literalNs = (now() - t0) / state.iterations();
}

// Target 0 is piirtele as the demo calls it, with the code Highway chooses;
// the others draw with the code of one target each (useTarget), and give
// the choice back after. The counter is how many times faster than the
// literal renderer's run just before.
void BM_piirtele(benchmark::State &state, int64_t target)
{
    startMotion();
    useTarget(target);
    double t0 = now();
    for (auto _ : state) {
        nextFrame();
        piirtele(surface);
        benchmark::DoNotOptimize(surface->pixels);
    }
    double ns = (now() - t0) / state.iterations();
    useTarget(0);
    if (target == 0)
        piirteleNs = ns;
    state.counters["x_literal"] = literalNs / ns;
}

// piirtele as it runs in the demo: between two frames the flip turns the
// 8-bit frame into the display's 32-bit pixels, 600 kB through the cache that
// the renderer's tables then have to share. The conversion here stands in for
// the library's and is left out of the time. Argument 0 leaves the pointer
// alone, as nobody at the mouse does; 1 moves it every frame, the most a
// pointer event per frame can.
uint32_t flipped[300 * 400];

void BM_piirteleBetweenFlips(benchmark::State &state)
{
    startMotion();
    static uint32_t grey[256];
    for (int j = 0; j < 256; j++)
        grey[j] = j * 0x010101u;
    bool pointerMoves = state.range(0) != 0;
    for (auto _ : state) {
        nextFrame();
        if (pointerMoves)
            pallerot[5] = {(int)(run.frameCount * 7 % 400), (int)(run.frameCount * 3 % 300)};
        piirtele(surface);
        state.PauseTiming();
        const uint8_t *pixels = (const uint8_t *)surface->pixels;
        for (int i = 0; i < 300 * 400; i++)
            flipped[i] = grey[pixels[i]];
        benchmark::DoNotOptimize(flipped);
        state.ResumeTiming();
    }
}

// The worst case for the cache of the still blobs: all six slots random every
// frame, as an outside harness may set them, so the cache is rebuilt each time.
void BM_piirteleAllSixRandom(benchmark::State &state)
{
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> x(0, 400), y(0, 300);
    double t0 = now();
    for (auto _ : state) {
        for (auto &p : pallerot)
            p = {x(rng), y(rng)};
        piirtele(surface);
        benchmark::DoNotOptimize(surface->pixels);
    }
    state.counters["x_literal"] = literalNs / ((now() - t0) / state.iterations());
}

void BM_alustaPuf(benchmark::State &state)
{
    double t0 = now();
    for (auto _ : state) {
        alustaPuf();
        benchmark::DoNotOptimize(puf);
    }
    alustaPufNs = (now() - t0) / state.iterations();
}

} // namespace

BENCHMARK(BM_literal)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_piirteleBetweenFlips)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_piirteleAllSixRandom)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_alustaPuf)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 400, 300, 8, 0, 0, 0, 0);
    if (surface == NULL) {
        fprintf(stderr, "no surface: %s\n", SDL_GetError());
        return 1;
    }
    startMotion(); // the tables, for benchmarks that draw without a run of their own
    benchmark::RegisterBenchmark("BM_piirtele", BM_piirtele, 0)->Unit(benchmark::kMicrosecond);
    for (int64_t target : drawTargets()) {
        std::string name = std::string("BM_piirtele/") + hwy::TargetName(target);
        benchmark::RegisterBenchmark(name.c_str(), BM_piirtele, target)->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (literalNs > 0 && piirteleNs > 0)
        printf("literal %.1f us a frame, piirtele %.1f us a frame: %.1f times as fast\n", literalNs / 1e3,
               piirteleNs / 1e3, literalNs / piirteleNs);
    if (alustaPufNs > 0)
        printf("start-up: alustaPuf %.2f ms\n", alustaPufNs / 1e6);
    SDL_FreeSurface(surface);
    return 0;
}
