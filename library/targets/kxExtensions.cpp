#include <varnox/kxExtensions.h>

#include <cstring>

#include "core/GLReadiness.h"
#include "core/Print.h"
#include "targets/Platform.h"
#include "targets/kxExtensionsInternal.h"

namespace kxgl {
#define KX_GL_ENTRY(type, name) type name = nullptr;
#define KX_API_ENTRY(type, name) type name = nullptr;
#include <varnox/kxEntryPoints.def>
#undef KX_GL_ENTRY
#undef KX_API_ENTRY
} // namespace kxgl

namespace {

// The extensions the library reports on at start-up, in report order.
// GL_NV_texture_rectangle is listed twice, and is reported twice.
const char* const kNeededExtensions[] = {
    "GL_EXT_paletted_texture",
    "GL_EXT_multi_draw_arrays",
    "GL_NV_texture_rectangle",
    "GL_NV_vertex_array_range",
    "GL_NV_vertex_array_range2",
    "GL_ARB_multitexture",
    "GL_ARB_texture_compression",
    "GL_EXT_texture_compression_s3tc",
    "GL_NV_texture_rectangle",
    "GL_SGIS_generate_mipmap",
    "GL_ARB_vertex_buffer_object",
};

} // namespace

void* varnox::LookupGLEntry(const char* name)
{
    return varnox::platform::LookupEntryPoint(name);
}

namespace {

template <class T> void Load(T& entry, const char* name)
{
    entry = reinterpret_cast<T>(varnox::platform::LookupEntryPoint(name));
}

// Which parts of the table a loader has filled, and whether the report has
// been printed, in this process.
bool glPartLoaded = false;
bool apiPartLoaded = false;
bool reported = false;

} // namespace

namespace varnox {

int IsExtensionInList(const char* name, const char* list)
{
    if (!name || !*name || std::strchr(name, ' ') || !list)
        return 0;
    const size_t length = std::strlen(name);
    for (const char* start = list;;) {
        const char* found = std::strstr(start, name);
        if (!found)
            return 0;
        const char* after = found + length;
        // An item starts at the beginning of the list or after a space. A
        // match that merely follows the previous (rejected) match is not an
        // item start: "GL_AGL_A" does not hold "GL_A".
        if ((found == list || found[-1] == ' ') && (*after == ' ' || *after == '\0'))
            return 1;
        start = after;
    }
}

int IsExtensionSupported(const char* name)
{
    if (!name || !*name || std::strchr(name, ' '))
        return 0;
    return IsExtensionInList(name, reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
}

void LoadGLEntryPoints()
{
#define KX_GL_ENTRY(type, name) Load(kxgl::name, #name);
#define KX_API_ENTRY(type, name)
#include <varnox/kxEntryPoints.def>
#undef KX_GL_ENTRY
#undef KX_API_ENTRY
    glPartLoaded = true;
}

bool NeededExtensionsReported()
{
    return reported;
}

void FillEmptyEntryPoints()
{
    if (!apiPartLoaded)
        kxInitWGLExtentions();
    if (!glPartLoaded)
        LoadGLEntryPoints();
}

} // namespace varnox

void kxInitGLExtentions()
{
    for (const char* name : kNeededExtensions)
        varnox::Print(varnox::Kind::Report, "Needed extension %s is supported: %s", name,
            varnox::IsExtensionSupported(name) ? "Yes\n" : "No\n");
    reported = true;
    varnox::LoadGLEntryPoints();
}

void kxInitWGLExtentions()
{
#define KX_GL_ENTRY(type, name)
#define KX_API_ENTRY(type, name) Load(kxgl::name, #name);
#include <varnox/kxEntryPoints.def>
#undef KX_GL_ENTRY
#undef KX_API_ENTRY
    apiPartLoaded = true;
}

const char* kxGetWGLExtentions()
{
    return varnox::platform::ContextApiExtensions();
}
