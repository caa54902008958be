// kxStream reading fuzzed files: toString gives back exactly the file's
// bytes, NUL-terminated, in every mode that reads, and "" otherwise;
// readChunk reads into a buffer of exactly the length asked for; swap
// reverses bytes. Paths are the fuzzer's own scratch files, never fuzzed
// (a fuzzed path with a writing mode could truncate any file).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include <varnox/kxStream.h>

#include "common/FuzzSupport.h"

namespace {

using vxfuzz::Require;

std::string folder;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vxfuzz::QuietLibrary();
    char pattern[] = "/tmp/vxfuzz-stream-XXXXXX";
    Require(mkdtemp(pattern) != nullptr, "a scratch folder can be made");
    folder = pattern;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const int mode = input.ConsumeIntegralInRange(0, 7);
    const int where = input.ConsumeIntegralInRange(0, 7);
    const int chunk = input.ConsumeIntegralInRange(-2, 300);
    const std::vector<uint8_t> content = input.ConsumeRemainingBytes<uint8_t>();

    vxfuzz::Trace("mode %d, path %d, chunk %d, %zu bytes", mode, where, chunk, content.size());
    const std::string file = folder + "/stream.bin";
    std::FILE* out = std::fopen(file.c_str(), "wb");
    Require(out != nullptr, "the scratch file can be written");
    std::fwrite(content.data(), 1, content.size(), out);
    std::fclose(out);

    // Mostly the file; now and then no path, a folder or a missing file.
    const char* path = file.c_str();
    if (where == 5)
        path = nullptr;
    else if (where == 6)
        path = folder.c_str();
    else if (where == 7)
        path = "/nonexistent/vxfuzz-stream";
    const bool reads = (mode & kxStream::modeRead) && where < 5;
    // Opening to write alone truncates the file.
    const bool empty = (mode & kxStream::modeWrite) && !(mode & kxStream::modeRead);

    {
        kxStream stream(path, mode);
        // readChunk first, into a buffer of exactly `chunk` bytes: it reads
        // the file's first bytes when the stream reads.
        if (chunk >= 0) {
            auto buffer = vxfuzz::Pixels(static_cast<size_t>(chunk), {});
            stream.readChunk(buffer->data, chunk);
            Require(buffer->FrontUntouched(), "readChunk writes nothing in front of the buffer");
            const size_t n = std::min(content.size(), static_cast<size_t>(chunk));
            if (reads && n > 0)
                Require(std::memcmp(buffer->data, content.data(), n) == 0,
                    "readChunk reads the file's first bytes");
        } else {
            stream.readChunk(nullptr, chunk);
        }

        // toString starts again from the beginning.
        char* text = stream.toString();
        Require(text != nullptr, "toString never gives null");
        if (reads) {
            Require((content.empty() || std::memcmp(text, content.data(), content.size()) == 0)
                    && text[content.size()] == '\0',
                "toString gives the file's bytes and a NUL");
        } else if (empty || where >= 5 || !(mode & (kxStream::modeRead | kxStream::modeWrite))) {
            Require(text[0] == '\0', "a stream that cannot read gives the empty text");
        }
        delete[] text;
    }

    // swap reverses exactly n bytes.
    auto bytes = vxfuzz::Pixels(content.size(), content);
    kxStream::swap(bytes->data, static_cast<unsigned int>(content.size()));
    for (size_t i = 0; i < content.size(); ++i)
        Require(bytes->data[i] == content[content.size() - 1 - i], "swap reverses the bytes");
    return 0;
}
