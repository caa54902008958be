// Case 2: CScene::Render of many image objects that share one texture, each
// with its own position and rotation, beside the same GL calls by hand.

#include "Cases.h"

#include <cstdint>

#include "Pairing.h"
#include "PerfSupport.h"

namespace vnxperf {
namespace {

    const int kTargetSize = 64;
    const int kImageSize = 16;

    // An image object with its buffers in view, for the plain render.
    class ImageProbe : public ImageObject {
    public:
        ImageProbe()
            : ImageObject(0, 0, 0, 0, imageSize, false)
        {
        }
        explicit ImageProbe(const ImageObject& source)
            : ImageObject(source)
        {
        }

        using Geometry::componentCount;
        using Geometry::lineWidth;
        using Geometry::primitiveMode;
        using Geometry::texCoordBuffer;
        using Geometry::vertexBuffer;
        using Geometry::vertexCount;
    };

    // One node as plain code would keep it: its values in a flat record.
    struct PlainNode {
        float translation[3];
        float rotation[4]; // angle, axis
        float scale[3];
        float colour[4];
        float lineWidth;
        GLuint vertices, texCoords;
        GLint components;
        GLenum mode;
        GLsizei vertexCount;
    };

    // A small reproducible sequence for the nodes' placement.
    class Sequence {
    public:
        int Next(int range)
        {
            state = state * 1664525u + 1013904223u;
            return static_cast<int>((state >> 8) % static_cast<uint32_t>(range));
        }

    private:
        uint32_t state = 12345u;
    };

    // `count` image objects: one made with an image, the others copies of it,
    // so that all share its texture.
    class Nodes {
    public:
        explicit Nodes(int count)
        {
            std::vector<unsigned char> pixels(kImageSize * kImageSize * 4);
            for (size_t i = 0; i < pixels.size(); ++i)
                pixels[i] = static_cast<unsigned char>((i % 4 == 3) ? 255 : (i * 37) & 0xff);
            ImageProbe* first = new ImageProbe();
            first->Image(kImageSize, kImageSize, ImageObject::RGBA32, pixels.data());
            texture = first->getTexture()->texture;
            images.push_back(first);
            while (static_cast<int>(images.size()) < count)
                images.push_back(new ImageProbe(*first));

            Sequence random;
            scene = CScene::NewL();
            for (ImageProbe* image : images) {
                image->SetPosition(random.Next(kTargetSize), random.Next(kTargetSize), 0);
                image->SetRotation(random.Next(360));
                scene->addObject(image);

                const kxVec3 t = image->getTranslation();
                const kxVec4 r = image->getRotation();
                const kxVec3 s = image->getScale();
                const kxVec4& c = image->getColor();
                plain.push_back(PlainNode { { t.x, t.y, t.z }, { r.x, r.y, r.z, r.w }, { s.x, s.y, s.z },
                    { c.x, c.y, c.z, c.w }, image->lineWidth, image->vertexBuffer, image->texCoordBuffer,
                    image->componentCount, image->primitiveMode, image->vertexCount });
            }
        }

        ~Nodes()
        {
            delete scene;
            for (ImageProbe* image : images)
                delete image;
        }

        Nodes(const Nodes&) = delete;
        Nodes& operator=(const Nodes&) = delete;

        CScene* scene = nullptr;
        std::vector<ImageProbe*> images;
        std::vector<PlainNode> plain;
        GLuint texture = 0;
    };

    // What Render issues for a scene at rotation 0 whose children have a
    // texture and no shader; the library's geometry switches the normal
    // array off for a child without normals, and so does this.
    void PlainRender(const std::vector<PlainNode>& nodes, GLuint texture, int width, int height)
    {
        const int hw = width / 2;
        const int hh = height / 2;
        glViewport(0, 0, width, height);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-hw, hw, -hh, hh, -1000.0, 1000.0);
        glTranslatef(static_cast<float>(-hw), static_cast<float>(hh), 0.0f);
        glRotatef(0.0f, 0.0f, 0.0f, 1.0f);
        glScalef(1.0f, -1.0f, 1.0f);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();

        for (const PlainNode& n : nodes) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glBindTexture(GL_TEXTURE_2D, texture);
            glEnable(GL_TEXTURE_2D);
            glPushMatrix();
            glTranslatef(n.translation[0], n.translation[1], n.translation[2]);
            glRotatef(n.rotation[0], n.rotation[1], n.rotation[2], n.rotation[3]);
            glScalef(n.scale[0], n.scale[1], n.scale[2]);
            glLineWidth(n.lineWidth);
            glColor4f(n.colour[0], n.colour[1], n.colour[2], n.colour[3]);
            glBindBuffer(GL_ARRAY_BUFFER, n.vertices);
            glVertexPointer(n.components, GL_FLOAT, 0, nullptr);
            glDisableClientState(GL_NORMAL_ARRAY);
            glBindBuffer(GL_ARRAY_BUFFER, n.texCoords);
            glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
            glDrawArrays(n.mode, 0, n.vertexCount);
            glPopMatrix();
            glDisable(GL_TEXTURE_2D);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
    }

    void ManyNodes(benchmark::State& state, int count, double goal)
    {
        const CaseInfo info { "2. Render of " + std::to_string(count) + (count == 1 ? " node" : " nodes")
                + ", 64 × 64",
            "frames/s", 1.0, goal };
        std::unique_ptr<COffScreen> target = HeadlessTarget(kTargetSize, kTargetSize);
        if (!target)
            return RecordFailure(state, info, "no headless off-screen target");
        std::string why;
        {
            Nodes nodes(count);
            nodes.scene->Render(target.get());
            const std::vector<unsigned char> library = ReadPixels(*target);
            PlainRender(nodes.plain, nodes.texture, target->width, target->height);
            if (library != ReadPixels(*target))
                why = "the plain render's pixels differ from the library's";
            else
                RunPaired(
                    state, info,
                    [&] {
                        nodes.scene->Render(target.get());
                        glFinish();
                    },
                    [&] {
                        PlainRender(nodes.plain, nodes.texture, target->width, target->height);
                        glFinish();
                    });
        }
        target.reset();
        if (!why.empty())
            RecordFailure(state, info, why);
    }

} // namespace

void RegisterNodeCases()
{
    RegisterPaired("nodes/1", [](benchmark::State& s) { ManyNodes(s, 1, 0.0); });
    RegisterPaired("nodes/100", [](benchmark::State& s) { ManyNodes(s, 100, 0.0); });
    RegisterPaired("nodes/10000", [](benchmark::State& s) { ManyNodes(s, 10000, 0.90); });
}

} // namespace vnxperf
