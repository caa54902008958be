// The extension-list check: fuzzed names against fuzzed lists, compared with
// a second implementation that splits the list into its items; and fuzzed
// names against the context's own GL_EXTENSIONS string.
#include <cstdint>
#include <cstring>
#include <string>

#include <GL/gl.h>

#include "common/FuzzSupport.h"
#include "targets/kxExtensionsInternal.h"

namespace {

using vxfuzz::Require;

// 1 when `name` (not empty, without a space) equals one of the items of
// `list` between single spaces, else 0.
int ByItems(const char* name, const char* list)
{
    if (!list || !*name || std::strchr(name, ' '))
        return 0;
    const std::string wanted(name);
    const char* start = list;
    for (;;) {
        const char* end = std::strchr(start, ' ');
        const size_t length = end ? static_cast<size_t>(end - start) : std::strlen(start);
        if (wanted.size() == length && wanted.compare(0, length, start, length) == 0)
            return 1;
        if (!end)
            return 0;
        start = end + 1;
    }
}

// Names built from the pieces the GL extension names are made of, so that
// the fuzzer finds near misses (prefixes, suffixes, repeats) quickly.
const char* const kPieces[]
    = { "GL_", "ARB_", "EXT_", "vertex", "_buffer", "_object", " ", "  ", "GL_ARB_vertex_buffer_object" };

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vxfuzz::StartContext();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    std::string name;
    const int parts = input.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < parts; ++i)
        name += input.PickValueInArray(kPieces);
    name += input.ConsumeRandomLengthString(80);
    const std::string list = input.ConsumeRemainingBytesAsString();
    // Compared as C strings: up to the first NUL, as the check reads them.
    const char* n = name.c_str();
    const char* l = list.c_str();

    // Exact copies, so that ASan sees any read past either end.
    const size_t nameBytes = std::strlen(n) + 1, listBytes = std::strlen(l) + 1;
    auto nameCopy = vxfuzz::Pixels(nameBytes, {});
    auto listCopy = vxfuzz::Pixels(listBytes, {});
    std::memcpy(nameCopy->data, n, nameBytes);
    std::memcpy(listCopy->data, l, listBytes);
    const char* guardedName = reinterpret_cast<const char*>(nameCopy->data);
    const char* guardedList = reinterpret_cast<const char*>(listCopy->data);

    Require(varnox::IsExtensionInList(guardedName, guardedList) == ByItems(n, l),
        "IsExtensionInList agrees with a split of the list into items");
    Require(varnox::IsExtensionInList(guardedName, nullptr) == 0, "a null list holds nothing");
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    Require(varnox::IsExtensionSupported(guardedName) == ByItems(n, extensions),
        "IsExtensionSupported agrees with a split of GL_EXTENSIONS");
    return 0;
}
