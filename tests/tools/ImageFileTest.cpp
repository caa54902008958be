// LoadPicture in this process, on files written here byte by byte: each kind
// of PNG against its samples scaled by the textbook rule, EXIF orientations
// against the corner table of the EXIF definition, CMYK JPEGs against the ink
// formula, and files that claim more than they hold against the largest
// allocation made while refusing them.
#include <atomic>
#include <cstdint>
#include <fstream>
#include <new>
#include <string>
#include <tuple>
#include <vector>

#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <turbojpeg.h>
#include <zlib.h>

#include "ImageFile.h"
#include "ToolRun.h"

namespace {
std::atomic<bool> watching { false };
std::atomic<size_t> largest { 0 };

// Notes the largest request while watching, then hands it to the allocator
// that would have served it.
void* Allocate(const char* symbol, std::size_t size)
{
    if (watching)
        for (size_t seen = largest; size > seen && !largest.compare_exchange_weak(seen, size);) { }
    return reinterpret_cast<void* (*)(std::size_t)>(dlsym(RTLD_NEXT, symbol))(size);
}
} // namespace

void* operator new(std::size_t size)
{
    return Allocate("_Znwm", size);
}

void* operator new[](std::size_t size)
{
    return Allocate("_Znam", size);
}

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

// Where each orientation puts the stored picture's top-left pixel, the other
// end of its top row and the other end of its left column, as the EXIF
// definition says it in words ("the 0th row is the visual right-hand side
// of the image, and the 0th column is the visual top", for 6).
enum Corner { kTopLeft, kTopRight, kBottomRight, kBottomLeft };
const Corner kCorners[9][3]
    = { {}, { kTopLeft, kTopRight, kBottomLeft }, { kTopRight, kTopLeft, kBottomRight },
          { kBottomRight, kBottomLeft, kTopRight }, { kBottomLeft, kBottomRight, kTopLeft },
          { kTopLeft, kBottomLeft, kTopRight }, { kTopRight, kBottomRight, kTopLeft },
          { kBottomRight, kTopRight, kBottomLeft }, { kBottomLeft, kTopLeft, kBottomRight } };

// `stored` as orientation `o` shows it: each pixel placed between the corners
// the table gives.
Picture Shown(const Picture& stored, int o)
{
    Picture shown { o >= 5 ? stored.height : stored.width, o >= 5 ? stored.width : stored.height,
        std::vector<unsigned char>(stored.rgba.size()) };
    int x[3], y[3];
    for (int i = 0; i < 3; ++i) {
        x[i] = kCorners[o][i] == kTopRight || kCorners[o][i] == kBottomRight ? shown.width - 1 : 0;
        y[i] = kCorners[o][i] == kBottomLeft || kCorners[o][i] == kBottomRight ? shown.height - 1 : 0;
    }
    for (int row = 0; row < stored.height; ++row)
        for (int column = 0; column < stored.width; ++column) {
            const int across = x[0] + (x[1] - x[0]) * column / (stored.width - 1)
                + (x[2] - x[0]) * row / (stored.height - 1);
            const int down = y[0] + (y[1] - y[0]) * column / (stored.width - 1)
                + (y[2] - y[0]) * row / (stored.height - 1);
            for (int c = 0; c < 4; ++c)
                shown.rgba[(static_cast<size_t>(down) * shown.width + across) * 4 + c]
                    = stored.rgba[(static_cast<size_t>(row) * stored.width + column) * 4 + c];
        }
    return shown;
}

// An EXIF block, a TIFF structure in either byte order: two entries, the
// second the orientation (type SHORT, one value), then the end of the IFD.
std::string Exif(bool big, unsigned orientation, unsigned type = 3, uint32_t count = 1, uint32_t ifd = 8)
{
    std::string tiff = big ? "MM" : "II";
    Put16(tiff, 42, big);
    Put32(tiff, ifd, big);
    Put16(tiff, 2, big);
    for (const unsigned tag : { 0x011au, 0x0112u }) {
        Put16(tiff, tag, big);
        Put16(tiff, tag == 0x0112 ? type : 5, big);
        Put32(tiff, tag == 0x0112 ? count : 1, big);
        Put16(tiff, tag == 0x0112 ? orientation : 38, big);
        Put16(tiff, 0, big);
    }
    Put32(tiff, 0, big);
    return tiff;
}

std::string JpegWithExif(const std::string& jpeg, const std::string& exif)
{
    std::string segment = "\xff\xe1";
    Put16(segment, static_cast<unsigned>(exif.size() + 8));
    return jpeg.substr(0, 2) + segment + std::string("Exif\0\0", 6) + exif + jpeg.substr(2);
}

