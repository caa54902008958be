// Case 13: ImageObject::Image of a video frame (I420, NV12, P010; 1920 × 1080
// and 3840 × 2160) and a draw of the image object's scene, on each conversion
// path, beside plain code doing the same work its own way:
//   - CPU path: libyuv's matrix function with the same constants into a BGRA
//     buffer, glTexSubImage2D into the object's texture, the scene's draw;
//   - GPU path: the planes into R8 / RG8 / R16 / RG16 textures, a minimal
//     conversion program drawn into the object's texture through a
//     framebuffer object of its own, the scene's draw.
// Each row names the bytes that go up to GL per frame on its path.

#include "Cases.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <libyuv/convert_argb.h>

#include "Pairing.h"
#include "PerfSupport.h"
#include "Quads.h"

namespace vnxperf {
namespace {

    // A frame with its planes packed, in buffers of its own.
    struct TestFrame {
        ImageObject::Frame frame;
        std::vector<unsigned char> planes[3];
        int planeCount = 0;
        int chromaWidth = 0, chromaHeight = 0;

        size_t Bytes() const { return planes[0].size() + planes[1].size() + planes[2].size(); }
    };

    // Smooth ramps with an edge every few hundred pixels, in limited range;
    // `seed` varies them.
    TestFrame MakeFrame(int layout, int width, int height, int matrix, int seed)
    {
        TestFrame t;
        t.chromaWidth = (width + 1) / 2;
        t.chromaHeight = (height + 1) / 2;
        const bool words = layout == ImageObject::P010;
        const int bytes = words ? 2 : 1;
        const auto put = [&](std::vector<unsigned char>& plane, size_t index, int code) {
            if (!words) {
                plane[index] = static_cast<unsigned char>(code);
                return;
            }
            // 10-bit code in the high bits of a little-endian word.
            const uint16_t value = static_cast<uint16_t>((code * 4 + (index & 3)) << 6);
            std::memcpy(&plane[index * 2], &value, 2);
        };
        t.planes[0].resize(static_cast<size_t>(width) * height * bytes);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                put(t.planes[0], static_cast<size_t>(y) * width + x, 16 + (x / 2 + y + seed) % 220);
        const size_t chroma = static_cast<size_t>(t.chromaWidth) * t.chromaHeight;
        const auto u = [&](int x) { return 16 + (x / 2 + seed * 7) % 225; };
        const auto v = [&](int x, int y) { return 16 + (y / 2 + x / 5 + seed * 3) % 225; };
        if (layout == ImageObject::I420) {
            t.planeCount = 3;
            t.planes[1].resize(chroma);
            t.planes[2].resize(chroma);
            for (int y = 0; y < t.chromaHeight; ++y)
                for (int x = 0; x < t.chromaWidth; ++x) {
                    t.planes[1][static_cast<size_t>(y) * t.chromaWidth + x]
                        = static_cast<unsigned char>(u(x));
                    t.planes[2][static_cast<size_t>(y) * t.chromaWidth + x]
                        = static_cast<unsigned char>(v(x, y));
                }
        } else {
            t.planeCount = 2;
            t.planes[1].resize(chroma * 2 * bytes);
            for (int y = 0; y < t.chromaHeight; ++y)
                for (int x = 0; x < t.chromaWidth; ++x) {
                    const size_t at = (static_cast<size_t>(y) * t.chromaWidth + x) * 2;
                    put(t.planes[1], at, u(x));
                    put(t.planes[1], at + 1, v(x, y));
                }
        }
        t.frame.layout = layout;
        t.frame.width = width;
        t.frame.height = height;
        for (int i = 0; i < t.planeCount; ++i)
            t.frame.planes[i] = t.planes[i].data();
        t.frame.matrix = matrix;
        t.frame.range = ImageObject::limitedRange;
        return t;
    }

    const libyuv::YuvConstants* LimitedConstants(int matrix)
    {
        return matrix == ImageObject::BT709 ? &libyuv::kYuvH709Constants : &libyuv::kYuvI601Constants;
    }

    // The CPU path by hand: libyuv straight into a buffer, then the upload.
    void PlainCpuImage(const TestFrame& t, GLuint texture, unsigned char* bgra)
    {
        const ImageObject::Frame& f = t.frame;
        const libyuv::YuvConstants* constants = LimitedConstants(f.matrix);
        const int w = f.width, h = f.height;
        if (f.layout == ImageObject::I420)
            libyuv::I420ToARGBMatrix(t.planes[0].data(), w, t.planes[1].data(), t.chromaWidth,
                t.planes[2].data(), t.chromaWidth, bgra, w * 4, constants, w, h);
        else if (f.layout == ImageObject::NV12)
            libyuv::NV12ToARGBMatrix(
                t.planes[0].data(), w, t.planes[1].data(), t.chromaWidth * 2, bgra, w * 4, constants, w, h);
        else
            libyuv::P010ToARGBMatrix(reinterpret_cast<const uint16_t*>(t.planes[0].data()), w,
                reinterpret_cast<const uint16_t*>(t.planes[1].data()), t.chromaWidth * 2, bgra, w * 4,
                constants, w, h);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
    }

