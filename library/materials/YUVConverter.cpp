#include "materials/YUVConverter.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <Pixkit.h>

#include "core/Print.h"
#include "materials/FrameLayout.h"
#include "materials/ImageFormat.h"

namespace {
// Bytes of one BGRA pixel.
constexpr int kPixelBytes = 4;
// What every byte of a new buffer holds until a conversion writes it.
constexpr int kUnwrittenByte = 128;
} // namespace

YUVConverter::YUVConverter() = default;

YUVConverter::~YUVConverter()
{
    Release();
}

bool YUVConverter::Configure(int w, int h, int code)
{
    // The buffer's bytes, rowBytes × height, must fit an int: the texture
    // takes the row length as one, and GL counts the bytes it reads in one.
    if (w < 0 || h < 0 || static_cast<long long>(w) * h * kPixelBytes > INT_MAX) {
        varnox::Print(varnox::Kind::Refusal, "YUVConverter: Configure refused the size %d x %d\n", w, h);
        return false;
    }
    // Reconfiguring without a Release in between would lose the old buffer.
    Release();
    width = w;
    rowBytes = w * kPixelBytes;
    height = h;
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    buffer = new int[pixels];
    std::memset(buffer, kUnwrittenByte, pixels * sizeof(int));

    if (code != format) {
        format = code;
        if (code == varnox::format::kYUV420) {
            convert = YUV4202BGRA;
            ready = true;
        } else if (code == varnox::format::kYUV422) {
            convert = YUV4222BGRA;
            ready = true;
        } else {
            ready = false;
        }
    }
    return true;
}

int* YUVConverter::Convert(unsigned char* source)
{
    if (!ready || !buffer || !source)
        return nullptr;
    convert(source, buffer, width, height);
    return buffer;
}

void YUVConverter::Release()
{
    delete[] buffer;
    buffer = nullptr;
    delete[] scratch;
    scratch = nullptr;
    delete[] expanded;
    expanded = nullptr;
    frameLayout = -1;
}

// The library's layout, matrix and range codes are the conversion's.
static_assert(int(ImageObject::I420) == kPixI420 && int(ImageObject::YV12) == kPixYV12
        && int(ImageObject::I422) == kPixI422 && int(ImageObject::I444) == kPixI444
        && int(ImageObject::NV12) == kPixNV12 && int(ImageObject::NV21) == kPixNV21
        && int(ImageObject::YUY2) == kPixYUY2 && int(ImageObject::UYVY) == kPixUYVY
        && int(ImageObject::I400) == kPixI400 && int(ImageObject::I010) == kPixI010
        && int(ImageObject::P010) == kPixP010 && int(ImageObject::I210) == kPixI210
        && int(ImageObject::I410) == kPixI410,
    "frame layouts differ");
static_assert(int(ImageObject::BT601) == kPixBT601 && int(ImageObject::BT709) == kPixBT709
        && int(ImageObject::BT2020) == kPixBT2020 && int(ImageObject::limitedRange) == kPixLimited
        && int(ImageObject::fullRange) == kPixFull,
    "frame matrices or ranges differ");

bool YUVConverter::ConfigureFrame(int w, int h, int layout)
{
    if (buffer && frameLayout == layout && width == w && height == h)
        return true;
    if (w < 0 || h < 0 || static_cast<long long>(w) * h * kPixelBytes > INT_MAX) {
        varnox::Print(varnox::Kind::Refusal, "YUVConverter: ConfigureFrame refused the size %d x %d\n", w, h);
        return false;
    }
    Release();
    width = w;
    height = h;
    rowBytes = w * kPixelBytes;
    buffer = new int[static_cast<size_t>(w) * static_cast<size_t>(h)];
    const long long scratchBytes = FrameScratchBytes(layout, w, h);
    if (scratchBytes > 0)
        scratch = new unsigned char[static_cast<size_t>(scratchBytes)];
    frameLayout = layout;
    // The code-driven conversion no longer matches the buffer.
    format = 0;
    ready = false;
    convert = nullptr;
    return true;
}

