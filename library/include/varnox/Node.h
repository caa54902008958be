#pragma once

#include <varnox/Export.h>
#include <varnox/Shader.h>
#include <varnox/Texture.h>
#include <varnox/kxObject.h>
#include <varnox/kxTransform.h>
#include <varnox/kxVec.h>

/// What the scene hands to every traverse, and to shaders around it: the
/// scene's logical size in pixels after its rotation.
struct VARNOX_EXPORT TContext {
    float width = 0.0f;
    float height = 0.0f;
};

/// Base of everything a scene holds: a transform plus a colour, one counted
/// texture, one counted shader and the `visible` flag. Nodes are not counted:
/// their creator deletes them, and a scene never does.
class VARNOX_EXPORT Node : public kxTransform {
public:
    Node();
    /// Copies transform, colour, texture parameter and flag, and shares the
    /// texture (its count rises); the copy starts without a shader.
    Node(const Node& source);
    Node& operator=(const Node&) = delete;
    /// Releases the shader, then the texture.
    ~Node() override;

    /// Draws the node's own content in the current GL state; the scene calls
    /// it after setting up the node's matrix, shader and texture.
    virtual void traverse(TContext* context);
    virtual bool isGroup() const;

    void setColor(const kxVec4& c);
    /// The node's colour (red, green, blue, alpha); writable in place.
    kxVec4& getColor();
    /// Holds `t` (counted; null releases the texture held) and stores `param`.
    void addTexture(Texture* t, int param);
    /// Holds `s` (counted; null releases the shader held).
    void setShader(Shader* s);
    // Inline: a scene asks them of every child, each Render.
    Shader* getShader() { return shader.get(); }
    Texture* getTexture() { return texture.get(); }

    /// The scene's render loop ends at the first child whose flag is false.
    bool visible = true;

protected:
    kxReference<Texture> texture;
    kxReference<Shader> shader;
    kxVec4 colour;
    /// Second argument of the last addTexture; nothing reads it while drawing.
    int textureParam = 0;
};
