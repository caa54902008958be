#include "materials/FrameShader.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <varnox/Texture.h>
#include <varnox/kxExtensions.h>

#include "core/GLReadiness.h"
#include "core/Print.h"
#include "materials/FrameLayout.h"
#include "materials/ImageFormat.h"
#include "materials/InfoLog.h"
#include "materials/TextureUpload.h"

namespace varnox {

namespace {

    // The GL entry points the conversion needs beyond GL 1.1 and the
    // entry-point table, and what the context offers, for one context.
    struct Entries {
        PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
        PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
        PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
        PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D = nullptr;
        PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
        PFNGLACTIVETEXTUREPROC activeTexture = nullptr;
        bool separateBindings = false; // draw and read framebuffers bound apart (core flavour)
        bool redGreen = false; // GL_R8, GL_RG8, GL_R16, GL_RG16
        bool unpackBuffer = false; // GL_PIXEL_UNPACK_BUFFER exists
    };

    long MajorVersion(const char* version, long* minor)
    {
        char* end = nullptr;
        const long major = std::strtol(version, &end, 10);
        *minor = end && *end == '.' ? std::strtol(end + 1, nullptr, 10) : 0;
        return major;
    }

    // Whether `name` is one of the space-separated words of `list`.
    bool HasExtension(const char* list, const char* name)
    {
        const size_t length = std::strlen(name);
        for (const char* at = list; at && (at = std::strstr(at, name)) != nullptr; at += length) {
            const bool starts = at == list || at[-1] == ' ';
            const bool ends = at[length] == ' ' || at[length] == '\0';
            if (starts && ends)
                return true;
        }
        return false;
    }

    template <class T> void Look(T& entry, const char* name, const char* suffix)
    {
        entry = reinterpret_cast<T>(LookupGLEntry((std::string(name) + suffix).c_str()));
    }

    // Fills `entries` for the current context; null when it has all the
    // conversion needs, else what it lacks first.
    const char* Load(Entries& entries)
    {
        const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        if (!version)
            return "current context";
        const char* missing
            = MissingForGLObjects({ VARNOX_NEEDED_ENTRY(glCreateShader), VARNOX_NEEDED_ENTRY(glShaderSource),
                VARNOX_NEEDED_ENTRY(glCompileShader), VARNOX_NEEDED_ENTRY(glGetShaderiv),
                VARNOX_NEEDED_ENTRY(glGetShaderInfoLog), VARNOX_NEEDED_ENTRY(glDeleteShader),
                VARNOX_NEEDED_ENTRY(glCreateProgram), VARNOX_NEEDED_ENTRY(glAttachShader),
                VARNOX_NEEDED_ENTRY(glLinkProgram), VARNOX_NEEDED_ENTRY(glGetProgramiv),
                VARNOX_NEEDED_ENTRY(glGetProgramInfoLog), VARNOX_NEEDED_ENTRY(glDeleteProgram),
                VARNOX_NEEDED_ENTRY(glUseProgram), VARNOX_NEEDED_ENTRY(glGetUniformLocation),
                VARNOX_NEEDED_ENTRY(glUniform1i), VARNOX_NEEDED_ENTRY(glUniform2f),
                VARNOX_NEEDED_ENTRY(glUniform3f), VARNOX_NEEDED_ENTRY(glUniform4f) });
        if (missing)
            return missing;
        const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        long minor = 0;
        const long major = MajorVersion(version, &minor);

        // Plane textures are as wide as the planes.
        if (major < 2 && !HasExtension(list, "GL_ARB_texture_non_power_of_two"))
            return "textures of any size";
        const bool core = major >= 3 || HasExtension(list, "GL_ARB_framebuffer_object");
        if (!core && !HasExtension(list, "GL_EXT_framebuffer_object"))
            return "framebuffer objects";
        const char* suffix = core ? "" : "EXT";
        Look(entries.genFramebuffers, "glGenFramebuffers", suffix);
        Look(entries.deleteFramebuffers, "glDeleteFramebuffers", suffix);
        Look(entries.bindFramebuffer, "glBindFramebuffer", suffix);
        Look(entries.framebufferTexture2D, "glFramebufferTexture2D", suffix);
        Look(entries.checkFramebufferStatus, "glCheckFramebufferStatus", suffix);
        if (!entries.genFramebuffers || !entries.deleteFramebuffers || !entries.bindFramebuffer
            || !entries.framebufferTexture2D || !entries.checkFramebufferStatus)
            return "framebuffer objects";
        Look(entries.activeTexture, "glActiveTexture", "");
        if (!entries.activeTexture)
            Look(entries.activeTexture, "glActiveTexture", "ARB");
        if (!entries.activeTexture)
            return "glActiveTexture";
        entries.separateBindings = core;
        entries.redGreen = major >= 3 || HasExtension(list, "GL_ARB_texture_rg");
        entries.unpackBuffer = kxgl::glBindBuffer
            && (major > 2 || (major == 2 && minor >= 1) || HasExtension(list, "GL_ARB_pixel_buffer_object"));
        return nullptr;
    }

