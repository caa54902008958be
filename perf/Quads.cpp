#include "Quads.h"

#include <cstdlib>
#include <memory>

#include "Cases.h"

namespace vnxperf {

QuadScene::QuadScene()
{
    scene = CScene::NewL();
    setenv("VARNOX_NO_STATE_ELISION", "1", 1);
    full = CScene::NewL();
    unsetenv("VARNOX_NO_STATE_ELISION");
    alone = CScene::NewL();
}

QuadScene::~QuadScene()
{
    delete alone;
    delete full;
    delete scene;
    for (Node* quad : quads)
        delete quad;
}

ImageObject* QuadScene::NewImage(int size, int seed)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(size) * size * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(
            (i % 4 == 3) ? 255 : (i * 37 + static_cast<size_t>(seed) * 53) & 0xff);
    ImageObject* image = ImageObject::NewL(0, 0, size, size, false);
    image->Image(size, size, ImageObject::RGBA32, pixels.data());
    return image;
}

void QuadScene::Add(Node* quad, Sequence& random, int range, CRenderTarget& target)
{
    const float x = static_cast<float>(random.Next(range));
    const float y = static_cast<float>(random.Next(range));
    Add(quad, x, y, random.Next(360), target);
}

void QuadScene::Add(
    Node* quad, float x, float y, int degrees, CRenderTarget& target, bool plainDraws, bool sharesBuffers)
{
    quads.push_back(quad);
    quad->setTranslation(x, y, 0.0f);
    quad->setRotation(static_cast<float>(degrees), 0.0f, 0.0f, 1.0f);
    scene->addObject(quad);
    full->addObject(quad);
    if (!plainDraws)
        return;

    // Drawn once alone: the array bindings name its buffers.
    if (!sharesBuffers || !lastVertices) {
        alone->addObject(quad);
        alone->Render(&target);
        alone->removeObject(quad);
        glGetIntegerv(GL_VERTEX_ARRAY_BUFFER_BINDING, &lastVertices);
        glGetIntegerv(GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING, &lastTexCoords);
    }
    const GLint vertices = lastVertices, texCoords = lastTexCoords;
    GLint program = 0;
    if (Shader* shader = quad->getShader())
        program = static_cast<GLint>(shader->program);

    const kxVec3 t = quad->getTranslation();
    const kxVec4 r = quad->getRotation();
    const kxVec3 s = quad->getScale();
    plain.quads.push_back(PlainQuad { { t.x, t.y, t.z }, { r.x, r.y, r.z, r.w }, { s.x, s.y, s.z },
        static_cast<GLuint>(vertices), static_cast<GLuint>(texCoords), quad->getTexture()->texture,
        static_cast<GLuint>(program) });
}

void QuadScene::RenderPlain(const CRenderTarget& target) const
{
    PlainRender(plain, target.width, target.height);
}

bool QuadScene::SamePixels(CRenderTarget& target, std::string* why)
{
    RenderLibrary(target);
    const std::vector<unsigned char> library = ReadPixels(target);
    RenderFull(target);
    const std::vector<unsigned char> fullSequence = ReadPixels(target);
    RenderPlain(target);
    const std::vector<unsigned char> plainPixels = ReadPixels(target);
    if (library != plainPixels) {
        *why = "the plain render's pixels differ from the library's";
        return false;
    }
    if (fullSequence != plainPixels) {
        *why = "the full sequence's pixels differ from the library's";
        return false;
    }
    size_t drawn = 0;
    for (size_t i = 0; i < library.size(); i += 4)
        drawn += library[i] || library[i + 1] || library[i + 2];
    if (drawn == 0) {
        *why = "the frame is black: no quad was drawn";
        return false;
    }
    return true;
}

void PlainRender(const PlainQuads& p, int width, int height)
{
    PlainSceneStart(width, height);

    GLuint program = 0;
    GLuint texture = 0;
    GLuint vertices = 0, texCoords = 0;
    bool first = true;
    for (const PlainQuad& q : p.quads) {
        if (q.program != program) {
            glUseProgram(q.program);
            program = q.program;
        }
        if (first)
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        if (first || q.texture != texture) {
            glBindTexture(GL_TEXTURE_2D, q.texture);
            texture = q.texture;
        }
        if (first)
            glEnable(GL_TEXTURE_2D);
        glPushMatrix();
        glTranslatef(q.translation[0], q.translation[1], q.translation[2]);
        glRotatef(q.rotation[0], q.rotation[1], q.rotation[2], q.rotation[3]);
        glScalef(q.scale[0], q.scale[1], q.scale[2]);
        if (first) {
            glLineWidth(p.lineWidth);
            glColor4f(p.colour[0], p.colour[1], p.colour[2], p.colour[3]);
        }
        if (first || q.vertices != vertices) {
            glBindBuffer(GL_ARRAY_BUFFER, vertices = q.vertices);
            glVertexPointer(p.components, GL_FLOAT, 0, nullptr);
        }
        if (first)
            glDisableClientState(GL_NORMAL_ARRAY);
        if (first || q.texCoords != texCoords) {
            glBindBuffer(GL_ARRAY_BUFFER, texCoords = q.texCoords);
            glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
        }
        glDrawArrays(p.mode, 0, p.vertexCount);
        glPopMatrix();
        first = false;
    }
    if (!first) {
        glDisable(GL_TEXTURE_2D);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    if (program)
        glUseProgram(0);
}

void RunQuads(benchmark::State& state, const CaseInfo& info, bool window, const BuildQuads& build, bool full)
{
    const int size = 256;
    std::string why;
    std::unique_ptr<PerfWindow> perfWindow;
    std::unique_ptr<COffScreen> offScreen;
    CRenderTarget* target = nullptr;
    if (window) {
        perfWindow = PerfWindow::Open(size, size, &why);
        if (!perfWindow)
            return RecordFailure(state, info, why);
        target = &perfWindow->target();
    } else {
        offScreen = HeadlessTarget(size, size);
        if (!offScreen)
            return RecordFailure(state, info, "no headless off-screen target");
        target = offScreen.get();
    }
    {
        QuadScene quads;
        build(quads, *target);
        if (quads.SamePixels(*target, &why)) {
            int frame = 0;
            const auto present = [&] {
                if (perfWindow)
                    perfWindow->target().Refresh(frame++);
                glFinish();
            };
            const auto library = [&] {
                quads.RenderLibrary(*target);
                present();
            };
            const auto plain = [&] {
                quads.RenderPlain(*target);
                if (perfWindow)
                    perfWindow->PlainPresent();
                glFinish();
            };
            if (full)
                RunPaired(state, info, library, plain, [&] {
                    quads.RenderFull(*target);
                    present();
                });
            else
                RunPaired(state, info, library, plain);
        }
    }
    offScreen.reset();
    perfWindow.reset();
    if (!why.empty())
        RecordFailure(state, info, why);
}

void RegisterQuadCases(
    const char* name, const std::string& row, double goal, const BuildQuads& build, bool full)
{
    RegisterPaired((std::string(name) + "/offscreen").c_str(), [row, goal, build, full](benchmark::State& s) {
        RunQuads(s, { row + ", off screen 256 × 256", "frames/s", 1.0, goal }, false, build, full);
    });
    RegisterPaired((std::string(name) + "/window").c_str(), [row, goal, build, full](benchmark::State& s) {
        RunQuads(s, { row + ", Xvfb window 256 × 256, Refresh", "frames/s", 1.0, goal }, true, build, full);
    });
}

} // namespace vnxperf
