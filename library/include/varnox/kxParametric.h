#pragma once

#include <varnox/Export.h>
#include <varnox/Geometry.h>
#include <varnox/kxVec.h>

/// A surface meshed from a rectangle (startU, startV)–(stopU, stopV) of the
/// parameter plane: a grid of (resU + 1) × (resV + 1) vertices, two triangles
/// a cell, kept in the geometry's buffers. getVertex, getNormal and
/// getTexCoord give the surface its shape; the library's own make a sine
/// surface, and subclasses override them. Vertex data is computed only by
/// update; construction needs a current context with a loaded table.
class VARNOX_EXPORT kxParametric : public Geometry {
public:
    /// A 30 × 30 grid over (0, 0)–(226, 226), drawn as GL_TRIANGLES.
    kxParametric();
    ~kxParametric() override;

    /// Rebuilds the index list and resizes the vertex buffers (their contents
    /// are undefined until the next update). A negative resolution or a grid
    /// of more than 65,536 vertices (16-bit indices) is rejected and changes
    /// nothing.
    void setRes(int resU, int resV);
    /// Moves the start corner; takes effect at the next update.
    void setStart(float u, float v);
    /// Moves the stop corner; takes effect at the next update.
    void setStop(float u, float v);

    /// Recomputes every position, normal and texture coordinate straight into
    /// the mapped buffers. `context` is not used and may be null. Does nothing
    /// when a buffer cannot be mapped.
    virtual void update(TContext* context);

protected:
    /// Position at (u, v).
    virtual kxVec3 getVertex(float u, float v);
    /// Unit normal at (u, v).
    virtual kxVec3 getNormal(float u, float v);
    /// Texture coordinate at (u, v): the parameter divided by the range width.
    virtual kxVec2 getTexCoord(float u, float v);

    int resU = 0;
    int resV = 0;
    float startU = 0.0f;
    float startV = 0.0f;
    float stopU = 0.0f;
    float stopV = 0.0f;

private:
    /// Sine and cosine of the sine surface's phase K·x at one argument x.
    struct Phase {
        /// The bit pattern of x, so that -0 and +0 differ. It starts as a
        /// signalling NaN, which no product K·x ever is.
        unsigned int bits = 0x7F800001u;
        double sine = 0.0;
        double cosine = 0.0;
    };
    /// The phase at x, taken from `last` when x is the argument it holds.
    static const Phase& PhaseAt(float x, Phase& last);

    // The last phase along each axis: update's rows keep v, and getNormal
    // follows getVertex at the same point, so most arguments repeat.
    Phase lastU;
    Phase lastV;
};