namespace {

// Limited-range codes stretched to full range, rounded and clamped: luma
// 16..235 (10-bit 64..940) onto 0..255 (0..1023), chroma 16..240 (64..960)
// about its middle 128 (512). An 8-bit code v becomes
// ((v - from) * scale + 8192) / 16384 + to, with the scale in 1/16384 steps:
// 255/219 and 255/224 that way round every code as the exact quotient does.
struct RangeStretch {
    int from, scale, to;
};
constexpr RangeStretch kLumaStretch { 16, 19077, 0 };
constexpr RangeStretch kChromaStretch { 128, 18651, 128 };

// 10-bit codes, by table.
struct RangeTables10 {
    uint16_t luma[1024], chroma[1024];

    static uint16_t Stretch(int value, double from, double to, double scale)
    {
        const double stretched = (value - from) * scale + to + 0.5;
        return static_cast<uint16_t>(stretched < 0 ? 0 : stretched > 1023 ? 1023 : stretched);
    }
    RangeTables10()
    {
        for (int v = 0; v < 1024; ++v) {
            luma[v] = Stretch(v, 64, 0, 1023.0 / 876);
            chroma[v] = Stretch(v, 512, 512, 1023.0 / 896);
        }
    }
};

// Stretches a row of `count` 8-bit samples, those at even offsets by `even`
// and those at odd offsets by `odd` (a planar row has one kind of sample; a
// packed 4:2:2 row alternates luma and chroma). Sixteen samples a step where
// the processor has SSE2: a full-HD frame takes well under a millisecond,
// where a table lookup a sample took several.
void StretchRow(
    const unsigned char* in, unsigned char* out, int count, const RangeStretch& even, const RangeStretch& odd)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i from = _mm_setr_epi16(static_cast<short>(even.from), static_cast<short>(odd.from),
        static_cast<short>(even.from), static_cast<short>(odd.from), static_cast<short>(even.from),
        static_cast<short>(odd.from), static_cast<short>(even.from), static_cast<short>(odd.from));
    // Pairs (scale, 8192) for _mm_madd_epi16 against pairs (v - from, 1).
    const __m128i scaleAndHalf
        = _mm_setr_epi16(static_cast<short>(even.scale), 8192, static_cast<short>(odd.scale), 8192,
            static_cast<short>(even.scale), 8192, static_cast<short>(odd.scale), 8192);
    const __m128i to = _mm_setr_epi16(static_cast<short>(even.to), static_cast<short>(odd.to),
        static_cast<short>(even.to), static_cast<short>(odd.to), static_cast<short>(even.to),
        static_cast<short>(odd.to), static_cast<short>(even.to), static_cast<short>(odd.to));
    const __m128i one = _mm_set1_epi16(1);
    const __m128i zero = _mm_setzero_si128();
    const auto stretch8 = [&](__m128i samples) {
        const __m128i centred = _mm_sub_epi16(samples, from);
        const __m128i low
            = _mm_srai_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(centred, one), scaleAndHalf), 14);
        const __m128i high
            = _mm_srai_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(centred, one), scaleAndHalf), 14);
        return _mm_adds_epi16(_mm_packs_epi32(low, high), to);
    };
    for (; x + 16 <= count; x += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        const __m128i low = stretch8(_mm_unpacklo_epi8(bytes, zero));
        const __m128i high = stretch8(_mm_unpackhi_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(low, high));
    }
#endif
    for (; x < count; ++x) {
        const RangeStretch& s = x % 2 == 0 ? even : odd;
        const int scaled = (in[x] - s.from) * s.scale + 8192;
        // Rounded down, negative quotients too, as the shift above does.
        const int value = (scaled >= 0 ? scaled : scaled - 16383) / 16384 + s.to;
        out[x] = static_cast<unsigned char>(std::clamp(value, 0, 255));
    }
}

// Whether a frame of 10-bit samples in the low bits of their words holds a
// sample above 1023, which the conversion would wrap round instead of
// clamping. Reads each plane once, without a branch a sample.
bool AnyAbove1023(const ImageObject::Frame& frame, const varnox::FrameShape& shape)
{
    if (shape.bytesPerSample != 2 || frame.layout == ImageObject::P010)
        return false;
    uint16_t high = 0;
    for (int i = 0; i < shape.planes; ++i) {
        const varnox::PlaneShape& plane = shape.plane[i];
        const long long stride = varnox::StrideOf(frame, shape, i);
        const unsigned char* in = static_cast<const unsigned char*>(frame.planes[i]);
        const size_t samples = static_cast<size_t>(plane.rowBytes / 2);
        for (int row = 0; row < plane.rows; ++row, in += stride) {
            const uint16_t* words = reinterpret_cast<const uint16_t*>(in);
            for (size_t x = 0; x < samples; ++x)
                high |= words[x];
        }
    }
    return (high & 0xFC00) != 0;
}

