#include "scene/Culling.h"

#include <cmath>
#include <cstring>

#include <GL/gl.h>

#include <varnox/Geometry.h>

namespace varnox {
namespace {

    constexpr double kPi = 3.14159265358979323846;

    // A 4 × 4 matrix, row-major: element (row, column) at [row * 4 + column].
    struct Matrix {
        double m[16];
    };

    Matrix Identity()
    {
        Matrix a {};
        a.m[0] = a.m[5] = a.m[10] = a.m[15] = 1.0;
        return a;
    }

    Matrix Multiply(const Matrix& a, const Matrix& b)
    {
        Matrix c {};
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < 4; ++column) {
                double sum = 0.0;
                for (int k = 0; k < 4; ++k)
                    sum += a.m[row * 4 + k] * b.m[k * 4 + column];
                c.m[row * 4 + column] = sum;
            }
        return c;
    }

    Matrix Translation(double x, double y, double z)
    {
        Matrix a = Identity();
        a.m[3] = x;
        a.m[7] = y;
        a.m[11] = z;
        return a;
    }

    Matrix Scaling(double x, double y, double z)
    {
        Matrix a = Identity();
        a.m[0] = x;
        a.m[5] = y;
        a.m[10] = z;
        return a;
    }

    // glRotatef's matrix: `degrees` about the axis (x, y, z), which GL
    // normalises. No turn at all (a node's rotation before setRotation: 0
    // about no axis) is the identity. False for another turn about an axis
    // too short to normalise, which drivers treat differently.
    bool Rotation(double degrees, double x, double y, double z, Matrix& a)
    {
        if (degrees == 0.0) {
            a = Identity();
            return true;
        }
        const double length = std::sqrt(x * x + y * y + z * z);
        if (!(length > 1.0e-3))
            return false;
        x /= length;
        y /= length;
        z /= length;
        const double radians = degrees * kPi / 180.0;
        const double c = std::cos(radians), s = std::sin(radians), k = 1.0 - c;
        a = Identity();
        a.m[0] = x * x * k + c;
        a.m[1] = x * y * k - z * s;
        a.m[2] = x * z * k + y * s;
        a.m[4] = y * x * k + z * s;
        a.m[5] = y * y * k + c;
        a.m[6] = y * z * k - x * s;
        a.m[8] = x * z * k - y * s;
        a.m[9] = y * z * k + x * s;
        a.m[10] = z * z * k + c;
        return true;
    }

    bool Finite(const Matrix& a)
    {
        for (double v : a.m)
            if (!std::isfinite(v))
                return false;
        return true;
    }

    // Pixels a drawing may reach beyond its vertices: half a line (wide
    // lines, and polygons drawn as lines), and one more for rounding.
    double Reach(float lineWidth)
    {
        return 0.5 * lineWidth + 1.0;
    }

    bool Lines(unsigned int mode)
    {
        return mode == GL_LINES || mode == GL_LINE_LOOP || mode == GL_LINE_STRIP;
    }

    bool Polygons(unsigned int mode)
    {
        return mode == GL_TRIANGLES || mode == GL_TRIANGLE_STRIP || mode == GL_TRIANGLE_FAN
            || mode == GL_QUADS || mode == GL_QUAD_STRIP || mode == GL_POLYGON;
    }

} // namespace

bool Culling::MakeView(View& view, int width, int height, double hw, double hh, double tx, double ty,
    double degrees, double depth)
{
    // glOrtho with equal bounds is refused: GL keeps the identity.
    if (width <= 0 || height <= 0 || !(hw > 0.0) || !(hh > 0.0))
        return false;
    Matrix ortho = Identity();
    ortho.m[0] = 1.0 / hw;
    ortho.m[5] = 1.0 / hh;
    ortho.m[10] = -1.0 / depth;
    Matrix turn;
    Rotation(degrees, 0.0, 0.0, 1.0, turn);
    const Matrix projection
        = Multiply(Multiply(Multiply(ortho, Translation(tx, ty, 0.0)), turn), Scaling(1.0, -1.0, 1.0));
    std::memcpy(view.projection, projection.m, sizeof view.projection);
    view.pixelX = 2.0 / width;
    view.pixelY = 2.0 / height;
    return true;
}

unsigned int Culling::NextViewId()
{
    static unsigned int last = 0;
    if (++last == 0)
        ++last;
    return last;
}

bool Culling::Retest(Geometry& geometry, const View& view)
{
    Geometry::CullTest& last = geometry.cullTest;
    last.view = view.id;
    last.transformChanges = static_cast<const kxTransform&>(geometry).changes;
    last.mode = geometry.primitiveMode;
    last.lineWidth = geometry.lineWidth;
    last.outside = Test(geometry, view);
    return last.outside;
}

bool Culling::Test(const Geometry& geometry, const View& view)
{
    // Points take the size GL was given by anyone, and a mode GL does not
    // know draws nothing anyway.
    const unsigned int mode = geometry.primitiveMode;
    const float width = geometry.lineWidth;
    if (!geometry.box.known || !(Lines(mode) || Polygons(mode)) || !(width >= 0.0f) || !std::isfinite(width))
        return false;

    const kxVec3 t = geometry.getTranslation();
    const kxVec4 r = geometry.getRotation();
    const kxVec3 k = geometry.getScale();
    Matrix turn;
    if (!Rotation(r.x, r.y, r.z, r.w, turn))
        return false;
    Matrix projection;
    std::memcpy(projection.m, view.projection, sizeof projection.m);
    const Matrix all
        = Multiply(projection, Multiply(Multiply(Translation(t.x, t.y, t.z), turn), Scaling(k.x, k.y, k.z)));
    if (!Finite(all))
        return false;

    // Wholly outside when every corner of the box lies beyond the same edge
    // of the view, by more than the drawing may reach. Depth is not tested:
    // a caller may have turned GL's depth clipping off.
    const double reachX = Reach(width) * view.pixelX, reachY = Reach(width) * view.pixelY;
    const float* b = geometry.box.corners;
    bool left = true, right = true, below = true, above = true;
    for (int corner = 0; corner < 8; ++corner) {
        const double x = b[corner & 1 ? 3 : 0], y = b[corner & 2 ? 4 : 1], z = b[corner & 4 ? 5 : 2];
        const double cx = all.m[0] * x + all.m[1] * y + all.m[2] * z + all.m[3];
        const double cy = all.m[4] * x + all.m[5] * y + all.m[6] * z + all.m[7];
        left = left && cx < -1.0 - reachX;
        right = right && cx > 1.0 + reachX;
        below = below && cy < -1.0 - reachY;
        above = above && cy > 1.0 + reachY;
    }
    return left || right || below || above;
}

} // namespace varnox
