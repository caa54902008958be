#include "Quads.h"

#include <cstdlib>

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
    for (ImageObject* image : images)
        delete image;
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

void QuadScene::Add(ImageObject* image, Sequence& random, int range, CRenderTarget& target)
{
    images.push_back(image);
    image->SetPosition(random.Next(range), random.Next(range), 0);
    image->SetRotation(random.Next(360));
    scene->addObject(image);
    full->addObject(image);

    // Drawn once alone: the array bindings name its buffers.
    alone->addObject(image);
    alone->Render(&target);
    alone->removeObject(image);
    GLint vertices = 0, texCoords = 0, program = 0;
    glGetIntegerv(GL_VERTEX_ARRAY_BUFFER_BINDING, &vertices);
    glGetIntegerv(GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING, &texCoords);
    if (Shader* shader = image->getShader())
        program = static_cast<GLint>(shader->program);

    const kxVec3 t = image->getTranslation();
    const kxVec4 r = image->getRotation();
    const kxVec3 s = image->getScale();
    plain.quads.push_back(PlainQuad { { t.x, t.y, t.z }, { r.x, r.y, r.z, r.w }, { s.x, s.y, s.z },
        static_cast<GLuint>(vertices), static_cast<GLuint>(texCoords), image->getTexture()->texture,
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
        glBindBuffer(GL_ARRAY_BUFFER, q.vertices);
        glVertexPointer(p.components, GL_FLOAT, 0, nullptr);
        if (first)
            glDisableClientState(GL_NORMAL_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, q.texCoords);
        glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
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

} // namespace vnxperf
