#pragma once

#include <memory>
#include <string>

#include <varnox/ImageObject.h>

class Texture;

namespace varnox {

struct FrameShape;

// Converts video frames on the GPU: the planes go up as they come, each into
// a one- or two-channel texture of its own (GL_R8 / GL_RG8 where the context
// has them, luminance formats where not, 16-bit ones for the 10-bit layouts),
// rows `stride` bytes apart through GL_UNPACK_ROW_LENGTH, and one fragment
// program, parameterised by layout, matrix and range, draws them as BGRA
// into an image texture through a framebuffer object. An image object owns
// one; its GL objects belong to the context current when it converted first.
class FrameShader {
public:
    FrameShader();
    // Deletes its GL objects; the context they were made in must be current.
    ~FrameShader();
    FrameShader(const FrameShader&) = delete;
    FrameShader& operator=(const FrameShader&) = delete;

    // Whether the current context has what this path needs (framebuffer
    // objects, shaders, the plane formats); when not, `why` says what it
    // lacks, in a few words.
    static bool Available(std::string& why);

    // Converts `frame` (already checked: CheckFrame, with its `shape`) into
    // `texture`: its storage is defined as for a BGRA32 image of the frame's
    // size (TextureUpload::SetImage with null pixels), then the frame is
    // drawn into it, so that its fields and pixels are what a BGRA32 upload
    // of the converted frame would give. False, with the texture unchanged,
    // when the context cannot (the caller converts on the CPU instead). The
    // GL state it touches (bindings, viewport, program, framebuffer) is as
    // it was afterwards.
    bool Convert(const ImageObject::Frame& frame, const FrameShape& shape, Texture& texture);

private:
    // The GL objects (plane textures, programs, framebuffer) and the entry
    // points, made at the first Convert.
    struct Objects;
    std::unique_ptr<Objects> objects;
};

} // namespace varnox
