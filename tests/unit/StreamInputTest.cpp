// Null buffers and negative lengths given to the stream's chunk members: one
// line each, and neither the file nor the buffer changes.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include <varnox/kxStream.h>

#include "support/OutputCapture.h"
#include "support/Refusal.h"
#include "support/ScratchFolder.h"

namespace {

using vxtest::CaptureOutput;
using vxtest::ExpectRefusal;

std::string Contents(const std::string& path)
{
    std::string text;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[64];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

TEST(StreamInput, NullBuffersAndNegativeLengthsAreRefused)
{
    const vxtest::ScratchFolder folder("chunks");
    const std::string path = folder.Write("data.bin", "abcdef");
    {
        kxStream stream(path.c_str(), kxStream::modeRead | kxStream::modeWrite | kxStream::modeBinary);
        ExpectRefusal(
            CaptureOutput([&] { stream.readChunk(nullptr, 4); }), "kxStream", { "readChunk", "null buffer" });
        ExpectRefusal(CaptureOutput([&] { stream.writeChunk(nullptr, 4); }), "kxStream",
            { "writeChunk", "null buffer" });
        char buffer[4] = { 'x', 'x', 'x', 'x' };
        ExpectRefusal(
            CaptureOutput([&] { stream.readChunk(buffer, -2); }), "kxStream", { "readChunk", "-2" });
        ExpectRefusal(
            CaptureOutput([&] { stream.writeChunk("zz", -2); }), "kxStream", { "writeChunk", "-2" });
        EXPECT_EQ(std::string(buffer, 4), "xxxx");
        // Nothing to move: no line, nothing read or written.
        EXPECT_EQ(CaptureOutput([&] {
            stream.readChunk(nullptr, 0);
            stream.writeChunk(nullptr, 0);
        }),
            "");
        // The stream still works: it reads from where it was.
        stream.readChunk(buffer, 3);
        EXPECT_EQ(std::string(buffer, 3), "abc");
    }
    EXPECT_EQ(Contents(path), "abcdef");
    kxStream::swap(nullptr, 8);
}

} // namespace