    // The one program source. The layout picks how the samples are fetched
    // (a #define per variant); matrix, range and bit depth are uniforms.
    // Every fetch is at gl_FragCoord: the viewport is the frame, so pixel
    // (x, y) of the frame is the fragment at (x + 0.5, y + 0.5).
    const char* const kVertexSource = "void main() { gl_Position = vec4(gl_Vertex.xy, 0.0, 1.0); }\n";
    const char* const kFragmentSource = R"(
uniform sampler2D plane0;
uniform sampler2D plane1;
uniform sampler2D plane2;
// From gl_FragCoord to luma coordinates (packed layouts: to the texel of a
// pixel pair), and to chroma coordinates: xy scale, zw offset.
uniform vec2 lumaScale;
uniform vec4 chromaMap;
// Texture value to sample code, and the largest code.
uniform vec2 sampleUnits;
// Codes of Y' = 0, Cb = 0 and Cr = 0, and one over the codes from Y' 0 to 1
// and from Cb (Cr) -0.5 to 0.5.
uniform vec3 black;
uniform vec3 unit;
// Kr and Kb.
uniform vec2 weights;

#ifdef LUMINANCE_FORMATS
#define SECOND a
#else
#define SECOND g
#endif

vec3 Samples()
{
    vec2 at = gl_FragCoord.xy;
    vec2 chroma = at * chromaMap.xy + chromaMap.zw;
#if defined(PACKED_YUY2) || defined(PACKED_UYVY)
    float pair = floor(at.x * 0.5);
    vec4 texel = texture2D(plane0, vec2(pair + 0.5, at.y) * lumaScale);
    vec4 between = texture2D(plane0, chroma);
    bool second = at.x - 2.0 * pair > 1.0;
#ifdef PACKED_YUY2
    return vec3(second ? texel.b : texel.r, between.g, between.a);
#else
    return vec3(second ? texel.a : texel.g, between.r, between.b);
#endif
#else
    float luma = texture2D(plane0, at * lumaScale).r;
#if defined(GREY)
    return vec3(luma, 0.0, 0.0);
#elif defined(TWO_PLANES)
    vec4 pairs = texture2D(plane1, chroma);
#ifdef SWAPPED
    return vec3(luma, pairs.SECOND, pairs.r);
#else
    return vec3(luma, pairs.r, pairs.SECOND);
#endif
#elif defined(SWAPPED)
    return vec3(luma, texture2D(plane2, chroma).r, texture2D(plane1, chroma).r);
#else
    return vec3(luma, texture2D(plane1, chroma).r, texture2D(plane2, chroma).r);
#endif
#endif
}

void main()
{
    vec3 codes = min(Samples() * sampleUnits.x, vec3(sampleUnits.y));
#ifdef GREY
    codes.yz = black.yz;
#endif
    vec3 yuv = (codes - black) * unit;
    float r = yuv.x + 2.0 * (1.0 - weights.x) * yuv.z;
    float b = yuv.x + 2.0 * (1.0 - weights.y) * yuv.y;
    float g = (yuv.x - weights.x * r - weights.y * b) / (1.0 - weights.x - weights.y);
    gl_FragColor = vec4(clamp(vec3(r, g, b), 0.0, 1.0), 1.0);
}
)";