    const char* const kPlainVertex = "void main() { gl_Position = gl_Vertex; }\n";
    // Pixel (x, y) at gl_FragCoord (x + 0.5, y + 0.5); chroma halved both
    // ways, sited with the left pixel across and between the rows down, as
    // the library sites it. toRgb holds the matrix by columns (Y', Cb, Cr);
    // the colour is formed without its zero and unit terms.
    const char* const kPlainFragment = R"(
uniform sampler2D lumaPlane;
uniform sampler2D chromaPlane;
uniform sampler2D secondChromaPlane;
uniform vec2 lumaScale;
uniform vec4 chromaMap;
uniform float toCode;
uniform vec3 black;
uniform vec3 unit;
uniform mat3 toRgb;
void main()
{
    vec2 at = gl_FragCoord.xy;
    vec2 chroma = at * chromaMap.xy + chromaMap.zw;
    vec3 codes;
    codes.x = texture2D(lumaPlane, at * lumaScale).r;
#ifdef PAIRS
    codes.yz = texture2D(chromaPlane, chroma).rg;
#else
    codes.y = texture2D(chromaPlane, chroma).r;
    codes.z = texture2D(secondChromaPlane, chroma).r;
#endif
    vec3 yuv = (codes * toCode - black) * unit;
    gl_FragColor = vec4(clamp(vec3(yuv.x + toRgb[2].x * yuv.z, yuv.x + toRgb[1].y * yuv.y + toRgb[2].y * yuv.z,
        yuv.x + toRgb[1].z * yuv.y), 0.0, 1.0), 1.0);
}
)";

    // The GPU path by hand: plane textures, one program, one framebuffer with
    // the image object's texture attached for good.
    class PlainGpu {
    public:
        PlainGpu(const TestFrame& t, GLuint destination)
            : frame(t)
            , destination(destination)
        {
            const int layout = t.frame.layout;
            const bool words = layout == ImageObject::P010;
            for (int i = 0; i < t.planeCount; ++i) {
                Plane& p = planes[i];
                p.width = i == 0 ? t.frame.width : t.chromaWidth;
                p.height = i == 0 ? t.frame.height : t.chromaHeight;
                const bool pairs = i == 1 && layout != ImageObject::I420;
                p.format = pairs ? GL_RG : GL_RED;
                p.type = words ? GL_UNSIGNED_SHORT : GL_UNSIGNED_BYTE;
                const GLint internal = pairs ? (words ? GL_RG16 : GL_RG8) : (words ? GL_R16 : GL_R8);
                glGenTextures(1, &p.name);
                glBindTexture(GL_TEXTURE_2D, p.name);
                glTexImage2D(GL_TEXTURE_2D, 0, internal, p.width, p.height, 0, p.format, p.type, nullptr);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            }
            glBindTexture(GL_TEXTURE_2D, 0);

            const std::string defines = layout == ImageObject::I420 ? "" : "#define PAIRS 1\n";
            const GLuint vertex = Compile(GL_VERTEX_SHADER, "", kPlainVertex);
            const GLuint fragment = Compile(GL_FRAGMENT_SHADER, defines.c_str(), kPlainFragment);
            program = glCreateProgram();
            glAttachShader(program, vertex);
            glAttachShader(program, fragment);
            glLinkProgram(program);
            glDeleteShader(vertex);
            glDeleteShader(fragment);
            GLint linked = 0;
            glGetProgramiv(program, GL_LINK_STATUS, &linked);
            if (!linked)
                return;
            glUseProgram(program);
            glUniform1i(glGetUniformLocation(program, "lumaPlane"), 0);
            glUniform1i(glGetUniformLocation(program, "chromaPlane"), 1);
            glUniform1i(glGetUniformLocation(program, "secondChromaPlane"), 2);
            const double w = t.frame.width, h = t.frame.height, cw = t.chromaWidth, ch = t.chromaHeight;
            glUniform2f(glGetUniformLocation(program, "lumaScale"), static_cast<float>(1 / w),
                static_cast<float>(1 / h));
            glUniform4f(glGetUniformLocation(program, "chromaMap"), static_cast<float>(0.5 / cw),
                static_cast<float>(0.5 / ch), static_cast<float>(0.25 / cw), 0.0f);
            const double depth = words ? 4.0 : 1.0;
            glUniform1f(
                glGetUniformLocation(program, "toCode"), static_cast<float>(words ? 65535.0 / 64 : 255.0));
            glUniform3f(glGetUniformLocation(program, "black"), static_cast<float>(16 * depth),
                static_cast<float>(128 * depth), static_cast<float>(128 * depth));
            glUniform3f(glGetUniformLocation(program, "unit"), static_cast<float>(1 / (219 * depth)),
                static_cast<float>(1 / (224 * depth)), static_cast<float>(1 / (224 * depth)));
            const double kr = t.frame.matrix == ImageObject::BT709 ? 0.2126 : 0.299;
            const double kb = t.frame.matrix == ImageObject::BT709 ? 0.0722 : 0.114;
            const double kg = 1 - kr - kb;
            // Columns: Y', Cb, Cr.
            const float toRgb[9]
                = { 1, 1, 1, 0, static_cast<float>(-2 * (1 - kb) * kb / kg), static_cast<float>(2 * (1 - kb)),
                      static_cast<float>(2 * (1 - kr)), static_cast<float>(-2 * (1 - kr) * kr / kg), 0 };
            glUniformMatrix3fv(glGetUniformLocation(program, "toRgb"), 1, GL_FALSE, toRgb);
            glUseProgram(0);

            glGenFramebuffers(1, &framebuffer);
            glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, destination, 0);
            complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
        }

