// Case 4: ImageObject::Image of 1920 × 1080 YUV420 frames (conversion to BGRA
// and texture upload) beside libyuv and glTexSubImage2D by hand; and the
// conversion alone beside memcpy of the converted frame.

#include "Cases.h"

#include <cstring>

#include <libyuv/convert_argb.h>

#include "Pairing.h"
#include "PerfSupport.h"

namespace vnxperf {
namespace {

    const int kWidth = 1920;
    const int kHeight = 1080;
    const int kChromaWidth = (kWidth + 1) / 2;
    const int kChromaHeight = (kHeight + 1) / 2;
    const size_t kFrameBytes
        = static_cast<size_t>(kWidth) * kHeight + 2 * static_cast<size_t>(kChromaWidth) * kChromaHeight;
    const size_t kBgraBytes = static_cast<size_t>(kWidth) * kHeight * 4;

    // One I420 frame: Y, then U, then V, planes packed; `seed` varies it.
    std::vector<unsigned char> MakeFrame(int seed)
    {
        std::vector<unsigned char> frame(kFrameBytes);
        unsigned char* y = frame.data();
        for (int row = 0; row < kHeight; ++row)
            for (int column = 0; column < kWidth; ++column)
                y[row * kWidth + column] = static_cast<unsigned char>(16 + (row + column * 3 + seed) % 220);
        unsigned char* chroma = y + static_cast<size_t>(kWidth) * kHeight;
        for (size_t i = 0; i < 2 * static_cast<size_t>(kChromaWidth) * kChromaHeight; ++i)
            chroma[i] = static_cast<unsigned char>(16 + (i * 7 + static_cast<size_t>(seed) * 13) % 225);
        return frame;
    }

    // The conversion as the library's converter calls it.
    void Convert(const unsigned char* frame, unsigned char* bgra)
    {
        const unsigned char* y = frame;
        const unsigned char* u = y + static_cast<size_t>(kWidth) * kHeight;
        const unsigned char* v = u + static_cast<size_t>(kChromaWidth) * kChromaHeight;
        libyuv::I420ToARGB(y, kWidth, u, kChromaWidth, v, kChromaWidth, bgra, kWidth * 4, kWidth, kHeight);
    }

    // What Image does for a frame of the size and code it had before: convert,
    // then the texture's re-upload of whole rows.
    void PlainImage(GLuint texture, const unsigned char* frame, unsigned char* bgra)
    {
        Convert(frame, bgra);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
    }

    void YuvImage(benchmark::State& state)
    {
        const CaseInfo info { "4. ImageObject::Image, YUV420 1920 × 1080", "frames/s", 1.0, 0.95 };
        std::unique_ptr<COffScreen> target = HeadlessTarget(16, 16);
        if (!target)
            return RecordFailure(state, info, "no headless off-screen target");
        std::string why;
        {
            const std::vector<unsigned char> frame = MakeFrame(0);
            const std::vector<unsigned char> other = MakeFrame(1);
            std::vector<unsigned char> bgra(kBgraBytes);
            std::unique_ptr<ImageObject> image(ImageObject::NewL(ImageObject::imageSize, true));
            image->Image(kWidth, kHeight, ImageObject::YUV420, frame.data());
            const GLuint texture = image->getTexture()->texture;
            const std::vector<unsigned char> library = TextureContents(texture);
            image->Image(kWidth, kHeight, ImageObject::YUV420, other.data());
            PlainImage(texture, frame.data(), bgra.data());
            if (library != TextureContents(texture))
                why = "the plain upload's texels differ from the library's";
            else
                RunPaired(
                    state, info,
                    [&] {
                        image->Image(kWidth, kHeight, ImageObject::YUV420, frame.data());
                        glFinish();
                    },
                    [&] {
                        PlainImage(texture, frame.data(), bgra.data());
                        glFinish();
                    });
        }
        target.reset();
        if (!why.empty())
            RecordFailure(state, info, why);
    }

    void ConversionAgainstMemcpy(benchmark::State& state)
    {
        const CaseInfo info { "4. YUV420 → BGRA conversion vs memcpy (bytes out)", "B/s",
            static_cast<double>(kBgraBytes), 0.0 };
        const std::vector<unsigned char> frame = MakeFrame(0);
        std::vector<unsigned char> converted(kBgraBytes), source(kBgraBytes, 0x5A), copy(kBgraBytes);
        RunPaired(
            state, info,
            [&] {
                Convert(frame.data(), converted.data());
                benchmark::ClobberMemory();
            },
            [&] {
                std::memcpy(copy.data(), source.data(), kBgraBytes);
                benchmark::ClobberMemory();
            });
    }

} // namespace

void RegisterYuvCases()
{
    RegisterPaired("yuv/image_1920x1080", YuvImage);
    RegisterPaired("yuv/convert_vs_memcpy", ConversionAgainstMemcpy);
}

} // namespace vnxperf
