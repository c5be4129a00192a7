#include "tools/options.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

#include <string>

const char snapshotUsage[] =
    "usage: snapshot [--frame N] [--frames COUNT] [--pointer X,Y] OUT.png|OUT.bmp|OUT.gif\n"
    "Writes frame N of a run of the demo, 400x300 in 256 greys, exactly as the\n"
    "window shows it, or COUNT frames from N on as an animation; needs no display.\n"
    "  --frame N       0 (the first frame drawn, the default) to 4294967295\n"
    "  --frames COUNT  1 (the default) to 1000 frames, 2/100 s each, looping;\n"
    "                  more than 1 needs OUT.gif (181 MB at worst);\n"
    "                  the count runs on past 4294967295 from 0, as the demo's does\n"
    "  --pointer X,Y   the run took one pointer move to X,Y (0 to 65535 each;\n"
    "                  the demo keeps the blob within 399,299) before frame 0;\n"
    "                  without it no pointer event came and that blob stays at 0,0\n"
    "The extension picks the format: .png (8-bit grey), .bmp (8-bit, grey palette)\n"
    "or .gif (animated, grey palette).\n";

const char windowshotUsage[] =
    "usage: windowshot [--name TITLE] [--wait SECONDS] [--frames COUNT] OUT.png|OUT.gif\n"
    "Writes what the window titled TITLE on $DISPLAY shows, or COUNT readings\n"
    "of it taken as fast as the server gives them as an animation.\n"
    "  --name TITLE     the window's exact title (default Kimallusmylly)\n"
    "  --wait SECONDS   0 to 3600 (default 30) for the window to appear\n"
    "  --frames COUNT   1 (the default) to 1000 readings, 2/100 s each, looping;\n"
    "                   more than 1 needs OUT.gif, and a window in greys\n"
    "The extension picks the format: .png (8-bit grey, or RGB for a window not\n"
    "in greys) or .gif (animated, grey palette). Only the window's own drawing\n"
    "is written: through the server's Composite extension whatever lies over it\n"
    "or past the screen's edge; without it, a window so placed is refused.\n";

namespace {

// A frame packs to 181 kB at worst (a 12-bit code for each of its 120,000
// pixels, and the blocks' framing), so this bounds an animation to 181 MB
// whatever it shows; the demo's frames take about a fifth of that.
const unsigned long maxFrames = 1000;

// The first mistake on a command line, on its way from wherever it is found
// to the reader of the line, which says it.
struct Mistake {
    std::string text;
};

// Ends the reading of the line with this mistake.
[[noreturn]] void usageError(const char *what, const char *arg)
{
    throw Mistake{std::string(what) + (arg ? ": " : "") + (arg ? arg : "")};
}

// The len characters at s as a number from 0 to max; false if they are not one.
bool parseNumber(const char *s, size_t len, unsigned long max, unsigned long *out)
{
    if (len == 0)
        return false;
    unsigned long n = 0;
    for (size_t i = 0; i < len; i++) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        unsigned digit = s[i] - '0';
        // Checked before each step, so no count of digits can wrap it round.
        if (digit > max || n > (max - digit) / 10)
            return false;
        n = n * 10 + digit;
    }
    *out = n;
    return true;
}

// The value after the option at argv[*i], which *i moves on to; a usage
// error when there is none.
const char *optionValue(int argc, char **argv, int *i, const char *what)
{
    const char *option = argv[*i];
    if (++*i == argc) {
        std::string text = std::string(option) + " needs " + what;
        usageError(text.c_str(), nullptr);
    }
    return argv[*i];
}

// The value after the option at argv[*i] as a number from min to max.
unsigned long numberOption(int argc, char **argv, int *i, unsigned long min, unsigned long max)
{
    const char *option = argv[*i];
    const char *value = optionValue(argc, argv, i, "a number");
    unsigned long n;
    if (!parseNumber(value, strlen(value), max, &n) || n < min) {
        std::string text = std::string(option) + " takes a whole number from " + std::to_string(min) + " to " +
                           std::to_string(max);
        usageError(text.c_str(), value);
    }
    return n;
}