    // The #define lines of a layout's variant.
    const char* LayoutDefines(int layout)
    {
        switch (layout) {
        case ImageObject::NV12:
        case ImageObject::P010:
            return "#define TWO_PLANES 1\n";
        case ImageObject::NV21:
            return "#define TWO_PLANES 1\n#define SWAPPED 1\n";
        case ImageObject::YUY2:
            return "#define PACKED_YUY2 1\n";
        case ImageObject::UYVY:
            return "#define PACKED_UYVY 1\n";
        case ImageObject::I400:
            return "#define GREY 1\n";
        case ImageObject::YV12:
            return "#define SWAPPED 1\n";
        default:
            return "";
        }
    }

    // Luma weights Kr, Kb of each frameMatrix.
    const double kWeights[3][2] = { { 0.299, 0.114 }, { 0.2126, 0.0722 }, { 0.2627, 0.0593 } };

    // What one plane's texture holds.
    struct PlaneFormat {
        GLint internalFormat;
        GLenum format;
        GLenum type;
        int bytes; // of one texel in memory
    };

    PlaneFormat FormatOf(int layout, int plane, bool redGreen)
    {
        if (layout == ImageObject::YUY2 || layout == ImageObject::UYVY)
            return { GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4 };
        const bool wide = layout == ImageObject::I010 || layout == ImageObject::P010
            || layout == ImageObject::I210 || layout == ImageObject::I410;
        const bool pairs = plane == 1
            && (layout == ImageObject::NV12 || layout == ImageObject::NV21 || layout == ImageObject::P010);
        const GLenum type = wide ? GL_UNSIGNED_SHORT : GL_UNSIGNED_BYTE;
        const int bytes = (wide ? 2 : 1) * (pairs ? 2 : 1);
        if (redGreen) {
            if (pairs)
                return { wide ? GL_RG16 : GL_RG8, GL_RG, type, bytes };
            return { wide ? GL_R16 : GL_R8, GL_RED, type, bytes };
        }
        if (pairs)
            return { wide ? GL_LUMINANCE16_ALPHA16 : GL_LUMINANCE8_ALPHA8, GL_LUMINANCE_ALPHA, type, bytes };
        return { wide ? GL_LUMINANCE16 : GL_LUMINANCE8, GL_LUMINANCE, type, bytes };
    }

    GLuint CompileShader(GLenum stage, const char* defines, const char* source)
    {
        const GLuint shader = kxgl::glCreateShader(stage);
        const char* const pieces[2] = { defines, source };
        kxgl::glShaderSource(shader, 2, pieces, nullptr);
        kxgl::glCompileShader(shader);
        if (!ReportInfoLog(shader, GL_COMPILE_STATUS, kxgl::glGetShaderiv, kxgl::glGetShaderInfoLog,
                "FrameShader: the frame program did not compile; frames convert on the CPU\n")) {
            kxgl::glDeleteShader(shader);
            return 0;
        }
        return shader;
    }

    // The GL state Convert changes, as it found it.
    struct SavedState {
        GLint activeTexture = GL_TEXTURE0;
        GLint textures[3] = { 0, 0, 0 };
        GLint program = 0;
        GLint drawFramebuffer = 0;
        GLint readFramebuffer = 0;
        GLint unpackBuffer = 0;
        GLint rowLength = 0, alignment = 4, skipRows = 0, skipPixels = 0;
    };

} // namespace

struct FrameShader::Objects {
    Entries entries;
    const char* missing = nullptr; // what the context lacks; null: it has all
    GLuint framebuffer = 0;

    struct Plane {
        GLuint name = 0;
        int width = 0;
        int height = 0;
        GLint internalFormat = 0;
    } planes[3];

    struct Variant {
        const char* defines = nullptr; // identifies the variant
        GLuint program = 0; // 0: it did not build
        GLint lumaScale = -1, chromaMap = -1, sampleUnits = -1, black = -1, unit = -1, weights = -1;
    };
    std::vector<Variant> variants;

    // The destination last found complete as the framebuffer's attachment.
    GLuint checkedTexture = 0;
    int checkedWidth = 0;
    int checkedHeight = 0;

    const Variant& VariantFor(int layout);
    void Upload(int index, const ImageObject::Frame& frame, const FrameShape& shape);
    void Save(SavedState& saved) const;
    void Restore(const SavedState& saved) const;
};

