#include "tools/png.h"

#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include <vector>

namespace {

void putBE32(std::vector<uint8_t> &v, uint32_t n)
{
    v.push_back(n >> 24);
    v.push_back(n >> 16);
    v.push_back(n >> 8);
    v.push_back(n);
}

void chunk(FILE *out, const char type[4], const uint8_t *data, size_t len)
{
    std::vector<uint8_t> head;
    putBE32(head, (uint32_t)len);
    head.insert(head.end(), type, type + 4);
    // The CRC covers the type and the data, not the length.
    uLong crc = crc32(0, (const Bytef *)type, 4);
    if (len > 0)
        crc = crc32(crc, data, (uInt)len);
    std::vector<uint8_t> tail;
    putBE32(tail, (uint32_t)crc);
    fwrite(head.data(), 1, head.size(), out);
    if (len > 0)
        fwrite(data, 1, len, out);
    fwrite(tail.data(), 1, tail.size(), out);
}

int paeth(int a, int b, int c)
{
    int p = a + b - c;
    int pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

// One filtered row: filter type byte, then the row. Of the five filters the
// one with the smallest sum of bytes taken as signed wins, the usual cheap
// guess at what deflate packs best; on soft gradients it is mostly Up or Paeth.
void filterRow(const uint8_t *row, const uint8_t *prev, size_t len, int bpp, std::vector<uint8_t> trial[5],
               std::vector<uint8_t> &out)
{
    long best = -1;
    int bestType = 0;
    for (int type = 0; type < 5; type++) {
        std::vector<uint8_t> &t = trial[type];
        t.resize(len);
        long cost = 0;
        for (size_t i = 0; i < len; i++) {
            int a = i >= (size_t)bpp ? row[i - bpp] : 0;
            int b = prev ? prev[i] : 0;
            int c = prev && i >= (size_t)bpp ? prev[i - bpp] : 0;
            int pred = type == 0 ? 0 : type == 1 ? a : type == 2 ? b : type == 3 ? (a + b) / 2 : paeth(a, b, c);
            t[i] = (uint8_t)(row[i] - pred);
            cost += abs((int8_t)t[i]);
        }
        if (best < 0 || cost < best) {
            best = cost;
            bestType = type;
        }
    }
    out.push_back((uint8_t)bestType);
    out.insert(out.end(), trial[bestType].begin(), trial[bestType].end());
}

} // namespace

bool writePng(FILE *out, const uint8_t *pixels, int width, int height, size_t pitch, int channels)
{
    if (width <= 0 || height <= 0 || (channels != 1 && channels != 3))
        return false;
    size_t rowLen = (size_t)width * channels;

    std::vector<uint8_t> raw;
    raw.reserve((rowLen + 1) * height);
    std::vector<uint8_t> trial[5];
    for (int y = 0; y < height; y++)
        filterRow(pixels + y * pitch, y > 0 ? pixels + (y - 1) * pitch : nullptr, rowLen, channels, trial, raw);

    uLongf packedLen = compressBound(raw.size());
    std::vector<uint8_t> packed(packedLen);
    if (compress2(packed.data(), &packedLen, raw.data(), raw.size(), Z_BEST_COMPRESSION) != Z_OK)
        return false;

    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    fwrite(signature, 1, sizeof signature, out);

    std::vector<uint8_t> ihdr;
    putBE32(ihdr, width);
    putBE32(ihdr, height);
    ihdr.push_back(8);                     // bits per sample
    ihdr.push_back(channels == 1 ? 0 : 2); // colour type: grey or RGB
    ihdr.push_back(0);                     // deflate
    ihdr.push_back(0);                     // adaptive filtering
    ihdr.push_back(0);                     // not interlaced
    chunk(out, "IHDR", ihdr.data(), ihdr.size());
    chunk(out, "IDAT", packed.data(), packedLen);
    chunk(out, "IEND", nullptr, 0);
    return fflush(out) == 0 && !ferror(out);
}