std::string Jpeg(const std::vector<unsigned char>& pixels, int width, int height, int format)
{
    tjhandle encoder = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    EXPECT_EQ(
        tjCompress2(encoder, pixels.data(), width, 0, height, format, &jpeg, &size, TJSAMP_444, 95, 0), 0);
    const std::string bytes(reinterpret_cast<char*>(jpeg), size);
    tjFree(jpeg);
    tjDestroy(encoder);
    return bytes;
}

TEST(LoadPicture, ExifOrientationTurnsJpegsAndPngsUprightAndDamagedExifIsIgnored)
{
    const std::string folder = vxtools::NewFolder("orient");
    Png png { "plain", 7, 4, 8, 2 };
    png.samples = Samples(7 * 4 * 3, 8, 99);
    std::vector<unsigned char> rgb(png.samples.begin(), png.samples.end());
    const std::string jpeg = Jpeg(rgb, 7, 4, TJPF_RGB);
    // The JPEG's own decoding, as stored, is what its turned copies must show.
    Picture jpegStored;
    std::string error;
    ASSERT_TRUE(LoadPicture(WriteFile(folder, "plain.jpg", jpeg).c_str(), jpegStored, error)) << error;
    const Picture pngStored { 7, 4, png.Expected() };

    const auto check = [&](const std::string& name, const std::string& exif, int shownAs) {
        png.chunks = Chunk("eXIf", exif);
        for (const auto& [file, stored] :
            { std::pair { WriteFile(folder, name + ".png", png.Encode()), pngStored },
                std::pair { WriteFile(folder, name + ".jpg", JpegWithExif(jpeg, exif)), jpegStored } }) {
            Picture picture;
            ASSERT_TRUE(LoadPicture(file.c_str(), picture, error)) << file << ": " << error;
            const Picture expected = Shown(stored, shownAs);
            EXPECT_EQ(picture.width, expected.width) << file;
            EXPECT_EQ(picture.rgba, expected.rgba) << file;
        }
    };
    for (int o = 1; o <= 8; ++o) {
        check("big" + std::to_string(o), Exif(true, o), o);
        check("little" + std::to_string(o), Exif(false, o), o);
    }
    // Damaged blocks: each shown as stored, nothing read past its end.
    const std::string whole = Exif(true, 6);
    check("value9", Exif(false, 9), 1);
    check("ascii", Exif(true, 6, 2), 1);
    check("two-values", Exif(false, 6, 3, 2), 1);
    check("ifd-past-end", Exif(true, 6, 3, 1, 0xfffffff0u), 1);
    check("ifd-at-end", Exif(false, 6, 3, 1, static_cast<uint32_t>(whole.size()) - 1), 1);
    check("entry-cut", whole.substr(0, whole.size() - 8), 1);
    check("header-only", whole.substr(0, 4), 1);
    check("no-byte-order", "XX" + whole.substr(2), 1);
    check("many-entries", whole.substr(0, 8) + "\xff\xff" + whole.substr(10, 12), 1);
}

TEST(LoadPicture, CmykJpegsComeOutAsRgbByTheInkFormula)
{
    const std::string folder = vxtools::NewFolder("cmyk");
    std::vector<unsigned char> cmyk;
    for (int i = 0; i < 24 * 16; ++i)
        for (int c = 0; c < 4; ++c)
            cmyk.push_back(static_cast<unsigned char>((i * (37 + 20 * c) + 60 * c) % 256));
    // TurboJPEG writes CMYK as YCCK with an Adobe marker: inverted CMYK.
    const std::string adobe = Jpeg(cmyk, 24, 16, TJPF_CMYK);
    // Without the marker libjpeg takes the same four planes for plain CMYK.
    const size_t marker = adobe.find("\xff\xee");
    ASSERT_NE(marker, std::string::npos);
    const size_t length = static_cast<unsigned char>(adobe[marker + 2]) * 256u
        + static_cast<unsigned char>(adobe[marker + 3]);
    const std::string plain = adobe.substr(0, marker) + adobe.substr(marker + 2 + length);
    for (const auto& [name, bytes, inverted] : std::vector<std::tuple<std::string, std::string, bool>> {
             { "adobe.jpg", adobe, true }, { "plain.jpg", plain, false } }) {
        // The samples as stored in the file, decoded here.
        std::vector<unsigned char> stored(24 * 16 * 4);
        tjhandle decoder = tjInitDecompress();
        ASSERT_EQ(tjDecompress2(decoder, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                      stored.data(), 24, 0, 16, TJPF_CMYK, 0),
            0);
        tjDestroy(decoder);
        Picture picture;
        std::string error;
        ASSERT_TRUE(LoadPicture(WriteFile(folder, name, bytes).c_str(), picture, error))
            << name << ": " << error;
        ASSERT_EQ(picture.rgba.size(), stored.size());
        double worst = 0;
        for (size_t i = 0; i < stored.size(); i += 4) {
            const int black = inverted ? stored[i + 3] : 255 - stored[i + 3];
            for (int c = 0; c < 3; ++c) {
                const int ink = inverted ? stored[i + c] : 255 - stored[i + c];
                worst = std::max(worst, std::abs(picture.rgba[i + c] - ink * black / 255.0));
            }
            EXPECT_EQ(picture.rgba[i + 3], 255);
        }
        EXPECT_LE(worst, 1) << name;
    }
}