const FrameShader::Objects::Variant& FrameShader::Objects::VariantFor(int layout)
{
    const char* defines = LayoutDefines(layout);
    for (const Variant& variant : variants)
        if (variant.defines == defines)
            return variant;
    Variant made;
    made.defines = defines;
    const std::string all = std::string(entries.redGreen ? "" : "#define LUMINANCE_FORMATS 1\n") + defines;
    const GLuint vertex = CompileShader(GL_VERTEX_SHADER, "", kVertexSource);
    const GLuint fragment = vertex ? CompileShader(GL_FRAGMENT_SHADER, all.c_str(), kFragmentSource) : 0;
    if (vertex && fragment) {
        const GLuint program = kxgl::glCreateProgram();
        kxgl::glAttachShader(program, vertex);
        kxgl::glAttachShader(program, fragment);
        kxgl::glLinkProgram(program);
        if (ReportInfoLog(program, GL_LINK_STATUS, kxgl::glGetProgramiv, kxgl::glGetProgramInfoLog,
                "FrameShader: the frame program did not link; frames convert on the CPU\n")) {
            made.program = program;
            made.lumaScale = kxgl::glGetUniformLocation(program, "lumaScale");
            made.chromaMap = kxgl::glGetUniformLocation(program, "chromaMap");
            made.sampleUnits = kxgl::glGetUniformLocation(program, "sampleUnits");
            made.black = kxgl::glGetUniformLocation(program, "black");
            made.unit = kxgl::glGetUniformLocation(program, "unit");
            made.weights = kxgl::glGetUniformLocation(program, "weights");
            GLint previous = 0;
            glGetIntegerv(GL_CURRENT_PROGRAM, &previous);
            kxgl::glUseProgram(program);
            kxgl::glUniform1i(kxgl::glGetUniformLocation(program, "plane0"), 0);
            kxgl::glUniform1i(kxgl::glGetUniformLocation(program, "plane1"), 1);
            kxgl::glUniform1i(kxgl::glGetUniformLocation(program, "plane2"), 2);
            kxgl::glUseProgram(static_cast<GLuint>(previous));
        } else {
            kxgl::glDeleteProgram(program);
        }
    }
    // The program keeps what it linked; the shaders go with it.
    if (vertex)
        kxgl::glDeleteShader(vertex);
    if (fragment)
        kxgl::glDeleteShader(fragment);
    variants.push_back(made);
    return variants.back();
}

void FrameShader::Objects::Upload(int index, const ImageObject::Frame& frame, const FrameShape& shape)
{
    const PlaneShape& plane = shape.plane[index];
    const PlaneFormat format = FormatOf(frame.layout, index, entries.redGreen);
    Plane& texture = planes[index];
    entries.activeTexture(GL_TEXTURE0 + index);
    if (texture.name == 0)
        glGenTextures(1, &texture.name);
    glBindTexture(GL_TEXTURE_2D, texture.name);
    // Storage is made again only when the plane's size or format changes;
    // frames of one stream replace the texels.
    if (texture.width != plane.samplesAcross || texture.height != plane.rows
        || texture.internalFormat != format.internalFormat) {
        glTexImage2D(GL_TEXTURE_2D, 0, format.internalFormat, plane.samplesAcross, plane.rows, 0,
            format.format, format.type, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        texture.width = plane.samplesAcross;
        texture.height = plane.rows;
        texture.internalFormat = format.internalFormat;
    }
    const long long stride = StrideOf(frame, shape, index);
    const unsigned char* rows = static_cast<const unsigned char*>(frame.planes[index]);
    // GL reads (rows - 1) row lengths and one row: exactly the plane's bytes.
    // A stride that is no whole number of texels has no row length; such a
    // plane goes up a row at a time.
    if (stride % format.bytes == 0) {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(stride / format.bytes));
        glTexSubImage2D(
            GL_TEXTURE_2D, 0, 0, 0, plane.samplesAcross, plane.rows, format.format, format.type, rows);
    } else {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        for (int row = 0; row < plane.rows; ++row)
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, row, plane.samplesAcross, 1, format.format, format.type,
                rows + stride * row);
    }
}

