// The snapshot tool, run as a user runs it, against frames drawn here from
// layouts written out by hand or stepped here frame by frame: the blob
// positions a run has on that frame, not the tool's sequence of calls, so a
// slip in that sequence (a frame too many or too few, the pointer event not
// where the demo keeps it) shows. Its files are read back with the libraries
// of their formats: libpng, SDL for BMP, giflib.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "field/field.h"
#include "tests/shared.h"
#include "tools/options.h"
#include "tools/png.h"
#include "tests/snapshot/pictures.h"

extern char **environ;

namespace {

namespace fs = std::filesystem;

// Through SDL, which wrote it: the indices, and the palette must be the ramp.
Picture decodeBmp(const fs::path &p, std::string *why)
{
    SDL_Surface *s = SDL_LoadBMP(p.c_str());
    if (!s)
        return *why = SDL_GetError(), Picture{};
    Picture pic;
    if (s->format->BitsPerPixel != 8 || !s->format->palette || s->format->palette->ncolors != 256) {
        *why = "not an 8-bit BMP with 256 palette entries";
    } else {
        bool ramp = true;
        for (int j = 0; j < 256; j++) {
            SDL_Color c = s->format->palette->colors[j];
            ramp = ramp && c.r == j && c.g == j && c.b == j;
        }
        if (!ramp) {
            *why = "palette is not the grey ramp";
        } else {
            pic.width = s->w;
            pic.height = s->h;
            pic.channels = 1;
            pic.frames.emplace_back();
            for (int y = 0; y < s->h; y++) {
                const uint8_t *r = (const uint8_t *)s->pixels + y * s->pitch;
                pic.frames[0].insert(pic.frames[0].end(), r, r + s->w);
            }
        }
    }
    SDL_FreeSurface(s);
    return pic;
}

Picture decode(const fs::path &p)
{
    std::string why;
    std::string ext = p.extension();
    Picture pic = strcasecmp(ext.c_str(), ".bmp") == 0   ? decodeBmp(p, &why)
                  : strcasecmp(ext.c_str(), ".gif") == 0 ? decodeGif(p, &why)
                                                         : decodePng(slurp(p), &why);
    EXPECT_TRUE(why.empty()) << p << ": " << why;
    return pic;
}

// What piirtele draws for these six positions.
std::vector<uint8_t> rendered(const BlobPosition layout[6])
{
    static bool tableReady;
    if (!tableReady) {
        alustaPuf();
        tableReady = true;
    }
    memcpy(pallerot, layout, sizeof pallerot);
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 400, 300, 8, 0, 0, 0, 0);
    EXPECT_NE(s, nullptr) << SDL_GetError();
    if (!s)
        return {};
    piirtele(s);
    std::vector<uint8_t> out;
    for (int y = 0; y < 300; y++) {
        const uint8_t *r = (const uint8_t *)s->pixels + y * s->pitch;
        out.insert(out.end(), r, r + 400);
    }
    SDL_FreeSurface(s);
    return out;
}

void expectFrames(const Picture &pic, const std::vector<std::vector<uint8_t>> &want, const std::string &what)
{
    ASSERT_EQ(pic.width, 400) << what;
    ASSERT_EQ(pic.height, 300) << what;
    ASSERT_EQ(pic.channels, 1) << what;
    ASSERT_EQ(pic.frames.size(), want.size()) << what;
    for (size_t f = 0; f < want.size(); f++)
        for (int y = 0; y < 300; y++)
            ASSERT_EQ(memcmp(&pic.frames[f][y * 400], &want[f][y * 400], 400), 0)
                << what << ": frame " << f << ", row " << y << " differs";
}

void expectFrame(const Picture &pic, const std::vector<uint8_t> &want, const std::string &what)
{
    expectFrames(pic, {want}, what);
}

struct Outcome {
    int status = -1; // exit status, or -1 if it did not exit normally
    int signal = 0;  // the signal that ended it, if one did
    std::string out, err;
};

struct Snapshot : ::testing::Test {
    fs::path dir;

    void SetUp() override
    {
        char tmpl[] = "/tmp/snapshot_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }

    // The tool, with no display (windowshot's good arguments get it as far
    // as opening one), and the interrupting signals at their defaults.
    pid_t start(std::vector<std::string> args, const char *tool = SNAPSHOT_TOOL)
    {
        args.insert(args.begin(), tool);
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        fs::path out = dir / "stdout", err = dir / "stderr";
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&defaults, sig);
        posix_spawnattr_setsigdefault(&attr, &defaults);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
        std::vector<char *> env;
        for (char **v = environ; *v; v++)
            if (strncmp(*v, "DISPLAY=", 8) != 0)
                env.push_back(*v);
        env.push_back(nullptr);
        pid_t pid = -1;
        int e = posix_spawn(&pid, argv[0], &fa, &attr, argv.data(), env.data());
        posix_spawn_file_actions_destroy(&fa);
        posix_spawnattr_destroy(&attr);
        EXPECT_EQ(e, 0) << "cannot start " << argv[0] << ": " << strerror(e);
        return e == 0 ? pid : -1;
    }