// Whether s ends in suffix, in any case, with something before it.
bool endsWith(const char *s, const char *suffix)
{
    size_t n = strlen(s), m = strlen(suffix);
    return n > m && strcasecmp(s + n - m, suffix) == 0;
}

// An argument that is neither a known option nor an option's value names the
// one output file, for both tools alike; taken is the one named before, if any.
const char *outputFile(const char *a, const char *taken)
{
    if (a[0] == '-' && a[1] != '\0')
        usageError("unknown option", a);
    if (taken)
        usageError("more than one output file", a);
    return a;
}

// A tool's whole line, the same way for both: -h or --help; the tool's own
// options, each of which option(a, &i) reads from argv[i] on, returning
// false for one it does not know; and the one output file, into *outPath.
// Then whole() checks what the options ask together. Returns as the
// readers below do, the mistake said as "TOOL: WHAT: ARG" and the usage.
template <typename Option, typename Whole>
int readLine(const char *tool, const char *usage, int argc, char **argv, const char **outPath, Option option,
             Whole whole, FILE *out, FILE *err)
{
    try {
        for (int i = 1; i < argc; i++) {
            const char *a = argv[i];
            if (strcmp(a, "-h") == 0 || strcmp(a, "--help") == 0) {
                fputs(usage, out);
                return 0;
            }
            if (!option(a, &i))
                *outPath = outputFile(a, *outPath);
        }
        if (!*outPath)
            usageError("no output file given", nullptr);
        whole();
        return -1;
    } catch (const Mistake &m) {
        fprintf(err, "%s: %s\n%s", tool, m.text.c_str(), usage);
        return 2;
    }
}

} // namespace

int readSnapshotOptions(int argc, char **argv, SnapshotOptions *o, FILE *out, FILE *err)
{
    auto option = [&](const char *a, int *i) {
        if (strcmp(a, "--frame") == 0) {
            o->frame = numberOption(argc, argv, i, 0, UINT32_MAX);
        } else if (strcmp(a, "--frames") == 0) {
            o->count = numberOption(argc, argv, i, 1, maxFrames);
        } else if (strcmp(a, "--pointer") == 0) {
            const char *xy = optionValue(argc, argv, i, "X,Y");
            const char *comma = strchr(xy, ',');
            if (!comma || !parseNumber(xy, comma - xy, 65535, &o->pointerX) ||
                !parseNumber(comma + 1, strlen(comma + 1), 65535, &o->pointerY))
                usageError("--pointer takes X,Y, two whole numbers from 0 to 65535", xy);
            o->havePointer = true;
        } else {
            return false;
        }
        return true;
    };
    auto whole = [&] {
        o->png = endsWith(o->outPath, ".png");
        o->gif = endsWith(o->outPath, ".gif");
        if (!o->png && !o->gif && !endsWith(o->outPath, ".bmp"))
            usageError("the output file must end in .png, .bmp or .gif", o->outPath);
        if (o->count > 1 && !o->gif)
            usageError("more than one frame needs a .gif file", o->outPath);
    };
    return readLine("snapshot", snapshotUsage, argc, argv, &o->outPath, option, whole, out, err);
}

int readWindowshotOptions(int argc, char **argv, WindowshotOptions *o, FILE *out, FILE *err)
{
    auto option = [&](const char *a, int *i) {
        if (strcmp(a, "--name") == 0) {
            o->title = optionValue(argc, argv, i, "a title");
        } else if (strcmp(a, "--wait") == 0) {
            o->waitSeconds = numberOption(argc, argv, i, 0, 3600);
        } else if (strcmp(a, "--frames") == 0) {
            o->frames = numberOption(argc, argv, i, 1, maxFrames);
        } else {
            return false;
        }
        return true;
    };
    auto whole = [&] {
        o->gif = endsWith(o->outPath, ".gif");
        if (!o->gif && !endsWith(o->outPath, ".png"))
            usageError("the output file must end in .png or .gif", o->outPath);
        if (o->frames > 1 && !o->gif)
            usageError("more than one frame needs a .gif file", o->outPath);
    };
    return readLine("windowshot", windowshotUsage, argc, argv, &o->outPath, option, whole, out, err);
}