        ~PlainGpu()
        {
            for (const Plane& p : planes)
                if (p.name)
                    glDeleteTextures(1, &p.name);
            glDeleteProgram(program);
            glDeleteFramebuffers(1, &framebuffer);
        }

        PlainGpu(const PlainGpu&) = delete;
        PlainGpu& operator=(const PlainGpu&) = delete;

        bool Ready() const { return complete; }

        void Convert() const
        {
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            for (int i = 0; i < frame.planeCount; ++i) {
                const Plane& p = planes[i];
                glActiveTexture(GL_TEXTURE0 + i);
                glBindTexture(GL_TEXTURE_2D, p.name);
                glTexSubImage2D(
                    GL_TEXTURE_2D, 0, 0, 0, p.width, p.height, p.format, p.type, frame.planes[i].data());
            }
            glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, destination, 0);
            glViewport(0, 0, frame.frame.width, frame.frame.height);
            // The target draws with blending and depth testing on; the
            // conversion writes every pixel as it is.
            glDisable(GL_BLEND);
            glDisable(GL_DEPTH_TEST);
            glUseProgram(program);
            glBegin(GL_QUADS);
            glVertex2f(-1.0f, -1.0f);
            glVertex2f(1.0f, -1.0f);
            glVertex2f(1.0f, 1.0f);
            glVertex2f(-1.0f, 1.0f);
            glEnd();
            glUseProgram(0);
            glEnable(GL_DEPTH_TEST);
            glEnable(GL_BLEND);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            for (int i = frame.planeCount - 1; i >= 0; --i) {
                glActiveTexture(GL_TEXTURE0 + i);
                glBindTexture(GL_TEXTURE_2D, 0);
            }
        }

    private:
        static GLuint Compile(GLenum stage, const char* defines, const char* source)
        {
            const GLuint shader = glCreateShader(stage);
            const char* const pieces[2] = { defines, source };
            glShaderSource(shader, 2, pieces, nullptr);
            glCompileShader(shader);
            return shader;
        }

        struct Plane {
            GLuint name = 0;
            int width = 0, height = 0;
            GLenum format = GL_RED, type = GL_UNSIGNED_BYTE;
        } planes[3];
        const TestFrame& frame;
        GLuint program = 0;
        GLuint destination;
        GLuint framebuffer = 0;
        bool complete = false;
    };

    const char* LayoutName(int layout)
    {
        return layout == ImageObject::I420 ? "I420" : layout == ImageObject::NV12 ? "NV12" : "P010";
    }

    // The largest difference of any channel of any pixel.
    int LargestDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
    {
        if (a.size() != b.size())
            return 256;
        int largest = 0;
        for (size_t i = 0; i < a.size(); ++i)
            largest = std::max(largest, std::abs(static_cast<int>(a[i]) - static_cast<int>(b[i])));
        return largest;
    }

    void FrameAndDraw(benchmark::State& state, int layout, int width, int height, int path, int matrix)
    {
        const bool gpu = path == ImageObject::gpuPath;
        const TestFrame frame = MakeFrame(layout, width, height, matrix, 0);
        const size_t uploaded = gpu ? frame.Bytes() : static_cast<size_t>(width) * height * 4;
        char name[160];
        std::snprintf(name, sizeof name, "13. Image(frame) and draw, %s %s %d × %d, %s path (%.1f MB up)",
            LayoutName(layout), matrix == ImageObject::BT709 ? "BT.709" : "BT.601", width, height,
            gpu ? "GPU" : "CPU", static_cast<double>(uploaded) / 1e6);
        // A BT.709 frame costs the CPU path its stretch to full range, which
        // plain code calling libyuv with its own (cut) constants skips: that
        // row shows the cost and has no goal.
        const bool stretched = !gpu && matrix == ImageObject::BT709;
        const CaseInfo info { name, "frames/s", 1.0, stretched ? 0.0 : 0.95 };
        std::unique_ptr<COffScreen> target = HeadlessTarget(width, height);
        if (!target)
            return RecordFailure(state, info, "no headless off-screen target");
        std::string why;
        {
            QuadScene scene;
            ImageObject* image = ImageObject::NewL(ImageObject::imageSize, true);
            image->FramePath(path);
            image->Image(frame.frame);
            scene.Add(image, 0.0f, 0.0f, 0, *target);
            const GLuint texture = image->getTexture()->texture;
            std::vector<unsigned char> bgra(static_cast<size_t>(width) * height * 4);
            std::unique_ptr<PlainGpu> plainGpu;
            if (gpu)
                plainGpu.reset(new PlainGpu(frame, texture));
            const auto library = [&] {
                image->Image(frame.frame);
                scene.RenderLibrary(*target);
            };
            const auto plain = [&] {
                if (gpu)
                    plainGpu->Convert();
                else
                    PlainCpuImage(frame, texture, bgra.data());
                scene.RenderPlain(*target);
            };
            // Both sides show the same picture: the same bytes where both
            // convert with the same constants, within the two conversions'
            // rounding where they do not (GPU path: another program; BT.709:
            // the library's stretch to full range first, libyuv's cut
            // coefficients by hand).
            const int tolerance = gpu ? 3 : matrix == ImageObject::BT709 ? 16 : 0;
            if (gpu && !plainGpu->Ready())
                why = "the plain side's framebuffer is not complete";
            if (why.empty()) {
                library();
                const std::vector<unsigned char> mine = ReadPixels(*target);
                plain();
                const std::vector<unsigned char> theirs = ReadPixels(*target);
                const int difference = LargestDifference(mine, theirs);
                if (difference > tolerance)
                    why = "the plain side's pixels differ from the library's by up to "
                        + std::to_string(difference);
            }
            if (why.empty()) {
                CaseInfo marked = info;
                marked.sameCalls = false;
                RunPaired(
                    state, marked,
                    [&] {
                        library();
                        glFinish();
                    },
                    [&] {
                        plain();
                        glFinish();
                    });
                state.counters["bytes_up"] = static_cast<double>(uploaded);
            }
        }
        target.reset();
        if (!why.empty())
            RecordFailure(state, info, why);
    }

} // namespace

