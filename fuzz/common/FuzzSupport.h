#pragma once

// What the fuzz programs share: one headless GL context for the process, the
// library's messages kept off standard output, guarded pixel buffers and the
// choice of awkward numbers.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "support/GuardedBuffer.h"

class COffScreen;

namespace vxfuzz {

/// Sends the library's messages to a sink that only checks they are text.
void QuietLibrary();

/// Makes the process's one off-screen target (16 × 16) with no display named,
/// so that it opens a headless display and loads the entry-point table, and
/// sends the library's messages to a sink that only checks they are text.
/// Call once, from LLVMFuzzerInitialize; stops the process when no context
/// can be made, since then nothing would be tested.
COffScreen& StartContext();

/// The target StartContext made.
COffScreen& Target();

/// GL_MAX_TEXTURE_SIZE of the context.
int MaxTextureSize();

/// With VXFUZZ_TRACE=1 in the environment, prints one line on standard
/// error per library call a fuzzer makes: how a reproducer is read.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Stops the process with a message when `condition` is false: a broken
/// invariant is a finding like a crash, and libFuzzer keeps the input.
void Require(bool condition, const char* what);

/// Like Require, for what a call leaves in the objects' state (a refused call
/// changes nothing; storage sizes match GL's). VXFUZZ_MEMORY_ONLY=1 in the
/// environment turns these off, so that a run looks past known state faults
/// for memory faults alone.
void RequireState(bool condition, const char* what);

/// Whether VXFUZZ_MEMORY_ONLY=1 is set: besides the state checks, the
/// programs then skip uploads with a negative value or a size beyond
/// GL_MAX_TEXTURE_SIZE, which the library refuses once it checks sizes
/// itself (fuzz/README.md).
bool MemoryOnly();

/// Bytes that the caller declares and nothing more: they end where an
/// inaccessible page begins, so a read past them stops the process even in
/// code without instrumentation (the GL driver, libyuv). Filled by repeating
/// `pattern` (zeros without one).
std::unique_ptr<vxtest::GuardedBuffer> Pixels(size_t bytes, const std::vector<uint8_t>& pattern);

/// An int that is mostly small (0 to `small`), sometimes one of the values
/// where arithmetic goes wrong (negative, zero, powers of two and their
/// neighbours, the GL limit, the int extremes) and sometimes any int.
int Dimension(FuzzedDataProvider& input, int small);

/// An image-format code: mostly one of the table's codes or the two YUV
/// codes, sometimes another value from 0 to 0x7FFFFF (every value of the
/// enumeration's range: codes from 65536 up count as YUV frames).
int FormatCode(FuzzedDataProvider& input);

/// Bytes per pixel of a texture code, as the library documents them; 0 for
/// a code the textures do not take.
int BytesPerPixel(int code);

/// a × b; -1 when either is negative, INT64_MAX when the product does not
/// fit.
int64_t Product(int64_t a, int64_t b);

/// The smallest power of two ≥ n (1 for n ≤ 1), for n up to 2^62.
int64_t PowerOfTwo(int64_t n);

/// The bytes a whole-image upload declares: `height` rows of `stride` bytes,
/// or of width × bytes per pixel when `stride` is 0. -1 when a factor is
/// negative (nothing is declared).
int64_t DeclaredImageBytes(int width, int height, int stride, int bytesPerPixel);

/// The bytes a YUV frame declares: the Y plane and two chroma planes of
/// ceil(width / 2) columns and ceil(height / 2) (4:2:0) or height (4:2:2)
/// rows. -1 for a negative size.
int64_t DeclaredFrameBytes(int width, int height, bool is420);

/// Whether the texture kind of `object` holds GL storage that matches the
/// sizes it reports: width and height of level 0 of its GL texture object
/// equal textureWidth and textureHeight, and both are 0 or powers of two.
struct TextureFields {
    unsigned int texture;
    int width, height, textureWidth, textureHeight, format;
    bool operator==(const TextureFields& o) const
    {
        return texture == o.texture && width == o.width && height == o.height
            && textureWidth == o.textureWidth && textureHeight == o.textureHeight && format == o.format;
    }
};

/// Checks (Require) that the storage sizes are 0 or powers of two no larger
/// than the GL limit and, once there is a GL texture with storage, that GL
/// reports the same size for its level 0. Leaves that texture bound.
void CheckStorage(const TextureFields& t);

/// The most pixel bytes one call is given; larger uploads are skipped when
/// they are valid (see fuzz/README.md).
constexpr int64_t kMaxPixelBytes = 8 << 20;
/// The largest texture storage (power-of-two area × 4 bytes) a valid call may
/// allocate; larger valid calls are skipped.
constexpr int64_t kMaxStorageBytes = 64 << 20;

} // namespace vxfuzz
