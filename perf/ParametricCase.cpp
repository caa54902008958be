// Case 3: kxParametric::update of a 255 × 255 grid (65,536 vertices) with the
// library's sine surface, beside a plain loop that writes the same values
// into the same mapped buffers.

#include "Cases.h"

#include <cmath>

#include "Pairing.h"
#include "PerfSupport.h"

namespace vnxperf {
namespace {

    const int kCells = 255;

    // A subclass that overrides none of the surface's functions: update
    // cannot know that, and calls them through the virtual table.
    class Subclass : public kxParametric { };

    // The sine surface's constants, as the library defines them.
    const float kFrequency = 0.0610018f;
    const float kAmplitude = 20.8f;
    const double kSlope = 1.2688373934732056;

    struct PlainGrid {
        GLuint vertices, normals, texCoords;
        int resU, resV;
        float startU, startV, stopU, stopV;
    };

    // Every value computed with the same arithmetic as the library's
    // getVertex, getNormal (tangents, cross product, normalisation) and
    // getTexCoord, written inline, in the same buffer order.
    void PlainUpdate(const PlainGrid& g)
    {
        glBindBuffer(GL_ARRAY_BUFFER, g.vertices);
        float* positions = static_cast<float*>(glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY));
        glBindBuffer(GL_ARRAY_BUFFER, g.texCoords);
        float* coordinates = static_cast<float*>(glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY));
        glBindBuffer(GL_ARRAY_BUFFER, g.normals);
        float* normals = static_cast<float*>(glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY));

        const float stepU = static_cast<float>((static_cast<double>(g.stopU) - g.startU) / g.resU);
        const float stepV = static_cast<float>((static_cast<double>(g.stopV) - g.startV) / g.resV);
        const double rangeU = static_cast<double>(g.stopU) - g.startU;
        const double rangeV = static_cast<double>(g.stopV) - g.startV;
        for (int j = 0; j <= g.resV; ++j) {
            const float v = static_cast<float>(g.startV + static_cast<double>(j) * stepV);
            for (int i = 0; i <= g.resU; ++i) {
                const float u = static_cast<float>(g.startU + static_cast<double>(i) * stepU);

                // Position.
                const float ku = static_cast<float>(static_cast<double>(kFrequency) * u);
                const float kv = static_cast<float>(static_cast<double>(kFrequency) * v);
                const float su = static_cast<float>(std::sin(static_cast<double>(ku)));
                const float sv = static_cast<float>(std::sin(static_cast<double>(kv)));
                *positions++ = u;
                *positions++ = v;
                *positions++ = static_cast<float>(static_cast<double>(kAmplitude) * su * sv);

                // Normal: tangent along u × tangent along v, normalised.
                const double a = static_cast<float>(static_cast<double>(kFrequency) * u);
                const double b = static_cast<float>(static_cast<double>(kFrequency) * v);
                const double ux = 1.0, uy = 0.0, uz = static_cast<float>(kSlope * std::cos(a) * std::sin(b));
                const double vx = 0.0, vy = 1.0, vz = static_cast<float>(kSlope * std::sin(a) * std::cos(b));
                const double nx = static_cast<float>(uy * vz - uz * vy);
                const double ny = static_cast<float>(uz * vx - ux * vz);
                const double nz = static_cast<float>(ux * vy - uy * vx);
                const float squared = static_cast<float>(nx * nx + ny * ny + nz * nz);
                const float length = static_cast<float>(std::sqrt(static_cast<double>(squared)));
                const float inverse = static_cast<float>(1.0 / static_cast<double>(length));
                *normals++ = static_cast<float>(nx * inverse);
                *normals++ = static_cast<float>(ny * inverse);
                *normals++ = static_cast<float>(nz * inverse);

                // Texture coordinate.
                *coordinates++ = static_cast<float>(u / rangeU);
                *coordinates++ = static_cast<float>(v / rangeV);
            }
        }

        glBindBuffer(GL_ARRAY_BUFFER, g.texCoords);
        glUnmapBuffer(GL_ARRAY_BUFFER);
        glBindBuffer(GL_ARRAY_BUFFER, g.normals);
        glUnmapBuffer(GL_ARRAY_BUFFER);
        glBindBuffer(GL_ARRAY_BUFFER, g.vertices);
        glUnmapBuffer(GL_ARRAY_BUFFER);
    }

    // The three buffers' bytes, one after another.
    std::vector<unsigned char> GridContents(const PlainGrid& g)
    {
        std::vector<unsigned char> all;
        for (GLuint buffer : { g.vertices, g.normals, g.texCoords }) {
            const std::vector<unsigned char> bytes = BufferContents(GL_ARRAY_BUFFER, buffer);
            all.insert(all.end(), bytes.begin(), bytes.end());
        }
        return all;
    }

    // Overwrites the three buffers, so that a following update must write
    // every value again to match.
    void Scribble(const PlainGrid& g)
    {
        for (GLuint buffer : { g.vertices, g.normals, g.texCoords }) {
            glBindBuffer(GL_ARRAY_BUFFER, buffer);
            GLint size = 0;
            glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
            const std::vector<unsigned char> junk(static_cast<size_t>(size), 0xA5);
            glBufferSubData(GL_ARRAY_BUFFER, 0, size, junk.data());
        }
    }

    // The surface's three vertex buffers, as its draw binds them.
    PlainGrid FindGrid(kxParametric& surface)
    {
        surface.traverse(nullptr);
        GLint vertices = 0, normals = 0, texCoords = 0;
        glGetIntegerv(GL_VERTEX_ARRAY_BUFFER_BINDING, &vertices);
        glGetIntegerv(GL_NORMAL_ARRAY_BUFFER_BINDING, &normals);
        glGetIntegerv(GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING, &texCoords);
        glFinish();
        return PlainGrid { static_cast<GLuint>(vertices), static_cast<GLuint>(normals),
            static_cast<GLuint>(texCoords), kCells, kCells, -123.0f, -123.0f, 123.0f, 123.0f };
    }

    template <class Surface> void Update(benchmark::State& state, const CaseInfo& info)
    {
        std::unique_ptr<COffScreen> target = HeadlessTarget(16, 16);
        if (!target)
            return RecordFailure(state, info, "no headless off-screen target");
        std::string why;
        {
            Surface surface;
            surface.setRes(kCells, kCells);
            surface.setStart(-123.0f, -123.0f);
            surface.setStop(123.0f, 123.0f);
            const PlainGrid grid = FindGrid(surface);

            surface.update(nullptr);
            const std::vector<unsigned char> library = GridContents(grid);
            Scribble(grid);
            PlainUpdate(grid);
            if (library.size() != 65536u * 8 * 4)
                why = "the surface did not take the 255 × 255 grid";
            else if (library != GridContents(grid))
                why = "the plain loop's values differ from the library's";
            else
                RunPaired(
                    state, info,
                    [&] {
                        surface.update(nullptr);
                        glFinish();
                    },
                    [&] {
                        PlainUpdate(grid);
                        glFinish();
                    });
        }
        target.reset();
        if (!why.empty())
            RecordFailure(state, info, why);
    }

} // namespace

void RegisterParametricCase()
{
    RegisterPaired("parametric/update_255x255", [](benchmark::State& s) {
        Update<kxParametric>(s, { "3. kxParametric::update, 255 × 255 grid", "updates/s", 1.0, 0.90 });
    });
    RegisterPaired("parametric/update_255x255_subclass", [](benchmark::State& s) {
        Update<Subclass>(s, { "3. the same through a subclass (virtual calls)", "updates/s", 1.0, 0.0 });
    });
}

} // namespace vnxperf
