// LoadPicture in this process, on files written here byte by byte: each kind
// of PNG against its samples scaled by the textbook rule.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "ImageFile.h"
#include "ToolRun.h"

namespace {

void Put16(std::string& out, unsigned value, bool big = true)
{
    out += static_cast<char>(big ? value >> 8 : value);
    out += static_cast<char>(big ? value : value >> 8);
}

void Put32(std::string& out, uint32_t value, bool big = true)
{
    Put16(out, big ? value >> 16 : value & 0xffff, big);
    Put16(out, big ? value & 0xffff : value >> 16, big);
}

std::string Chunk(const std::string& type, const std::string& data)
{
    std::string out;
    Put32(out, static_cast<uint32_t>(data.size()));
    const std::string body = type + data;
    Put32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
    return out.insert(4, body);
}

std::string WriteFile(const std::string& folder, const std::string& name, const std::string& bytes)
{
    std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
    return folder + "/" + name;
}

// A PNG described by its samples, `channels()` a pixel, rows top first.
struct Png {
    std::string name;
    int width, height, depth, colour; // colour type: 0 gray, 2 RGB, 3 palette, 4 gray+alpha, 6 RGBA
    bool interlaced = false;
    std::vector<unsigned> palette = {}; // R, G, B an entry
    std::vector<unsigned> alphas = {}; // tRNS of the palette entries
    int transparent = -1; // tRNS of a gray image
    std::string chunks = {}; // written as they are before the image data
    bool narrowWindow = false; // the zlib header claims a 256-byte window
    std::vector<unsigned> samples = {};

    int channels() const { return colour == 2 ? 3 : colour == 4 ? 2 : colour == 6 ? 4 : 1; }

    // The rows as PNG filters them (filter 0), in the seven passes when interlaced.
    std::string Rows() const
    {
        static const int kPasses[8][4] = { { 0, 0, 1, 1 }, { 0, 0, 8, 8 }, { 4, 0, 8, 8 }, { 0, 4, 4, 8 },
            { 2, 0, 4, 4 }, { 0, 2, 2, 4 }, { 1, 0, 2, 2 }, { 0, 1, 1, 2 } };
        std::string rows;
        for (int p = interlaced ? 1 : 0; p < (interlaced ? 8 : 1); ++p) {
            const int* pass = kPasses[p];
            for (int y = pass[1]; y < height && pass[0] < width; y += pass[3]) {
                rows += '\0';
                unsigned bits = 0, used = 0;
                for (int x = pass[0]; x < width; x += pass[2])
                    for (int c = 0; c < channels(); ++c) {
                        const unsigned v = samples[static_cast<size_t>(y * width + x) * channels() + c];
                        if (depth == 16)
                            Put16(rows, v);
                        else if ((bits = bits << depth | v, used += depth) == 8) {
                            rows += static_cast<char>(bits);
                            bits = used = 0;
                        }
                    }
                if (used)
                    rows += static_cast<char>(bits << (8 - used));
            }
        }
        return rows;
    }

    std::string Encode() const
    {
        std::string header;
        Put32(header, width);
        Put32(header, height);
        header
            += { static_cast<char>(depth), static_cast<char>(colour), 0, 0, static_cast<char>(interlaced) };
        std::string extra;
        for (unsigned v : palette)
            extra += static_cast<char>(v);
        extra = palette.empty() ? "" : Chunk("PLTE", extra);
        std::string trns;
        for (unsigned a : alphas)
            trns += static_cast<char>(a);
        if (transparent >= 0)
            Put16(trns, transparent);
        extra += trns.empty() ? "" : Chunk("tRNS", trns);
        const std::string rows = Rows();
        uLongf size = compressBound(rows.size());
        std::string data(size, '\0');
        compress2(reinterpret_cast<Bytef*>(data.data()), &size, reinterpret_cast<const Bytef*>(rows.data()),
            rows.size(), 9);
        data.resize(size);
        if (narrowWindow) {
            // CINFO 0: a 256-byte window; FCHECK makes the header a multiple of 31 again.
            data[0] = 0x08;
            const unsigned level = static_cast<unsigned char>(data[1]) & 0xc0;
            data[1] = static_cast<char>(level | (31 - (0x08 * 256 + level) % 31) % 31);
        }
        return "\x89PNG\r\n\x1a\n" + Chunk("IHDR", header) + extra + chunks + Chunk("IDAT", data)
            + Chunk("IEND", "");
    }

