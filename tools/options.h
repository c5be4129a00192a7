// options.h: the command lines of the picture tools, read one way for both.
//
// Numbers are plain decimal digits (leading zeros are fine) within the
// option's range: no sign, space, fraction, exponent or hexadecimal, so the
// same text gets the same answer from either tool. Every mistake ends the
// tool with "TOOL: WHAT: ARG", the usage text and status 2.
//
//   snapshotUsage, windowshotUsage                   each tool's usage text
//   readSnapshotOptions(argc, argv, &o, out, err)    snapshot's command line
//   readWindowshotOptions(argc, argv, &o, out, err)  windowshot's
#pragma once

#include <stdio.h>

extern const char snapshotUsage[], windowshotUsage[];

struct SnapshotOptions {
    unsigned long frame = 0, count = 1;
    bool havePointer = false;
    unsigned long pointerX = 0, pointerY = 0;
    const char *outPath = nullptr;
    bool png = false, gif = false; // neither is a BMP
};

struct WindowshotOptions {
    const char *title = "Kimallusmylly";
    unsigned long waitSeconds = 30, frames = 1;
    const char *outPath = nullptr;
    bool gif = false; // or a PNG
};

// Reads the tool's command line into *o, which keeps pointers into argv.
// Returns -1 when the tool is to go on with it. Otherwise the tool is to end
// at once with the status returned, all said: 0 after -h or --help, the
// usage written to out; 2 after the first mistake, written to err with the
// usage.
int readSnapshotOptions(int argc, char **argv, SnapshotOptions *o, FILE *out, FILE *err);
int readWindowshotOptions(int argc, char **argv, WindowshotOptions *o, FILE *out, FILE *err);
