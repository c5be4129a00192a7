// Preloaded into the program under valgrind only. When Highway's library is
// loaded it calibrates its timer with RDTSCP wherever CPUID reports the
// instruction, and valgrind's virtual processor always reports it; on a host
// processor without RDTSCP valgrind cannot decode it, and the run dies with
// SIGILL before main. The program never reads Highway's timer, so standing a
// constant in for the calibration changes nothing that memcheck looks at.
namespace hwy {
namespace platform {
double TimerResolution()
{
    return 1.0;
}
} // namespace platform
} // namespace hwy