    // 8-bit RGBA as the file means it: each sample scaled by v * 255 /
    // (2^depth - 1), rounded; palette entries looked up, with their alpha.
    std::vector<unsigned char> Expected() const
    {
        std::vector<unsigned char> rgba;
        const unsigned most = (1u << depth) - 1;
        const auto scale
            = [&](unsigned v) { return static_cast<unsigned char>((v * 255 + most / 2) / most); };
        for (size_t i = 0; i < samples.size(); i += channels()) {
            const unsigned* s = &samples[i];
            if (colour == 3) {
                for (int c = 0; c < 3; ++c)
                    rgba.push_back(static_cast<unsigned char>(palette[s[0] * 3 + c]));
                rgba.push_back(static_cast<unsigned char>(s[0] < alphas.size() ? alphas[s[0]] : 255));
                continue;
            }
            const bool gray = colour == 0 || colour == 4;
            for (int c = 0; c < 3; ++c)
                rgba.push_back(scale(s[gray ? 0 : c]));
            const bool alpha = colour == 4 || colour == 6;
            rgba.push_back(alpha                            ? scale(s[channels() - 1])
                    : static_cast<int>(s[0]) == transparent ? 0
                                                            : 255);
        }
        return rgba;
    }
};

// Samples spread over the whole range of `depth` bits.
std::vector<unsigned> Samples(size_t count, int depth, unsigned seed)
{
    std::vector<unsigned> samples;
    for (size_t i = 0; i < count; ++i) {
        seed = seed * 1103515245 + 12345;
        samples.push_back((seed >> 8) % (1u << depth));
    }
    return samples;
}

std::string Gamma(uint32_t value)
{
    std::string data;
    Put32(data, value);
    return Chunk("gAMA", data);
}

TEST(LoadPicture, PngSamplesComeOutAsStoredScaledToEightBitsWhateverTheKind)
{
    const std::string folder = vxtools::NewFolder("pngkinds");
    std::vector<Png> cases = {
        // 16-bit gray without colour chunks: sRGB by convention, 3 * 257 is level 3.
        { "gray16", 7, 5, 16, 0 },
        // gAMA says linear light; shown as stored all the same.
        { "rgb16-gamma1", 6, 4, 16, 2, false, {}, {}, -1, Gamma(100000) },
        { "rgb8-gamma1", 6, 4, 8, 2, false, {}, {}, -1, Gamma(100000) },
        { "rgba16-interlaced", 13, 11, 16, 6, true },
        { "palette4-trns", 9, 4, 4, 3, false, Samples(48, 8, 7), { 0, 90, 255, 17 } },
        { "gray2", 11, 3, 2, 0 },
        { "graya8-interlaced", 10, 9, 8, 4, true, {}, {}, -1, Gamma(45455) },
        { "gray16-trns", 5, 5, 16, 0, false, {}, {}, 771 },
        // Rows that repeat 601 bytes back, with a header claiming 256.
        { "narrow-window", 200, 4, 8, 2, false, {}, {}, -1, "", true },
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        Png& png = cases[i];
        const size_t count = static_cast<size_t>(png.width) * png.height * png.channels();
        png.samples = Samples(count, png.colour == 3 ? 4 : png.depth, static_cast<unsigned>(i));
        if (png.colour == 3)
            for (unsigned& s : png.samples)
                s %= 16;
        if (png.name == "gray16" || png.name == "gray16-trns")
            png.samples[0] = png.samples[3] = 3 * 257, png.samples[1] = 771;
        if (png.narrowWindow)
            for (size_t j = count / 2; j < count; ++j)
                png.samples[j] = png.samples[j - count / 2];
        Picture picture;
        std::string error;
        ASSERT_TRUE(LoadPicture(WriteFile(folder, png.name + ".png", png.Encode()).c_str(), picture, error))
            << png.name << ": " << error;
        EXPECT_EQ(picture.width, png.width) << png.name;
        EXPECT_EQ(picture.height, png.height) << png.name;
        EXPECT_EQ(picture.rgba, png.Expected()) << png.name;
    }
}

} // namespace
