#pragma once

#include <initializer_list>

#include <varnox/kxExtensions.h>

namespace varnox {

// One entry of the entry-point table that an object needs, by name.
struct NeededEntry {
    bool loaded;
    const char* name;
};

// The entry `name` of the table, as a NeededEntry.
#define VARNOX_NEEDED_ENTRY(name)                                                                            \
    varnox::NeededEntry                                                                                      \
    {                                                                                                        \
        kxgl::name != nullptr, #name                                                                         \
    }

// A GL entry point that the table does not hold, looked up by name (for the
// current context where the platform makes a difference); null where GL has
// none by that name.
void* LookupGLEntry(const char* name);

// What stops an object from making GL objects now, or null when nothing
// does: no GL context is current on this thread (kNoCurrentContext), or the
// name of the first entry in `needed` that is not loaded (calling through it
// would jump to address 0). Asked once, at construction, so it costs the
// frames nothing.
const char* MissingForGLObjects(std::initializer_list<NeededEntry> needed);
extern const char* const kNoCurrentContext;

// MissingForGLObjects for the buffer objects of geometry.
const char* MissingForBufferObjects();

// Prints the one line that says an object of class `owner` stays inert
// because `missing` (from MissingForGLObjects) is missing.
void ReportInert(const char* owner, const char* missing);

// MissingForGLObjects, reported through ReportInert: true when the object
// can make its GL objects.
bool ReadyForGLObjects(const char* owner, std::initializer_list<NeededEntry> needed);

} // namespace varnox