// Copies each plane of `frame` into `out` (packed rows, plane after plane),
// 10-bit samples above 1023 taken as 1023, and with `stretch` stretched from
// limited to full range; points `pix` at the copies.
void CopyPlanes(const ImageObject::Frame& frame, const varnox::FrameShape& shape, bool stretch,
    unsigned char* out, PixkitFrame& pix)
{
    static const RangeTables10 tables10;
    const bool words = shape.bytesPerSample == 2;
    const int shift = frame.layout == ImageObject::P010 ? 6 : 0;
    for (int i = 0; i < shape.planes; ++i) {
        const varnox::PlaneShape& plane = shape.plane[i];
        const long long stride = varnox::StrideOf(frame, shape, i);
        const int samples = static_cast<int>(plane.rowBytes / shape.bytesPerSample);
        const unsigned char* in = static_cast<const unsigned char*>(frame.planes[i]);
        pix.planes[i] = out;
        pix.strides[i] = static_cast<int>(plane.rowBytes);
        // Which samples are luma: the first plane's, or every other byte of
        // the packed 4:2:2 layouts.
        const RangeStretch& even
            = frame.layout == ImageObject::UYVY || (i > 0 && frame.layout != ImageObject::YUY2)
            ? kChromaStretch
            : kLumaStretch;
        const RangeStretch& odd = frame.layout == ImageObject::YUY2 || i > 0 ? kChromaStretch : kLumaStretch;
        const uint16_t* table10 = i == 0 ? tables10.luma : tables10.chroma;
        for (int row = 0; row < plane.rows; ++row, in += stride, out += plane.rowBytes) {
            if (!words) {
                if (stretch)
                    StretchRow(in, out, samples, even, odd);
                else
                    std::memcpy(out, in, static_cast<size_t>(plane.rowBytes));
                continue;
            }
            for (int x = 0; x < samples; ++x) {
                uint16_t value;
                std::memcpy(&value, in + 2 * x, 2);
                value = static_cast<uint16_t>(std::min(value >> shift, 1023));
                if (stretch)
                    value = table10[value];
                value = static_cast<uint16_t>(value << shift);
                std::memcpy(out + 2 * x, &value, 2);
            }
        }
    }
    if (stretch)
        pix.range = kPixFull;
}

} // namespace

int* YUVConverter::ConvertFrame(const ImageObject::Frame& frame)
{
    if (!buffer || frame.layout != frameLayout || frame.width != width || frame.height != height)
        return nullptr;
    PixkitFrame pix;
    pix.layout = frame.layout;
    pix.width = frame.width;
    pix.height = frame.height;
    varnox::FrameShape shape;
    varnox::ShapeOf(frame.layout, frame.width, frame.height, shape);
    for (int i = 0; i < 3; ++i) {
        pix.planes[i] = static_cast<const unsigned char*>(frame.planes[i]);
        pix.strides[i] = i < shape.planes ? static_cast<int>(varnox::StrideOf(frame, shape, i)) : 0;
    }
    pix.matrix = frame.matrix;
    pix.range = frame.range;
    // The conversion holds each chroma coefficient in a signed byte of 1/64
    // steps: blue's 2.112 from limited-range Cb (BT.709) and 2.142 (BT.2020)
    // are cut short there, and strong blues come out up to 8 levels dark.
    // 10-bit samples above 1023 it would wrap round rather than clamp.
    // Those frames are stretched to full range first, whose coefficients
    // fit, and converted with its constants.
    const bool stretch = frame.range == ImageObject::limitedRange && frame.matrix != ImageObject::BT601
        && frame.layout != ImageObject::I400;
    if (stretch || AnyAbove1023(frame, shape)) {
        if (!expanded) {
            long long bytes = 0;
            for (int i = 0; i < shape.planes; ++i)
                bytes += shape.plane[i].rowBytes * shape.plane[i].rows;
            expanded = new unsigned char[static_cast<size_t>(bytes)];
        }
        CopyPlanes(frame, shape, stretch, expanded, pix);
    }
    if (!FrameToBGRA(pix, scratch, reinterpret_cast<unsigned char*>(buffer), rowBytes))
        return nullptr;
    return buffer;
}
