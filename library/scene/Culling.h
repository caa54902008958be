#pragma once

// Leaving out geometry that lies wholly outside the target: the scene tests a
// node's box, moved by the node's transform and the scene's projection,
// against the view, and remembers the answer until something it depends on
// changes. Internal to the library; docs/scene.md says which nodes qualify.

#include <cstring>

#include <varnox/Geometry.h>

namespace varnox {

/// The view of one Render: what GL makes of scene coordinates (the
/// projection the scene sets), and how many clip units make a pixel.
struct View {
    /// Scene coordinates to clip coordinates, row-major.
    double projection[16] = {};
    /// Clip units per pixel across and down: 2 / width, 2 / height.
    double pixelX = 0.0;
    double pixelY = 0.0;
    /// Names this view: a new one whenever the target's size or the scene's
    /// rotation changes. 0 names none.
    unsigned int id = 0;
};

class Culling {
public:
    /// A view for a target of width × height pixels under the scene's
    /// projection: glOrtho(-hw, hw, -hh, hh, -depth, depth), glTranslatef(tx,
    /// ty, 0), glRotatef(degrees, 0, 0, 1), glScalef(1, -1, 1). False when GL
    /// refuses that projection (a side of 0 or 1 pixel) and no view is made.
    static bool MakeView(View& view, int width, int height, double hw, double hh, double tx, double ty,
        double degrees, double depth);

    /// A view id not handed out before.
    static unsigned int NextViewId();

    /// Whether `geometry`, drawn with its own transform, lies wholly outside
    /// `view`, so that drawing it would change no pixel. False whenever that
    /// cannot be known: no box, points (whose size GL may have been given by
    /// anyone), a primitive mode GL does not know, a turn about no axis, or a
    /// value that is not finite. The answer is kept until the transform, the
    /// box, the primitive mode, the line width or the view change. Inline:
    /// a scene asks it of every geometry, each Render.
    static bool Outside(Geometry& geometry, const View& view)
    {
        const Geometry::CullTest& last = geometry.cullTest;
        if (last.view == view.id && last.transformChanges == static_cast<const kxTransform&>(geometry).changes
            && last.mode == geometry.primitiveMode && SameBits(last.lineWidth, geometry.lineWidth))
            return last.outside;
        return Retest(geometry, view);
    }

private:
    /// Tests `geometry` and keeps the answer with what it depends on.
    static bool Retest(Geometry& geometry, const View& view);
    static bool Test(const Geometry& geometry, const View& view);
    static bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
};

} // namespace varnox
