#pragma once

// The GL state that CScene::Render switches around its children, kept so that
// a call is issued only when it changes what GL holds. Internal to the
// library.

class Node;
class Shader;
class Texture;

namespace varnox {

/// What a node's traverse does, as far as the scene can know it.
enum class NodeKind {
    /// Exactly Node, Group or CScene: traverse draws nothing.
    nothing,
    /// Exactly kxParametric: Geometry's drawing.
    geometry,
    /// Exactly ImageObject: the fit, then Geometry's drawing.
    image,
    /// Any other class (a client's): its traverse may issue any GL call.
    client,
};

/// The kind of `node`, by its dynamic type. The type is compared by the
/// address of its type information, so a class the library cannot match
/// (whatever the reason) counts as a client class: slower, never wrong.
NodeKind KindOf(const Node& node);

/// Whether `texture` is exactly TextureStatic or TextureStream, whose bind is
/// glBindTexture(GL_TEXTURE_2D, name) then glEnable(GL_TEXTURE_2D), and whose
/// unbind is glDisable(GL_TEXTURE_2D).
bool IsLibraryTexture(const Texture& texture);

/// Whether `shader` is exactly Shader, whose bind is glUseProgram(program)
/// and whose unbind glUseProgram(0).
bool IsLibraryShader(const Shader& shader);

/// One value of GL state: what GL holds, when that is known.
template <class T> struct Known {
    T value {};
    bool known = false;
};

/// The line width and the current colour, compared by their bits: the same
/// bits passed again are the same call, whatever the value.
struct Colour {
    unsigned int bits[4];
};

/// The state one Render switches: the program in use, 2D texturing, the
/// bound 2D texture, the texture-coordinate, normal and colour arrays, the
/// line width and the current colour.
///
/// Every state call of the full per-child sequence is made through it. Each
/// item is unknown until the tracker itself has set it, and becomes unknown
/// again after any code it does not know has run (ForeignDone). A call that
/// would set the value already in force is left out.
///
/// The four items the scene sets around a child (program, texture-coordinate
/// array, texture, texturing) are only wanted when the scene asks for them and
/// issued at the next Flush: the undoing after one child and the setting up
/// before the next then cost nothing where they cancel out. The items of a
/// geometry's draw are issued at once.
///
/// A state that does not track (`track` false) issues every call it is given,
/// which is Geometry::traverse's full sequence.
class RenderState {
public:
    explicit RenderState(bool track);

    // Around a child: wanted now, issued by Flush or FlushUndo.
    /// `takes`: GL is known to make `program` current (0, or linked).
    void WantProgram(unsigned int program, bool takes);
    void WantTexCoordArray(bool on);
    void WantTexture(unsigned int name);
    void WantTexturing(bool on);

    /// Issues what is wanted and not in force, in the order of the set-up
    /// before a child: program, texture-coordinate array, texture, texturing.
    void Flush();
    /// The same in the order of the undoing after a child: texturing,
    /// texture-coordinate array, program (texture last, though the undoing
    /// never wants one).
    void FlushUndo();

    /// Before code the tracker does not know (a client's traverse, bind or
    /// unbind): issues everything wanted, so that the code sees the full
    /// sequence's state.
    void BeforeForeign() { Flush(); }
    /// After it: nothing is known any more. What GL holds is what the full
    /// sequence would hold, since the code saw the same state.
    void ForeignDone();

    // A geometry's draw: issued at once where the value differs.
    void LineWidth(float width);
    void Color(float r, float g, float b, float a);
    void NormalArray(bool on);
    void TexCoordArray(bool on);
    void ColorArray(bool on);
    /// A draw with the colour array on leaves the current colour undefined.
    void ColorUndefined() { colour.known = false; }

private:
    void IssueProgram();
    void IssueTexCoordArray();
    void IssueTexture();
    void IssueTexturing();
    /// Sets `item` to `on` (issuing glEnableClientState or
    /// glDisableClientState of `array` where needed).
    void ClientArray(Known<bool>& item, unsigned int array, bool on);

    bool track;

    // What GL holds.
    Known<unsigned int> program;
    Known<bool> texCoordArray;
    Known<unsigned int> texture;
    Known<bool> texturing;
    Known<bool> normalArray;
    Known<bool> colorArray;
    Known<unsigned int> lineWidth;
    Known<Colour> colour;

    // What the full sequence would have in force by now and is not yet
    // issued (`known` here: wanted).
    Known<unsigned int> wantedProgram;
    bool wantedProgramTakes = false;
    Known<bool> wantedTexCoordArray;
    Known<unsigned int> wantedTexture;
    Known<bool> wantedTexturing;
};

/// Whether VARNOX_NO_STATE_ELISION is "1": scenes made then issue the full
/// sequence for every child (for debugging, and to measure what elision
/// saves).
bool StateElisionDisabled();

} // namespace varnox