    Outcome finish(pid_t pid)
    {
        Outcome r;
        int ws;
        if (pid < 0 || waitpid(pid, &ws, 0) != pid)
            return r;
        r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : -1;
        r.signal = WIFSIGNALED(ws) ? WTERMSIG(ws) : 0;
        auto text = [this](const char *name) {
            auto b = slurp(dir / name);
            return std::string(b.begin(), b.end());
        };
        r.out = text("stdout");
        r.err = text("stderr");
        return r;
    }

    Outcome run(std::vector<std::string> args, const char *tool = SNAPSHOT_TOOL)
    {
        return finish(start(args, tool));
    }

    // The names in dir, sorted.
    std::vector<std::string> leftInDir()
    {
        std::vector<std::string> left;
        for (auto &e : fs::directory_iterator(dir))
            left.push_back(e.path().filename());
        std::sort(left.begin(), left.end());
        return left;
    }

    Picture snapshot(std::vector<std::string> args, const char *file)
    {
        args.push_back((dir / file).string());
        Outcome r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        return decode(dir / file);
    }
};

TEST_F(Snapshot, FirstFrameIsTheRenderersInEveryFormat)
{
    // Frame 0 before any pointer event: the bouncer at its start, the
    // orbiter at 0 degrees, the pointer blob still in the corner.
    auto want = rendered(firstFrame);
    expectFrame(snapshot({}, "f0.png"), want, "PNG");
    expectFrame(snapshot({"--frame", "0"}, "f0.BMP"), want, "BMP");
    expectFrame(snapshot({"--frames", "1"}, "f0.gif"), want, "GIF");

    // A pointer move taken before frame 0 already places its blob there.
    BlobPosition moved[6];
    memcpy(moved, firstFrame, sizeof moved);
    moved[5] = {123, 234};
    expectFrame(snapshot({"--pointer", "123,234"}, "p.png"), rendered(moved), "pointer at 123,234");
}

TEST_F(Snapshot, LaterFrameCarriesTheMotionAndTheClamp)
{
    // Frame 400: the orbit has wrapped to 40 degrees, (339, 230); the
    // bouncer, periodic in 43 frames from frame 1, is where it is on frame
    // 13, y = 151; a pointer beyond the window stops at its last pixel.
    const BlobPosition want[6] = {{0, 150}, {120, 150}, {220, 150}, {30, 151}, {339, 230}, {399, 299}};
    expectFrame(snapshot({"--frame", "400", "--pointer", "450,350"}, "f400.png"), rendered(want), "frame 400");
}

TEST_F(Snapshot, AnimationIsTheRunFrameByFrame)
{
    // Across the bouncer's return to its start (frame 43 is frame 0's), and
    // with the pointer clamped, against a run stepped here one frame at a time.
    SteppedRun demo(450, 350);
    std::vector<std::vector<uint8_t>> want;
    while (demo.run.frameCount <= 45) {
        demo.step();
        if (demo.run.frameCount > 40)
            want.push_back(rendered(pallerot));
    }
    Picture pic = snapshot({"--frame", "40", "--frames", "6", "--pointer", "450,350"}, "run.gif");
    expectFrames(pic, want, "frames 40 to 45");
    EXPECT_EQ(pic.delays, std::vector<int>(6, 2));
    // From the last frame of the 32-bit count on, across its wrap.
    EXPECT_EQ(run({"--frame", "4294967295", "--frames", "2", (dir / "edge.gif").string()}).status, 0);
}

TEST_F(Snapshot, ReadmePicturesAreTheToolsOwn)
{
    Picture committed = decode(SCREENSHOT_FILE);
    Picture fresh = snapshot({"--frame", SCREENSHOT_FRAME, "--pointer", SCREENSHOT_POINTER}, "readme.png");
    ASSERT_EQ(committed.width, 400);
    ASSERT_EQ(committed.height, 300);
    EXPECT_TRUE(committed.frames == fresh.frames)
        << "docs/screenshot.png is not frame " SCREENSHOT_FRAME " with the pointer at " SCREENSHOT_POINTER
           "; redraw it with: cmake --build <build dir> --target screenshot";

    committed = decode(ANIMATION_FILE);
    fresh = snapshot({"--frame", ANIMATION_FRAME, "--frames", ANIMATION_FRAMES, "--pointer", ANIMATION_POINTER},
                     "readme.gif");
    EXPECT_TRUE(committed.frames == fresh.frames && committed.delays == fresh.delays)
        << "docs/animation.gif is not " ANIMATION_FRAMES " frames from " ANIMATION_FRAME " with the pointer at "
           ANIMATION_POINTER "; redraw it with: cmake --build <build dir> --target animation";
    EXPECT_LT(fs::file_size(ANIMATION_FILE), 1500000u);
}