TEST(LoadPicture, RefusesFilesThatClaimMoreThanTheyHoldBeforeAllocatingThePixels)
{
    const std::string folder = vxtools::NewFolder("claims");
    std::string claim8k;
    {
        Png small { "small", 16, 8, 8, 0 };
        small.samples.assign(16 * 8, 0);
        claim8k = small.Encode();
        // IHDR's width and height, and the chunk's CRC to match.
        std::string header;
        Put32(header, 16384);
        Put32(header, 8192);
        const std::string ihdr = Chunk("IHDR", header + claim8k.substr(24, 5));
        claim8k.replace(8, ihdr.size(), ihdr);
    }
    std::string claim16k = claim8k;
    claim16k.replace(8, 25, Chunk("IHDR", std::string("\0\0\x40\0\0\0\x40\0\x08\0\0\0\0", 13)));
    // A JPEG of 16 × 8 pixels whose frame header claims 16384 × 8192.
    std::string jpeg = Jpeg(std::vector<unsigned char>(16 * 8 * 3, 128), 16, 8, TJPF_RGB);
    const size_t frame = jpeg.find("\xff\xc0");
    ASSERT_NE(frame, std::string::npos);
    jpeg.replace(frame + 5, 4, std::string("\x20\x00\x40\x00", 4));
    std::string jpeg16k = jpeg;
    jpeg16k.replace(frame + 5, 4, std::string("\x40\x00\x40\x00", 4));
    const std::string big = folder + "/big.png";
    WriteFile(folder, "big.png", "\x89PNG\r\n\x1a\n");
    ASSERT_EQ(truncate(big.c_str(), kMaxFileBytes + 1), 0);

    const size_t data = claim8k.find("IDAT") - 4;
    const int dataBytes
        = static_cast<unsigned char>(claim8k[data + 2]) * 256 + static_cast<unsigned char>(claim8k[data + 3]);
    const std::vector<std::pair<std::string, std::string>> cases = {
        { WriteFile(folder, "claim8k.png", claim8k),
            "bad PNG: " + std::to_string(dataBytes)
                + " bytes of image data cannot hold 16384x8192 pixels (the file is cut short)" },
        { WriteFile(folder, "claim16k.png", claim16k),
            "image of 16384x16384 pixels is over the limit of 134217728 pixels (128 Mi)" },
        { WriteFile(folder, "claim8k.jpg", jpeg),
            "bad JPEG: Corrupt JPEG data: premature end of data segment" },
        { WriteFile(folder, "claim16k.jpg", jpeg16k),
            "image of 16384x16384 pixels is over the limit of 134217728 pixels (128 Mi)" },
        { big, "file of 268435457 bytes is over the limit of 268435456 bytes (256 MiB)" },
    };
    // A picture loaded before stays as it was through every refusal.
    Picture picture;
    std::string error;
    ASSERT_TRUE(LoadPicture(
        WriteFile(folder, "ok.jpg", Jpeg(std::vector<unsigned char>(16 * 8 * 3, 9), 16, 8, TJPF_RGB)).c_str(),
        picture, error));
    const Picture before = picture;
    for (const auto& [path, message] : cases) {
        largest = 0;
        watching = true;
        const bool loaded = LoadPicture(path.c_str(), picture, error);
        watching = false;
        EXPECT_FALSE(loaded) << path;
        EXPECT_EQ(error, message) << path;
        // The one-eighth-scale check of a JPEG takes 8 MiB at most.
        EXPECT_LE(largest, 8u << 20) << path;
        EXPECT_EQ(picture.rgba, before.rgba) << path;
    }
}

} // namespace
