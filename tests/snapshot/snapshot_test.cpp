// The snapshot tool, run as a user runs it, against frames drawn here from
// layouts written out by hand: the blob positions a run has on that frame,
// not the tool's sequence of calls, so a slip in that sequence (a frame too
// many or too few, the pointer event not where the demo keeps it) shows.
// Its files are read back with a decoder of our own, checksums included.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "field/field.h"
#include "motion/motion.h"
#include "tools/png.h"

extern char **environ;

namespace {

namespace fs = std::filesystem;

struct Picture {
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> pixels; // rows packed, width * channels bytes each
};

std::vector<uint8_t> slurp(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t be32(const uint8_t *p) { return (uint32_t)p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// Just what an 8-bit grey or RGB, non-interlaced PNG needs. Empty on any fault,
// with the reason in *why.
Picture decodePng(const std::vector<uint8_t> &f, std::string *why)
{
    static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Picture pic;
    if (f.size() < 8 || memcmp(f.data(), sig, 8) != 0)
        return *why = "no PNG signature", Picture{};
    std::vector<uint8_t> idat;
    bool ended = false;
    for (size_t at = 8; at < f.size();) {
        if (ended)
            return *why = "bytes after IEND", Picture{};
        if (f.size() - at < 12)
            return *why = "cut-off chunk", Picture{};
        uint32_t len = be32(&f[at]);
        if (f.size() - at - 12 < len)
            return *why = "chunk longer than the file", Picture{};
        std::string type((const char *)&f[at + 4], 4);
        const uint8_t *data = &f[at + 8];
        if (crc32(crc32(0, &f[at + 4], 4), data, len) != be32(data + len))
            return *why = "bad CRC in " + type, Picture{};
        if (type == "IHDR") {
            if (len != 13 || data[8] != 8 || (data[9] != 0 && data[9] != 2) || data[10] || data[11] || data[12])
                return *why = "IHDR not 8-bit grey or RGB, plain", Picture{};
            pic.width = be32(data);
            pic.height = be32(data + 4);
            pic.channels = data[9] == 0 ? 1 : 3;
        } else if (type == "IDAT") {
            idat.insert(idat.end(), data, data + len);
        } else if (type == "IEND") {
            ended = true;
        } else if (!(type[0] & 0x20)) {
            return *why = "unknown critical chunk " + type, Picture{};
        }
        at += 12 + len;
    }
    if (!ended || pic.width <= 0 || pic.height <= 0)
        return *why = "no IHDR or IEND", Picture{};

    size_t row = (size_t)pic.width * pic.channels;
    std::vector<uint8_t> raw((row + 1) * pic.height);
    uLongf rawLen = raw.size();
    if (uncompress(raw.data(), &rawLen, idat.data(), idat.size()) != Z_OK || rawLen != raw.size())
        return *why = "image data does not inflate to its size", Picture{};

    int bpp = pic.channels;
    pic.pixels.resize(row * pic.height);
    for (int y = 0; y < pic.height; y++) {
        uint8_t type = raw[y * (row + 1)];
        const uint8_t *in = &raw[y * (row + 1) + 1];
        uint8_t *out = &pic.pixels[y * row];
        const uint8_t *up = y ? out - row : nullptr;
        for (size_t i = 0; i < row; i++) {
            int a = i >= (size_t)bpp ? out[i - bpp] : 0, b = up ? up[i] : 0;
            int c = up && i >= (size_t)bpp ? up[i - bpp] : 0;
            int p = a + b - c, pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
            int pred;
            switch (type) {
            case 0: pred = 0; break;
            case 1: pred = a; break;
            case 2: pred = b; break;
            case 3: pred = (a + b) / 2; break;
            case 4: pred = pa <= pb && pa <= pc ? a : pb <= pc ? b : c; break;
            default: return *why = "bad filter type on row " + std::to_string(y), Picture{};
            }
            out[i] = (uint8_t)(in[i] + pred);
        }
    }
    return pic;
}

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
            for (int y = 0; y < s->h; y++) {
                const uint8_t *r = (const uint8_t *)s->pixels + y * s->pitch;
                pic.pixels.insert(pic.pixels.end(), r, r + s->w);
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
    bool bmp = strcasecmp(ext.c_str(), ".bmp") == 0;
    Picture pic = bmp ? decodeBmp(p, &why) : decodePng(slurp(p), &why);
    EXPECT_TRUE(why.empty()) << p << ": " << why;
    return pic;
}

// What piirtele draws for these six positions.
std::vector<uint8_t> rendered(const Pallero layout[6])
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

void expectFrame(const Picture &pic, const std::vector<uint8_t> &want, const std::string &what)
{
    ASSERT_EQ(pic.width, 400) << what;
    ASSERT_EQ(pic.height, 300) << what;
    ASSERT_EQ(pic.channels, 1) << what;
    for (int y = 0; y < 300; y++)
        ASSERT_EQ(memcmp(&pic.pixels[y * 400], &want[y * 400], 400), 0) << what << ": row " << y << " differs";
}

struct Outcome {
    int status = -1; // exit status, or -1 if it did not exit normally
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

    Outcome run(std::vector<std::string> args)
    {
        args.insert(args.begin(), SNAPSHOT_TOOL);
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        fs::path out = dir / "stdout", err = dir / "stderr";
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid;
        Outcome r;
        int e = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        EXPECT_EQ(e, 0) << "cannot start " << argv[0] << ": " << strerror(e);
        if (e != 0)
            return r;
        int ws;
        waitpid(pid, &ws, 0);
        r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : -1;
        auto text = [](const fs::path &p) {
            auto b = slurp(p);
            return std::string(b.begin(), b.end());
        };
        r.out = text(out);
        r.err = text(err);
        return r;
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

TEST_F(Snapshot, FirstFrameIsTheRenderersInBothFormats)
{
    // Frame 0 before any pointer event: the bouncer at its start, the
    // orbiter at 0 degrees, the pointer blob still in the corner.
    const Pallero first[6] = {{0, 150}, {120, 150}, {220, 150}, {30, 60}, {250, 211}, {0, 0}};
    auto want = rendered(first);
    expectFrame(snapshot({}, "f0.png"), want, "PNG");
    expectFrame(snapshot({"--frame", "0"}, "f0.BMP"), want, "BMP");

    // A pointer move taken before frame 0 already places its blob there.
    Pallero moved[6] = {{0, 150}, {120, 150}, {220, 150}, {30, 60}, {250, 211}, {123, 234}};
    expectFrame(snapshot({"--pointer", "123,234"}, "p.png"), rendered(moved), "pointer at 123,234");
}

TEST_F(Snapshot, LaterFrameCarriesTheMotionAndTheClamp)
{
    // Frame 400: the orbit has wrapped to 40 degrees, (339, 230); the
    // bouncer, periodic in 43 frames from frame 1, is where it is on frame
    // 13, y = 151; a pointer beyond the window stops at its last pixel.
    const Pallero want[6] = {{0, 150}, {120, 150}, {220, 150}, {30, 151}, {339, 230}, {399, 299}};
    expectFrame(snapshot({"--frame", "400", "--pointer", "450,350"}, "f400.png"), rendered(want), "frame 400");
}

TEST_F(Snapshot, ReadmePictureIsTheToolsOwn)
{
    Picture committed = decode(SCREENSHOT_FILE);
    Picture fresh = snapshot({"--frame", SCREENSHOT_FRAME, "--pointer", SCREENSHOT_POINTER}, "readme.png");
    ASSERT_EQ(committed.width, 400);
    ASSERT_EQ(committed.height, 300);
    EXPECT_TRUE(committed.pixels == fresh.pixels)
        << "docs/screenshot.png is not frame " SCREENSHOT_FRAME " with the pointer at " SCREENSHOT_POINTER
           "; redraw it with: cmake --build <build dir> --target screenshot";
}

TEST_F(Snapshot, BadArgumentsGiveUsageAndNoFile)
{
    const std::vector<std::vector<std::string>> bad = {
        {},                                  // no output
        {"out.jpg"},                         // unknown format
        {"out.png", "other.png"},            // two outputs
        {"--frame"},                         // missing value
        {"--frame", "-1", "out.png"},        // negative
        {"--frame", "4294967296", "out.png"}, // past the 32-bit count
        {"--frame", "12x", "out.png"},
        {"--pointer", "5", "out.png"},       // no comma
        {"--pointer", "5,", "out.png"},
        {"--pointer", "5,65536", "out.png"}, // past an event's 16 bits
        {"--pointer", "-5,5", "out.png"},
        {"--scale", "2", "out.png"},         // unknown option
    };
    fs::current_path(dir);
    for (const auto &args : bad) {
        std::string shown;
        for (auto &a : args)
            shown += " [" + a + "]";
        Outcome r = run(args);
        EXPECT_EQ(r.status, 2) << shown;
        EXPECT_NE(r.err.find("usage: snapshot"), std::string::npos) << shown << "\n" << r.err;
        EXPECT_EQ(r.out, "") << shown;
        EXPECT_FALSE(fs::exists(dir / "out.png") || fs::exists(dir / "out.jpg")) << shown;
    }
    // The ends of the ranges are taken.
    EXPECT_EQ(run({"--pointer", "65535,0", "edge.bmp"}).status, 0);
    EXPECT_EQ(run({"--help"}).status, 0);
}

TEST_F(Snapshot, UnwritableFileIsAnError)
{
    for (fs::path target : {dir / "no-such-dir" / "x.png", dir / "no-such-dir" / "x.bmp", dir / "isdir.png"}) {
        if (target.filename() == "isdir.png")
            fs::create_directory(target);
        Outcome r = run({target.string()});
        EXPECT_EQ(r.status, 1) << target;
        EXPECT_NE(r.err.find("cannot write " + target.string() + ": "), std::string::npos) << target << ": " << r.err;
    }
}

TEST(PngWriter, RoundTripsGreyAndRgbWithPaddedRows)
{
    // Odd sizes and rows longer than the picture; content mixing flat runs,
    // ramps and noise so every filter gets chosen somewhere.
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
            ASSERT_EQ(memcmp(&pic.pixels[y * w * channels], &src[y * pitch], w * channels), 0)
                << channels << " channels, row " << y;
    }
}

} // namespace