void FrameShader::Objects::Save(SavedState& saved) const
{
    glGetIntegerv(GL_ACTIVE_TEXTURE, &saved.activeTexture);
    for (int unit = 0; unit < 3; ++unit) {
        entries.activeTexture(GL_TEXTURE0 + unit);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &saved.textures[unit]);
    }
    glGetIntegerv(GL_CURRENT_PROGRAM, &saved.program);
    if (entries.separateBindings) {
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &saved.drawFramebuffer);
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &saved.readFramebuffer);
    } else {
        glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &saved.drawFramebuffer);
    }
    if (entries.unpackBuffer)
        glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &saved.unpackBuffer);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &saved.rowLength);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &saved.alignment);
    glGetIntegerv(GL_UNPACK_SKIP_ROWS, &saved.skipRows);
    glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &saved.skipPixels);
}

void FrameShader::Objects::Restore(const SavedState& saved) const
{
    if (entries.separateBindings) {
        entries.bindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(saved.drawFramebuffer));
        entries.bindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(saved.readFramebuffer));
    } else {
        entries.bindFramebuffer(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(saved.drawFramebuffer));
    }
    kxgl::glUseProgram(static_cast<GLuint>(saved.program));
    for (int unit = 2; unit >= 0; --unit) {
        entries.activeTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(saved.textures[unit]));
    }
    entries.activeTexture(static_cast<GLenum>(saved.activeTexture));
    if (saved.unpackBuffer)
        kxgl::glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(saved.unpackBuffer));
    glPixelStorei(GL_UNPACK_ROW_LENGTH, saved.rowLength);
    glPixelStorei(GL_UNPACK_ALIGNMENT, saved.alignment);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, saved.skipRows);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, saved.skipPixels);
}

FrameShader::FrameShader() = default;

FrameShader::~FrameShader()
{
    if (!objects)
        return;
    for (const Objects::Plane& plane : objects->planes)
        if (plane.name)
            glDeleteTextures(1, &plane.name);
    for (const Objects::Variant& variant : objects->variants)
        if (variant.program)
            kxgl::glDeleteProgram(variant.program);
    if (objects->framebuffer)
        objects->entries.deleteFramebuffers(1, &objects->framebuffer);
}

bool FrameShader::Available(std::string& why)
{
    Entries entries;
    const char* missing = Load(entries);
    why = missing ? std::string("no ") + missing : std::string();
    return !missing;
}

