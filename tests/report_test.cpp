#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/report.h"

namespace {

std::string report(uint32_t elapsedMs, uint32_t frames)
{
    // A file of this process's own rather than a memory stream, which
    // Windows lacks, or tmpfile(), whose names there collide between test
    // processes running at once. Binary mode: the line ends as written.
    static int calls;
    std::string name = (std::filesystem::temp_directory_path() /
                        ("report_test-" + std::to_string(getpid()) + "-" + std::to_string(++calls))).string();
    FILE *f = fopen(name.c_str(), "w+b");
    if (!f)
        return "(no temporary file: " + name + ")";
    printReport(f, elapsedMs, frames);
    std::string s;
    rewind(f);
    for (int c; (c = fgetc(f)) != EOF;)
        s += (char)c;
    fclose(f);
    remove(name.c_str());
    return s;
}

TEST(Report, Format)
{
    EXPECT_EQ(report(1234, 100), "Aika: 1.234 sek, framet: 100 kpl, fps: 81.037\n");
    EXPECT_EQ(report(1000, 0), "Aika: 1.000 sek, framet: 0 kpl, fps: 0.000\n");
    EXPECT_EQ(report(5, 3), "Aika: 0.005 sek, framet: 3 kpl, fps: 600.000\n");
}

TEST(Report, ZeroElapsedGivesZeroRate)
{
    EXPECT_EQ(report(0, 0), "Aika: 0.000 sek, framet: 0 kpl, fps: 0.000\n");
    EXPECT_EQ(report(0, 7), "Aika: 0.000 sek, framet: 7 kpl, fps: 0.000\n");
}

TEST(Report, LargeCountsStayUnsignedAndExact)
{
    EXPECT_EQ(report(1000, 2147483647u), "Aika: 1.000 sek, framet: 2147483647 kpl, fps: 2147483647.000\n");
    EXPECT_EQ(report(1000, 2147483648u), "Aika: 1.000 sek, framet: 2147483648 kpl, fps: 2147483648.000\n");
    // count * 1000 would overflow 32 bits; the rate must not.
    EXPECT_EQ(report(4294967295u, 4294967295u),
              "Aika: 4294967.295 sek, framet: 4294967295 kpl, fps: 1000.000\n");
}

} // namespace
