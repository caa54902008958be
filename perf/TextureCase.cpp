// Case 5: TextureStatic::setImage re-uploading a 1024 × 1024 BGRA32 image into
// its existing storage, beside glTexSubImage2D by hand.

#include "Cases.h"

#include "Pairing.h"
#include "PerfSupport.h"

namespace vnxperf {
namespace {

    const int kSize = 1024;

    std::vector<unsigned char> MakeImage(int seed)
    {
        std::vector<unsigned char> pixels(static_cast<size_t>(kSize) * kSize * 4);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<unsigned char>((i * 131 + static_cast<size_t>(seed) * 17) >> 3);
        return pixels;
    }

    // What setImage does for an image of the size and code it had before.
    void PlainUpload(GLuint texture, const unsigned char* pixels)
    {
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kSize, kSize, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    }

    void Reupload(benchmark::State& state)
    {
        const CaseInfo info { "5. TextureStatic::setImage, BGRA32 1024 × 1024", "uploads/s", 1.0, 0.95 };
        std::unique_ptr<COffScreen> target = HeadlessTarget(16, 16);
        if (!target)
            return RecordFailure(state, info, "no headless off-screen target");
        std::string why;
        {
            const std::vector<unsigned char> image = MakeImage(0);
            const std::vector<unsigned char> other = MakeImage(1);
            kxReference<TextureStatic> texture;
            texture = new TextureStatic();
            TextureStatic* t = texture.get();
            t->setImage(kSize, kSize, 0, ImageObject::BGRA32, image.data());
            const std::vector<unsigned char> library = TextureContents(t->texture);
            t->setImage(kSize, kSize, 0, ImageObject::BGRA32, other.data());
            PlainUpload(t->texture, image.data());
            if (library != TextureContents(t->texture))
                why = "the plain upload's texels differ from the library's";
            else
                RunPaired(
                    state, info,
                    [&] {
                        t->setImage(kSize, kSize, 0, ImageObject::BGRA32, image.data());
                        glFinish();
                    },
                    [&] {
                        PlainUpload(t->texture, image.data());
                        glFinish();
                    });
        }
        target.reset();
        if (!why.empty())
            RecordFailure(state, info, why);
    }

} // namespace

void RegisterTextureCase()
{
    RegisterPaired("texture/setimage_1024x1024", Reupload);
}

} // namespace vnxperf