bool FrameShader::Convert(const ImageObject::Frame& frame, const FrameShape& shape, Texture& texture)
{
    if (!objects) {
        objects.reset(new Objects());
        objects->missing = Load(objects->entries);
    }
    Objects& made = *objects;
    if (made.missing)
        return false;
    const Objects::Variant& variant = made.VariantFor(frame.layout);
    if (!variant.program)
        return false;

    SavedState saved;
    made.Save(saved);
    const auto defined = [&] {
        return texture.texture != 0 && texture.width == frame.width && texture.height == frame.height
            && texture.format == format::kBGRA32;
    };
    // The destination's storage, as its own setImage makes it for a BGRA32
    // image; it binds the texture on unit 0, which the planes then take.
    made.entries.activeTexture(GL_TEXTURE0);
    texture.setImage(frame.width, frame.height, 0, format::kBGRA32, nullptr);
    if (!defined()) {
        made.Restore(saved);
        return false;
    }
    if (frame.width == 0 || frame.height == 0) {
        made.Restore(saved);
        return true;
    }

    const Entries& gl = made.entries;
    if (saved.unpackBuffer)
        kxgl::glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    for (int i = 0; i < shape.planes; ++i)
        made.Upload(i, frame, shape);

    // Viewport and the per-fragment operations that could change what the
    // quad writes; the attribute stack gives them back as they were. Saved
    // while the caller's framebuffer is bound, and given back once it is
    // again: the colour-buffer bits hold that framebuffer's draw buffers.
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_VIEWPORT_BIT | GL_POLYGON_BIT | GL_SCISSOR_BIT);
    if (made.framebuffer == 0)
        gl.genFramebuffers(1, &made.framebuffer);
    gl.bindFramebuffer(GL_FRAMEBUFFER, made.framebuffer);
    gl.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture.texture, 0);
    if (made.checkedTexture != texture.texture || made.checkedWidth != texture.textureWidth
        || made.checkedHeight != texture.textureHeight) {
        if (gl.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            gl.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
            made.checkedTexture = 0;
            made.Restore(saved);
            glPopAttrib();
            return false;
        }
        made.checkedTexture = texture.texture;
        made.checkedWidth = texture.textureWidth;
        made.checkedHeight = texture.textureHeight;
    }

    glViewport(0, 0, frame.width, frame.height);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_COLOR_LOGIC_OP);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    kxgl::glUseProgram(variant.program);
    const double w = frame.width, h = frame.height;
    if (frame.layout == ImageObject::YUY2 || frame.layout == ImageObject::UYVY)
        kxgl::glUniform2f(variant.lumaScale, static_cast<float>(1.0 / shape.plane[0].samplesAcross),
            static_cast<float>(1.0 / h));
    else
        kxgl::glUniform2f(variant.lumaScale, static_cast<float>(1.0 / w), static_cast<float>(1.0 / h));
    // Chroma sample i of a plane halved across sits on luma sample 2i (with
    // the left one of its pair): the pixel whose centre is at x + 0.5 lies
    // x / 2 samples along, at texel coordinate x / 2 + 0.5 = fx / 2 + 0.25.
    // Halved down, chroma sits between its two rows: row j at 2j + 0.5, so
    // texel coordinate (y - 0.5) / 2 + 0.5 = fy / 2. Full-size chroma is at
    // the luma pixel.
    const int chromaPlane = frame.layout == ImageObject::YUY2 || frame.layout == ImageObject::UYVY ? 0 : 1;
    // Grey frames have no chroma plane; their chroma is never fetched.
    const PlaneShape& chroma = shape.plane[chromaPlane];
    const double chromaWidth = chroma.samplesAcross > 0 ? chroma.samplesAcross : w;
    const double chromaHeight = chroma.rows > 0 ? chroma.rows : h;
    const double scaleX = shape.chromaShiftX ? 0.5 : 1.0, offsetX = shape.chromaShiftX ? 0.25 : 0.0;
    const double scaleY = shape.chromaShiftY ? 0.5 : 1.0;
    kxgl::glUniform4f(variant.chromaMap, static_cast<float>(scaleX / chromaWidth),
        static_cast<float>(scaleY / chromaHeight), static_cast<float>(offsetX / chromaWidth), 0.0f);

    const bool tenBits = shape.bytesPerSample == 2;
    const double depth = tenBits ? 4.0 : 1.0; // codes per 8-bit code
    const double largest = tenBits ? 1023.0 : 255.0;
    const double toCode = !tenBits ? 255.0 : frame.layout == ImageObject::P010 ? 65535.0 / 64.0 : 65535.0;
    kxgl::glUniform2f(variant.sampleUnits, static_cast<float>(toCode), static_cast<float>(largest));
    const bool full = frame.range == ImageObject::fullRange;
    kxgl::glUniform3f(variant.black, full ? 0.0f : static_cast<float>(16.0 * depth),
        static_cast<float>(128.0 * depth), static_cast<float>(128.0 * depth));
    const double lumaSpan = full ? largest : 219.0 * depth, chromaSpan = full ? largest : 224.0 * depth;
    kxgl::glUniform3f(variant.unit, static_cast<float>(1.0 / lumaSpan), static_cast<float>(1.0 / chromaSpan),
        static_cast<float>(1.0 / chromaSpan));
    kxgl::glUniform2f(variant.weights, static_cast<float>(kWeights[frame.matrix][0]),
        static_cast<float>(kWeights[frame.matrix][1]));

    // One quad over the viewport, in clip coordinates: no matrix involved.
    // Window row y is texture row y, as an upload would place frame row y.
    glBegin(GL_QUADS);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(1.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    // A still image's texture keeps its edge for its mipmaps: read back from
    // what was just drawn (one row and one column; streams keep none).
    TextureUpload::ReadEdges(texture);

    // Detached, so that the texture does not live on in the framebuffer
    // after its owner deletes it.
    gl.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    made.Restore(saved);
    glPopAttrib();
    return true;
}

} // namespace varnox
