// The picture tools' command lines, read by the tools' own reader with no
// tool run: every mistake said in full, with the usage and status 2, and
// what is taken read as the numbers and names it gives. Each tool's saying
// it when run is held once in snapshot_test.cpp. (The cases keep the names
// they had there, in the suite Snapshot.)
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <utility>
#include <vector>

#include "tools/options.h"

namespace {

struct Reading {
    int status;
    std::string out, err;
    SnapshotOptions snapshot;
    WindowshotOptions windowshot;
};

// The line as the tool gets it, after its name; what the reader says on
// stdout and stderr is caught. The options point into args.
Reading read(const std::string &tool, std::vector<std::string> &args)
{
    std::vector<char *> argv = {const_cast<char *>(tool.c_str())};
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    char *outText = nullptr, *errText = nullptr;
    size_t outLength = 0, errLength = 0;
    FILE *out = open_memstream(&outText, &outLength), *err = open_memstream(&errText, &errLength);
    Reading r;
    r.status = tool == "snapshot" ? readSnapshotOptions(argv.size() - 1, argv.data(), &r.snapshot, out, err)
                                  : readWindowshotOptions(argv.size() - 1, argv.data(), &r.windowshot, out, err);
    fclose(out);
    fclose(err);
    r.out.assign(outText, outLength);
    r.err.assign(errText, errLength);
    free(outText);
    free(errText);
    return r;
}

std::string shown(const std::vector<std::string> &args)
{
    std::string s;
    for (auto &a : args)
        s += " [" + a + "]";
    return s;
}

TEST(Snapshot, LinesAreReadOrRefusedWithTheUsage)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{}, "no output file given"},
        {{"out.jpg"}, "the output file must end in .png, .bmp or .gif: out.jpg"},
        {{"out.png", "other.png"}, "more than one output file: other.png"},
        {{"--frame"}, "--frame needs a number"},
        {{"--pointer", "5", "out.png"}, "--pointer takes X,Y, two whole numbers from 0 to 65535: 5"}, // no comma
        {{"--pointer", "5,", "out.png"}, "--pointer takes X,Y, two whole numbers from 0 to 65535: 5,"},
        {{"--pointer", "5,65536", "out.png"}, // past an event's 16 bits
         "--pointer takes X,Y, two whole numbers from 0 to 65535: 5,65536"},
        {{"--pointer", "-5,5", "out.png"}, "--pointer takes X,Y, two whole numbers from 0 to 65535: -5,5"},
        {{"--scale", "2", "out.png"}, "unknown option: --scale"},
        {{"--frames", "2", "out.png"}, "more than one frame needs a .gif file: out.png"}, // an animation needs a GIF
    };
    for (auto [args, mistake] : bad) {
        Reading r = read("snapshot", args);
        EXPECT_EQ(r.status, 2) << shown(args);
        EXPECT_EQ(r.err, "snapshot: " + mistake + "\n" + snapshotUsage) << shown(args);
        EXPECT_EQ(r.out, "") << shown(args);
    }

    // The ends of the ranges are taken.
    std::vector<std::string> edge = {"--pointer", "65535,0", "edge.bmp"};
    Reading r = read("snapshot", edge);
    EXPECT_EQ(r.status, -1) << r.err;
    EXPECT_TRUE(r.snapshot.havePointer);
    EXPECT_EQ(r.snapshot.pointerX, 65535u);
    EXPECT_EQ(r.snapshot.pointerY, 0u);
    EXPECT_STREQ(r.snapshot.outPath, "edge.bmp");
    EXPECT_FALSE(r.snapshot.png || r.snapshot.gif);
    edge = {"--frame", "4294967295", "--frames", "2", "edge.gif"};
    r = read("snapshot", edge);
    EXPECT_EQ(r.status, -1) << r.err;
    EXPECT_EQ(r.snapshot.frame, 4294967295u);
    EXPECT_EQ(r.snapshot.count, 2u);
    EXPECT_TRUE(r.snapshot.gif);

    std::vector<std::string> help = {"--help"};
    r = read("snapshot", help);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, snapshotUsage);
    EXPECT_EQ(r.err, "");
}

TEST(Snapshot, BothToolsReadNumbersAlike)
{
    // Plain decimal digits, leading zeros fine, within the option's range:
    // nothing else that strtol or strtod would take, and no count of digits
    // that wraps round to a small number.
    const std::pair<const char *, bool> texts[] = {
        {"7", true},   {"0007", true},  {"00000000000000000000007", true},
        {"", false},   {"0x7", false},  {" 7", false}, {"7 ", false}, {"+7", false}, {"-7", false},
        {"7e0", false}, {"7.0", false}, {"7,", false}, {"18446744073709551623", false}, // 2^64 + 7
    };
    struct Option {
        const char *tool, *name, *out;
        std::string min, max; // max taken, and the next one up refused
        unsigned long (*value)(const Reading &);
    };
    const Option options[] = {
        {"snapshot", "--frame", "n.png", "0", "4294967295", [](const Reading &r) { return r.snapshot.frame; }},
        {"snapshot", "--frames", "n.gif", "1", "1000", [](const Reading &r) { return r.snapshot.count; }},
        {"windowshot", "--wait", "n.png", "0", "3600", [](const Reading &r) { return r.windowshot.waitSeconds; }},
        {"windowshot", "--frames", "n.gif", "1", "1000", [](const Reading &r) { return r.windowshot.frames; }},
    };
    for (const Option &o : options) {
        std::vector<std::pair<std::string, bool>> cases(std::begin(texts), std::end(texts));
        std::string above = std::to_string(std::stoull(o.max) + 1);
        cases.push_back({above, false});
        cases.push_back({"000" + above, false});
        cases.push_back({"0" + o.max, true});
        for (const auto &[text, good] : cases) {
            std::vector<std::string> args = {o.name, text, o.out};
            std::string shown = std::string(o.tool) + " " + o.name + " [" + text + "]";
            Reading r = read(o.tool, args);
            EXPECT_EQ(r.out, "") << shown;
            if (!good) {
                EXPECT_EQ(r.status, 2) << shown;
                EXPECT_EQ(r.err, std::string(o.tool) + ": " + o.name + " takes a whole number from " + o.min + " to " +
                                     o.max + ": " + text + "\n" +
                                     (o.tool == std::string("snapshot") ? snapshotUsage : windowshotUsage))
                    << shown;
            } else {
                EXPECT_EQ(r.status, -1) << shown << r.err;
                EXPECT_EQ(o.value(r), std::stoul(text)) << shown;
            }
        }
    }
}

} // namespace