TEST_F(Snapshot, BadArgumentsGiveUsageAndNoFile)
{
    // One mistake for each tool, run as a user runs it: the reader's whole
    // table of lines is options_test.cpp's. Said with the usage, status 2,
    // nothing on stdout and no file.
    fs::current_path(dir);
    Outcome r = run({"--frames", "2", "out.png"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, std::string("snapshot: more than one frame needs a .gif file: out.png\n") + snapshotUsage);
    EXPECT_EQ(r.out, "");
    r = run({"--wait", "+7", "out.png"}, WINDOWSHOT_TOOL);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, std::string("windowshot: --wait takes a whole number from 0 to 3600: +7\n") + windowshotUsage);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(leftInDir(), (std::vector<std::string>{"stderr", "stdout"}));

    // A line it takes gets windowshot as far as the display, which there is none of.
    r = run({"--wait", "0007", "out.png"}, WINDOWSHOT_TOOL);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "windowshot: cannot open display (DISPLAY is not set)\n");
}

TEST_F(Snapshot, UnwritableFileIsAnErrorAndLeavesNoFile)
{
    fs::create_directory(dir / "isdir.png");
    for (fs::path target : {dir / "no-such-dir" / "x.png", dir / "no-such-dir" / "x.bmp", dir / "isdir.png"}) {
        Outcome r = run({target.string()});
        EXPECT_EQ(r.status, 1) << target;
        EXPECT_NE(r.err.find("cannot write " + target.string() + ": "), std::string::npos) << target << ": " << r.err;
    }

    // The file-size limit is reached half way through an animation, with
    // SIGXFSZ ignored (the write fails) and at its default (the signal comes
    // instead): either way the picture that was there stays as it was, and
    // nothing else is left behind.
    fs::path full = dir / "full.gif";
    std::ofstream(full) << "old";
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    const std::vector<std::string> onlyOld = {"full.gif", "isdir.png", "stderr", "stdout"};
    rlimit was;
    getrlimit(RLIMIT_FSIZE, &was);
    rlimit small = was;
    small.rlim_cur = 200000;
    for (auto disposition : {SIG_IGN, SIG_DFL}) {
        signal(SIGXFSZ, disposition);
        setrlimit(RLIMIT_FSIZE, &small);
        Outcome r = run({"--frames", "43", full.string()});
        setrlimit(RLIMIT_FSIZE, &was);
        signal(SIGXFSZ, SIG_DFL);
        EXPECT_EQ(r.status, 1) << "signal " << r.signal;
        EXPECT_EQ(r.err, "snapshot: cannot write " + full.string() + ": File too large\n");
        EXPECT_EQ(slurp(full), old);
        EXPECT_EQ(leftInDir(), onlyOld);
    }

    // Interrupted once the animation is being written: it ends by the same
    // signal, says so, and takes its temporary file with it.
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        pid_t pid = start({"--frames", "1000", full.string()});
        ASSERT_GT(pid, 0);
        bool writing = false;
        while (!writing && waitpid(pid, nullptr, WNOHANG) == 0) {
            for (const auto &name : leftInDir())
                writing = writing || (name.rfind("full.gif.", 0) == 0 && fs::file_size(dir / name) > 0);
            usleep(1000);
        }
        kill(pid, sig);
        Outcome r = finish(pid);
        EXPECT_EQ(r.signal, sig) << "status " << r.status;
        EXPECT_EQ(r.err, "snapshot: cannot write " + full.string() + ": interrupted by SIG" + sigabbrev_np(sig) + "\n")
            << sigabbrev_np(sig);
        EXPECT_EQ(slurp(full), old);
        EXPECT_EQ(leftInDir(), onlyOld) << sigabbrev_np(sig);
    }
}

TEST(PngWriter, RoundTripsGreyAndRgbWithPaddedRows)
{
    // Odd sizes and rows longer than the picture, flat runs, ramps and noise.
    for (int channels : {1, 3}) {
        const int w = 37, h = 23;
        const size_t pitch = w * channels + 5;
        std::vector<uint8_t> src(pitch * h, 0xEE);
        uint32_t seed = 12345;
        for (int y = 0; y < h; y++)
            for (int i = 0; i < w * channels; i++) {
                seed = seed * 1103515245 + 12345;
                src[y * pitch + i] = y < 8 ? 200 : y < 16 ? (uint8_t)(i * 3 + y) : (uint8_t)(seed >> 16);
            }
        char *buf = nullptr;
        size_t len = 0;
        FILE *mem = open_memstream(&buf, &len);
        ASSERT_TRUE(writePng(mem, src.data(), w, h, pitch, channels));
        fclose(mem);
        std::vector<uint8_t> file(buf, buf + len);
        free(buf);
        std::string why;
        Picture pic = decodePng(file, &why);
        ASSERT_EQ(why, "") << channels << " channels";
        ASSERT_EQ(pic.width, w);
        ASSERT_EQ(pic.height, h);
        ASSERT_EQ(pic.channels, channels);
        for (int y = 0; y < h; y++)
            ASSERT_EQ(memcmp(&pic.frames[0][y * w * channels], &src[y * pitch], w * channels), 0)
                << channels << " channels, row " << y;
    }
}

} // namespace