void RegisterVideoFrameCases()
{
    static const struct {
        const char* name;
        int layout;
    } kLayouts[]
        = { { "i420", ImageObject::I420 }, { "nv12", ImageObject::NV12 }, { "p010", ImageObject::P010 } };
    static const struct {
        const char* name;
        int width, height;
    } kSizes[] = { { "1920x1080", 1920, 1080 }, { "3840x2160", 3840, 2160 } };
    for (const auto& size : kSizes)
        for (const auto& layout : kLayouts)
            for (const int path : { ImageObject::cpuPath, ImageObject::gpuPath }) {
                const std::string id = std::string("video/") + layout.name + "_" + size.name
                    + (path == ImageObject::cpuPath ? "_cpu" : "_gpu");
                const int l = layout.layout, w = size.width, h = size.height;
                RegisterPaired(id.c_str(), [l, w, h, path](benchmark::State& s) {
                    FrameAndDraw(s, l, w, h, path, ImageObject::BT601);
                });
            }
    // What the stretch to full range costs a BT.709 limited-range frame on the
    // CPU path.
    RegisterPaired("video/i420_bt709_1920x1080_cpu", [](benchmark::State& s) {
        FrameAndDraw(s, ImageObject::I420, 1920, 1080, ImageObject::cpuPath, ImageObject::BT709);
    });
    RegisterPaired("video/i420_bt709_1920x1080_gpu", [](benchmark::State& s) {
        FrameAndDraw(s, ImageObject::I420, 1920, 1080, ImageObject::gpuPath, ImageObject::BT709);
    });
}

} // namespace vnxperf
