#include "core/GLReadiness.h"

#include "core/Print.h"
#include "core/System.h"

namespace varnox {

const char* const kNoCurrentContext = "no GL context";

const char* MissingForGLObjects(std::initializer_list<NeededEntry> needed)
{
    if (!GLContextCurrent())
        return kNoCurrentContext;
    for (const NeededEntry& entry : needed)
        if (!entry.loaded)
            return entry.name;
    return nullptr;
}

const char* MissingForBufferObjects()
{
    return MissingForGLObjects({ VARNOX_NEEDED_ENTRY(glGenBuffers), VARNOX_NEEDED_ENTRY(glBindBuffer),
        VARNOX_NEEDED_ENTRY(glBufferData), VARNOX_NEEDED_ENTRY(glMapBuffer),
        VARNOX_NEEDED_ENTRY(glUnmapBuffer), VARNOX_NEEDED_ENTRY(glDeleteBuffers) });
}

void ReportInert(const char* owner, const char* missing)
{
    if (missing == kNoCurrentContext)
        Print(Kind::Refusal, "%s: no GL context is current; it stays inert\n", owner);
    else
        Print(Kind::Refusal, "%s: the GL entry point %s is not loaded; it stays inert\n", owner, missing);
}

bool ReadyForGLObjects(const char* owner, std::initializer_list<NeededEntry> needed)
{
    const char* missing = MissingForGLObjects(needed);
    if (missing)
        ReportInert(owner, missing);
    return !missing;
}

} // namespace varnox
