// Image objects driven by fuzzed operations: the three factories (copies
// share the texture), Image with every code including the YUV frames and
// with frame descriptions of every layout, stride, matrix and range,
// SubImage, ImageMapping, SetStride, Size, the transform setters, deletion in
// any order and rendering in a scene of any rotation. Every pixel buffer
// holds exactly the bytes its call declares and ends at an inaccessible page
// (fuzz/README.md).
#include <cstdint>
#include <memory>
#include <vector>

#include <varnox/CScene.h>
#include <varnox/COffScreen.h>
#include <varnox/ImageObject.h>
#include <varnox/Texture.h>

#include "common/FuzzSupport.h"

namespace {

using vxfuzz::Require;

constexpr int kSlots = 3;

// An object and what the fuzzer knows of its protected state (for
// VXFUZZ_MEMORY_ONLY=1): the format and mapping
// that decide whether an image counts as a change, and the frame size its
// converter was configured for.
struct Slot {
    ImageObject* object = nullptr;
    int format = 0;
    bool mapped = false;
    bool converter = false;
    int frameWidth = 0;
    int frameHeight = 0;
};

// Reads the protected stride of any image object: a pointer to a protected
// member may be formed through a derived class.
struct StrideOf : ImageObject {
    static int Get(const ImageObject& o) { return o.*(&StrideOf::stride); }
};

vxfuzz::TextureFields Fields(ImageObject& o)
{
    const Texture& t = *o.getTexture();
    return { t.texture, t.width, t.height, t.textureWidth, t.textureHeight, t.format };
}

void Image(Slot& slot, FuzzedDataProvider& input, const std::vector<uint8_t>& pattern)
{
    const int code = vxfuzz::FormatCode(input);
    const int width = vxfuzz::Dimension(input, 300);
    const int height = vxfuzz::Dimension(input, 300);
    const int max = vxfuzz::MaxTextureSize();
    const bool sizeValid = width >= 0 && height >= 0 && width <= max && height <= max;
    // The stride the object will use: what it holds after SetStride (which
    // may have refused a value) or took over from its source as a copy.
    const int stride = StrideOf::Get(*slot.object);
    if (vxfuzz::MemoryOnly() && (!sizeValid || stride < 0 || stride / 4 > max))
        return;
    const Texture& t = *slot.object->getTexture();
    const bool change = t.width != width || t.height != height || !slot.mapped || slot.format != code;
    const bool frame = code >= ImageObject::YUV420;
    if (vxfuzz::MemoryOnly() && frame && slot.converter && !change
        && (slot.frameWidth != width || slot.frameHeight != height)) {
        // The converter is out of step with the frame (a copy changed the
        // shared texture): a known fault (fuzz/README.md).
        vxfuzz::Trace("skipped: Image(%d, %d, %d), converter at %d x %d", width, height, code,
            slot.frameWidth, slot.frameHeight);
        return;
    }
    int64_t declared = -1;
    bool large = false;
    if (code == ImageObject::YUV420 || code == ImageObject::YUV422) {
        declared = vxfuzz::DeclaredFrameBytes(width, height, code == ImageObject::YUV420);
        // The converter holds width × height BGRA pixels.
        large = sizeValid
            && (declared > vxfuzz::kMaxPixelBytes
                || int64_t { width } * height * 4 > vxfuzz::kMaxStorageBytes);
    } else if (const int bpp = vxfuzz::BytesPerPixel(code)) {
        declared = vxfuzz::DeclaredImageBytes(width, height, stride, bpp);
        const int64_t rowLength = stride != 0 ? stride / bpp : width;
        // As for textures: a stride shorter than a row still declares its rows.
        const bool valid = sizeValid && stride >= 0 && rowLength <= max;
        large = valid
            && (declared > vxfuzz::kMaxPixelBytes
                || vxfuzz::PowerOfTwo(rowLength) * vxfuzz::PowerOfTwo(height) * 4 > vxfuzz::kMaxStorageBytes);
    }
    // Other codes (outside the table, or from 65536 up but neither YUV code)
    // declare nothing: no byte may be read.
    if (large) {
        vxfuzz::Trace("skipped: Image(%d, %d, %d), sound but large", width, height, code);
        return; // sound but too large to be worth a run
    }
    const size_t bytes
        = declared >= 0 && declared <= vxfuzz::kMaxPixelBytes ? static_cast<size_t>(declared) : 0;
    auto pixels = vxfuzz::Pixels(bytes, pattern);
    const bool null = input.ConsumeIntegralInRange(0, 15) == 15;
    vxfuzz::Trace("%p->Image(%d, %d, %d, %s%zu bytes), stride %d", static_cast<void*>(slot.object), width,
        height, code, null ? "null, " : "", bytes, stride);
    slot.object->Image(
        width, height, static_cast<ImageObject::imageFormat>(code), null ? nullptr : pixels->data);
    if (change) {
        slot.format = code;
        slot.mapped = true;
    }
    if (frame && (!slot.converter || change)) {
        slot.converter = true;
        slot.frameWidth = width;
        slot.frameHeight = height;
    }
    Require(pixels->FrontUntouched(), "Image writes nothing in front of the caller's pixels");
    vxfuzz::CheckStorage(Fields(*slot.object));
}

// The planes of a frame layout, worked out here apart from the library:
// bytes of a packed row and rows of each; 0 planes for a code that is no
// layout.
int FramePlanes(int layout, int width, int height, int64_t rowBytes[3], int rows[3])
{
    const int64_t w = width, cw = (int64_t { width } + 1) / 2;
    const int h = height, ch = static_cast<int>((int64_t { height } + 1) / 2);
    const bool words = layout >= ImageObject::I010;
    int planes = 3;
    switch (layout) {
    case ImageObject::I420:
    case ImageObject::YV12:
    case ImageObject::I010:
        rowBytes[0] = w, rowBytes[1] = rowBytes[2] = cw, rows[0] = h, rows[1] = rows[2] = ch;
        break;
    case ImageObject::I422:
    case ImageObject::I210:
        rowBytes[0] = w, rowBytes[1] = rowBytes[2] = cw, rows[0] = rows[1] = rows[2] = h;
        break;
    case ImageObject::I444:
    case ImageObject::I410:
        rowBytes[0] = rowBytes[1] = rowBytes[2] = w, rows[0] = rows[1] = rows[2] = h;
        break;
    case ImageObject::NV12:
    case ImageObject::NV21:
    case ImageObject::P010:
        planes = 2, rowBytes[0] = w, rowBytes[1] = 2 * cw, rows[0] = h, rows[1] = ch;
        break;
    case ImageObject::YUY2:
    case ImageObject::UYVY:
        planes = 1, rowBytes[0] = 4 * cw, rows[0] = h;
        break;
    case ImageObject::I400:
        planes = 1, rowBytes[0] = w, rows[0] = h;
        break;
    default:
        return 0;
    }
    for (int i = 0; i < planes; ++i)
        rowBytes[i] *= words ? 2 : 1;
    return planes;
}

// Image with a frame description: any layout, matrix and range code, each
// plane packed, padded or with a fuzzed stride (short ones too), now and
// then missing, each in memory that ends where its last row does.
void FrameImage(Slot& slot, FuzzedDataProvider& input, const std::vector<uint8_t>& pattern)
{
    ImageObject::Frame frame;
    frame.layout = input.ConsumeIntegralInRange(-1, 13);
    frame.width = vxfuzz::Dimension(input, 300);
    frame.height = vxfuzz::Dimension(input, 300);
    frame.matrix = input.ConsumeIntegralInRange(-1, 3);
    frame.range = input.ConsumeIntegralInRange(-1, 2);
    int64_t rowBytes[3] = { 0, 0, 0 };
    int rows[3] = { 0, 0, 0 };
    const int planes = frame.width >= 0 && frame.height >= 0
        ? FramePlanes(frame.layout, frame.width, frame.height, rowBytes, rows)
        : 0;
    std::unique_ptr<vxtest::GuardedBuffer> memory[3];
    for (int i = 0; i < planes; ++i) {
        int stride = 0;
        switch (input.ConsumeIntegralInRange(0, 2)) {
        case 1:
            stride = static_cast<int>(rowBytes[i]) + input.ConsumeIntegralInRange(0, 64);
            break;
        case 2:
            stride = vxfuzz::Dimension(input, 1300);
            break;
        default:
            break;
        }
        const int64_t step = stride != 0 ? stride : rowBytes[i];
        const int64_t bytes = rows[i] > 0 && step >= rowBytes[i] ? step * (rows[i] - 1) + rowBytes[i] : 0;
        if (bytes > vxfuzz::kMaxPixelBytes) {
            vxfuzz::Trace("skipped: Image(frame of layout %d, %d x %d), sound but large", frame.layout,
                frame.width, frame.height);
            return;
        }
        memory[i] = vxfuzz::Pixels(static_cast<size_t>(bytes), pattern);
        frame.strides[i] = stride;
        if (input.ConsumeIntegralInRange(0, 15) != 15)
            frame.planes[i] = memory[i]->data;
    }
    vxfuzz::Trace("%p->Image(frame: layout %d, %d x %d, strides %d %d %d, matrix %d, range %d)",
        static_cast<void*>(slot.object), frame.layout, frame.width, frame.height, frame.strides[0],
        frame.strides[1], frame.strides[2], frame.matrix, frame.range);
    slot.object->Image(frame);
    const Texture& t = *slot.object->getTexture();
    if (t.width == frame.width && t.height == frame.height && t.format == ImageObject::BGRA32) {
        slot.format = ImageObject::BGRA32;
        slot.mapped = true;
    }
    for (int i = 0; i < planes; ++i)
        Require(memory[i]->FrontUntouched(), "Image writes nothing in front of a frame's plane");
    vxfuzz::CheckStorage(Fields(*slot.object));
}

void SubImage(Slot& slot, FuzzedDataProvider& input, const std::vector<uint8_t>& pattern)
{
    const int code = vxfuzz::FormatCode(input);
    const int x = vxfuzz::Dimension(input, 300);
    const int y = vxfuzz::Dimension(input, 300);
    const int width = vxfuzz::Dimension(input, 300);
    const int height = vxfuzz::Dimension(input, 300);
    const vxfuzz::TextureFields before = Fields(*slot.object);
    const int bpp = vxfuzz::BytesPerPixel(code);
    int64_t declared = -1;
    if (bpp > 0 && width >= 0 && height >= 0)
        declared = vxfuzz::Product(int64_t { width } * bpp, height);
    const bool inside = x >= 0 && y >= 0 && width >= 0 && height >= 0
        && int64_t { x } + width <= before.textureWidth && int64_t { y } + height <= before.textureHeight;
    if (bpp > 0 && inside && declared > vxfuzz::kMaxPixelBytes)
        return;
    if (vxfuzz::MemoryOnly() && !inside)
        return; // GL's bounds check can wrap: a known fault (fuzz/README.md)
    const size_t bytes
        = declared >= 0 && declared <= vxfuzz::kMaxPixelBytes ? static_cast<size_t>(declared) : 0;
    auto pixels = vxfuzz::Pixels(bytes, pattern);
    vxfuzz::Trace("%p->SubImage(%d, %d, %d, %d, %d, %zu bytes) on storage %d x %d",
        static_cast<void*>(slot.object), x, y, width, height, code, bytes, before.textureWidth,
        before.textureHeight);
    slot.object->SubImage(x, y, width, height, static_cast<ImageObject::imageFormat>(code), pixels->data);
    vxfuzz::RequireState(Fields(*slot.object) == before, "SubImage changes no field of the texture");
}

ImageObject* New(Slot& slot, FuzzedDataProvider& input, Slot* slots);

// A new object in `slot`.
void Create(Slot& slot, FuzzedDataProvider& input, Slot* slots, CScene& scene)
{
    slot.format = 0;
    slot.mapped = false;
    slot.converter = false;
    slot.object = New(slot, input, slots);
    vxfuzz::Trace("%p = NewL(...), stride %d", static_cast<void*>(slot.object), StrideOf::Get(*slot.object));
    scene.addObject(slot.object);
}

ImageObject* New(Slot& slot, FuzzedDataProvider& input, Slot* slots)
{
    switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0: {
        const auto mode = static_cast<ImageObject::sizing>(input.ConsumeIntegralInRange(0, 2));
        return ImageObject::NewL(mode, input.ConsumeBool());
    }
    case 1: {
        const int x1 = vxfuzz::Dimension(input, 600), y1 = vxfuzz::Dimension(input, 600);
        const int x2 = vxfuzz::Dimension(input, 600), y2 = vxfuzz::Dimension(input, 600);
        return ImageObject::NewL(x1, y1, x2, y2, input.ConsumeBool());
    }
    default: {
        Slot& source = slots[input.ConsumeIntegralInRange(0, kSlots - 1)];
        if (!source.object)
            return ImageObject::NewL(ImageObject::imageSize, false);
        slot.format = source.format;
        slot.mapped = source.mapped;
        return ImageObject::NewL(*source.object);
    }
    }
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
    const std::vector<uint8_t> pattern = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange(0, 64));
    CScene* scene = CScene::NewL();
    Slot slots[kSlots];
    for (int op = 0; op < 16 && input.remaining_bytes() > 0; ++op) {
        Slot& slot = slots[input.ConsumeIntegralInRange(0, kSlots - 1)];
        const int action = input.ConsumeIntegralInRange(0, 12);
        if (!slot.object && action != 11) {
            Create(slot, input, slots, *scene);
            continue;
        }
        switch (action) {
        case 0:
        case 1:
        case 2:
            Image(slot, input, pattern);
            break;
        case 3:
            SubImage(slot, input, pattern);
            break;
        case 4: {
            const int x1 = vxfuzz::Dimension(input, 600), y1 = vxfuzz::Dimension(input, 600);
            const int x2 = vxfuzz::Dimension(input, 600), y2 = vxfuzz::Dimension(input, 600);
            vxfuzz::Trace(
                "%p->ImageMapping(%d, %d, %d, %d)", static_cast<void*>(slot.object), x1, y1, x2, y2);
            slot.object->ImageMapping(x1, y1, x2, y2);
            slot.mapped = true;
            break;
        }
        case 5: {
            const int bytes = vxfuzz::Dimension(input, 1300);
            vxfuzz::Trace("%p->SetStride(%d)", static_cast<void*>(slot.object), bytes);
            slot.object->SetStride(bytes);
        } break;
        case 6: {
            const int x1 = vxfuzz::Dimension(input, 600), y1 = vxfuzz::Dimension(input, 600);
            const int x2 = vxfuzz::Dimension(input, 600), y2 = vxfuzz::Dimension(input, 600);
            vxfuzz::Trace("%p->Size(%d, %d, %d, %d)", static_cast<void*>(slot.object), x1, y1, x2, y2);
            slot.object->Size(x1, y1, x2, y2);
            break;
        }
        case 7:
            slot.object->SetScale(vxfuzz::Dimension(input, 400), vxfuzz::Dimension(input, 400));
            slot.object->SetRotation(vxfuzz::Dimension(input, 360));
            slot.object->SetPosition(
                vxfuzz::Dimension(input, 600), vxfuzz::Dimension(input, 600), vxfuzz::Dimension(input, 600));
            break;
        case 8: {
            const int degrees = vxfuzz::Dimension(input, 360);
            vxfuzz::Trace("SceneRotation(%d), Render", degrees);
            scene->SceneRotation(degrees);
            scene->Render(&vxfuzz::Target());
            break;
        }
        case 12:
            FrameImage(slot, input, pattern);
            break;
        case 9:
        case 10:
            // Deleted while copies that share its texture live on.
            vxfuzz::Trace("delete %p", static_cast<void*>(slot.object));
            scene->removeObject(slot.object);
            delete slot.object;
            slot.object = nullptr;
            break;
        default:
            if (slot.object)
                break;
            Create(slot, input, slots, *scene);
            break;
        }
    }
    scene->Render(&vxfuzz::Target());
    for (Slot& slot : slots)
        delete slot.object;
    delete scene;
    return 0;
}
