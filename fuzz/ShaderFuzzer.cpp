// Shader sources: fuzzed file text loaded, compiled and linked through
// VertexProgram, FragmentProgram and Shader, with uniforms set by fuzzed
// names and the program drawn with. Afterwards every GL shader and program
// object the input made must be gone.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include <varnox/CScene.h>
#include <varnox/COffScreen.h>
#include <varnox/Geometry.h>
#include <varnox/Shader.h>
#include <varnox/kxExtensions.h>

#include "common/FuzzSupport.h"

namespace {

using vxfuzz::Require;

std::string folder;

// Writes `text` to a file of its own and returns the path.
std::string WriteSource(const std::string& name, const std::string& text)
{
    const std::string path = folder + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    Require(file != nullptr, "the scratch file can be written");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return path;
}

// A node that draws one triangle with whatever shader it holds.
class Triangle : public Geometry {
public:
    Triangle()
    {
        primitiveMode = GL_TRIANGLES;
        setVertices(new float[9] { 0, 0, 0, 16, 0, 0, 0, 16, 0 }, 3);
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vxfuzz::StartContext();
    char pattern[] = "/tmp/vxfuzz-shader-XXXXXX";
    Require(mkdtemp(pattern) != nullptr, "a scratch folder can be made");
    folder = pattern;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const uint8_t flags = input.ConsumeIntegral<uint8_t>();
    const std::string uniform = input.ConsumeRandomLengthString(64);
    const float value = input.ConsumeFloatingPoint<float>();
    const std::string vertexText = input.ConsumeRandomLengthString(4096);
    const std::string fragmentText = input.ConsumeRemainingBytesAsString();

    vxfuzz::Trace("flags 0x%02x, uniform \"%s\" = %g, vertex text %zu bytes, fragment text %zu bytes", flags,
        uniform.c_str(), static_cast<double>(value), vertexText.size(), fragmentText.size());
    const std::string vertexPath = WriteSource("vertex.sh", vertexText);
    // One file for both stages, as the benchmark loads its shader, or two.
    const std::string fragmentPath = (flags & 1) ? vertexPath : WriteSource("fragment.sh", fragmentText);

    // Now and then a stage without a path or from a file that is not there.
    const char* vertexSource = vertexPath.c_str();
    if ((flags & 0x30) == 0x30)
        vertexSource = (flags & 0x40) ? nullptr : "/nonexistent/vxfuzz.sh";

    std::vector<GLuint> shaders;
    GLuint program = 0;
    {
        VertexProgram* vertex = new VertexProgram(vertexSource);
        FragmentProgram* fragment = new FragmentProgram(fragmentPath.c_str());
        Require(kxgl::glIsShader(vertex->shader) && kxgl::glIsShader(fragment->shader),
            "each program holds a GL shader object");
        shaders = { vertex->shader, fragment->shader };
        Shader* shader = new Shader();
        program = shader->program;
        // Either order, and now and then a stage set twice (relinked, count
        // unchanged) or a stage left out.
        if (flags & 2) {
            shader->SetFragmentProgram(fragment);
            if (!(flags & 4))
                shader->SetVertexProgram(vertex);
        } else {
            shader->SetVertexProgram(vertex);
            shader->SetFragmentProgram(fragment);
        }
        if (flags & 8)
            shader->SetVertexProgram(vertex);
        shader->SetUniform(uniform.c_str(), value);
        shader->SetUniform(uniform.c_str(), kxVec3(value, -value, 0.5f));

        Triangle* triangle = new Triangle();
        triangle->setShader(shader);
        CScene* scene = CScene::NewL();
        scene->addObject(triangle);
        scene->Render(&vxfuzz::Target());
        delete scene;
        // The node holds the shader, the shader its programs: deleting the
        // node releases them all. A stage left out is deleted by hand.
        const bool vertexHeld = !((flags & 2) && (flags & 4)) || (flags & 8);
        delete triangle;
        if (!vertexHeld)
            delete vertex;
    }
    for (GLuint name : shaders)
        Require(!kxgl::glIsShader(name), "no GL shader object outlives its program");
    Require(!kxgl::glIsProgram(program), "no GL program object outlives its Shader");
    return 0;
}
