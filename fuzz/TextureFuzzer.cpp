// Texture uploads with fuzzed sizes, strides, codes and pixels: setImage and
// setSubImage on a TextureStatic and on the streaming texture of image
// objects, in any order. Each call is given exactly the bytes it declares, in
// a buffer that ends at an inaccessible page (fuzz/README.md).
#include <cstdint>
#include <memory>
#include <vector>

#include <varnox/Texture.h>

#include "common/FuzzSupport.h"
#include "materials/TextureStream.h"

namespace {

using vxfuzz::Require;

vxfuzz::TextureFields Fields(const Texture& t)
{
    return { t.texture, t.width, t.height, t.textureWidth, t.textureHeight, t.format };
}

std::unique_ptr<Texture> MakeTexture(bool stream)
{
    if (stream)
        return std::unique_ptr<Texture>(new TextureStream());
    return std::unique_ptr<Texture>(new TextureStatic());
}

// Whether a kind of texture takes `code` in setImage.
bool TakesImage(bool stream, int code)
{
    if (stream)
        return code == 4 || code == 64;
    return vxfuzz::BytesPerPixel(code) > 0;
}

void SetImage(Texture& t, bool stream, FuzzedDataProvider& input, const std::vector<uint8_t>& pattern)
{
    const int code = vxfuzz::FormatCode(input);
    const int width = vxfuzz::Dimension(input, 300);
    const int height = vxfuzz::Dimension(input, 300);
    const int stride = input.ConsumeBool() ? 0 : vxfuzz::Dimension(input, 1300);
    const vxfuzz::TextureFields before = Fields(t);

    const char* kind = stream ? "TextureStream" : "TextureStatic";
    if (!TakesImage(stream, code)) {
        // A code this texture does not take: nothing is read, nothing changes.
        vxfuzz::Trace("%s::setImage(%d, %d, %d, %d, 0 bytes)", kind, width, height, stride, code);
        auto pixels = vxfuzz::Pixels(0, pattern);
        t.setImage(width, height, stride, code, pixels->data);
        vxfuzz::RequireState(
            Fields(t) == before, "setImage with a code the texture does not take changes nothing");
        return;
    }
    const int bpp = vxfuzz::BytesPerPixel(code);
    const int64_t declared = vxfuzz::DeclaredImageBytes(width, height, stride, bpp);
    const int max = vxfuzz::MaxTextureSize();
    const int64_t rowLength = stride != 0 ? stride / bpp : width;
    if (vxfuzz::MemoryOnly()
        && (width < 0 || height < 0 || stride < 0 || width > max || height > max || rowLength > max))
        return;
    // Sizes GL can hold. A stride shorter than a row still declares its
    // rows (height × stride bytes), so it counts as sound here: reading what
    // it declares is no fault, whatever the library then makes of it.
    const bool valid
        = width >= 0 && height >= 0 && stride >= 0 && width <= max && height <= max && rowLength <= max;
    if (valid
        && (declared > vxfuzz::kMaxPixelBytes
            || vxfuzz::PowerOfTwo(rowLength) * vxfuzz::PowerOfTwo(height) * 4 > vxfuzz::kMaxStorageBytes)) {
        vxfuzz::Trace(
            "skipped: %s::setImage(%d, %d, %d, %d), sound but large", kind, width, height, stride, code);
        return; // sound but too large to be worth a run
    }
    // What the call declares, when that is something sensible; otherwise no
    // bytes at all, which the library must then not read.
    const size_t bytes
        = declared >= 0 && declared <= vxfuzz::kMaxPixelBytes ? static_cast<size_t>(declared) : 0;
    auto pixels = vxfuzz::Pixels(bytes, pattern);
    const bool null = input.ConsumeIntegralInRange(0, 15) == 15;
    vxfuzz::Trace("%s::setImage(%d, %d, %d, %d, %s%zu bytes)", kind, width, height, stride, code,
        null ? "null, " : "", bytes);
    t.setImage(width, height, stride, code, null ? nullptr : pixels->data);
    Require(pixels->FrontUntouched(), "setImage writes nothing in front of the caller's pixels");
    vxfuzz::CheckStorage(Fields(t));
}

void SetSubImage(Texture& t, FuzzedDataProvider& input, const std::vector<uint8_t>& pattern)
{
    const int code = vxfuzz::FormatCode(input);
    const int x = vxfuzz::Dimension(input, 300);
    const int y = vxfuzz::Dimension(input, 300);
    const int width = vxfuzz::Dimension(input, 300);
    const int height = vxfuzz::Dimension(input, 300);
    const vxfuzz::TextureFields before = Fields(t);
    const int bpp = vxfuzz::BytesPerPixel(code);
    int64_t declared = -1;
    if (bpp > 0 && width >= 0 && height >= 0)
        declared = vxfuzz::Product(int64_t { width } * bpp, height);
    const bool inside = x >= 0 && y >= 0 && width >= 0 && height >= 0
        && int64_t { x } + width <= t.textureWidth && int64_t { y } + height <= t.textureHeight;
    if (bpp > 0 && inside && declared > vxfuzz::kMaxPixelBytes)
        return; // sound but too large
    if (vxfuzz::MemoryOnly() && !inside)
        return; // GL's bounds check can wrap: a known fault (fuzz/README.md)
    const size_t bytes
        = declared >= 0 && declared <= vxfuzz::kMaxPixelBytes ? static_cast<size_t>(declared) : 0;
    auto pixels = vxfuzz::Pixels(bytes, pattern);
    vxfuzz::Trace("setSubImage(%d, %d, %d, %d, %d, %zu bytes) on storage %d x %d", x, y, width, height, code,
        bytes, t.textureWidth, t.textureHeight);
    t.setSubImage(x, y, width, height, code, pixels->data);
    vxfuzz::RequireState(Fields(t) == before, "setSubImage changes no field of the texture");
    vxfuzz::CheckStorage(Fields(t));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vxfuzz::StartContext();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    // The pixel bytes are a short pattern from the input, repeated.
    const std::vector<uint8_t> pattern = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange(0, 64));
    bool stream[2] = { false, true };
    std::unique_ptr<Texture> textures[2] = { MakeTexture(false), MakeTexture(true) };
    for (int op = 0; op < 12 && input.remaining_bytes() > 0; ++op) {
        const int which = input.ConsumeIntegralInRange(0, 1);
        Texture& t = *textures[which];
        switch (input.ConsumeIntegralInRange(0, 4)) {
        case 0:
            // A new texture of the same kind: the old one's GL object goes.
            vxfuzz::Trace("new %s", stream[which] ? "TextureStream" : "TextureStatic");
            textures[which] = MakeTexture(stream[which]);
            break;
        case 1:
        case 2:
            SetImage(t, stream[which], input, pattern);
            break;
        default:
            SetSubImage(t, input, pattern);
            break;
        }
    }
    return 0;
}
