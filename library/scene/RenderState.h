#pragma once

// The GL state that CScene::Render switches around its children, kept so that
// a call is issued only when it changes what GL holds. Internal to the
// library.

#include <cstring>

#include "core/Overrides.h"
#include "materials/Binding.h"

class Node;

namespace varnox {

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
/// line width and the current colour, and the buffers: which buffer each
/// array pointer was set from, and what is bound to GL_ARRAY_BUFFER and
/// GL_ELEMENT_ARRAY_BUFFER.
///
/// Every state call of the per-child sequence is made through it: the
/// scene's own, and those of the library's bind, unbind and traverse, which
/// reach it as Current() (and, for textures and shaders, as the current
/// Binder) while the scene runs them through Run. Each item is unknown until
/// the tracker itself has set it, and becomes unknown again after any code it
/// does not know has run. A call that would set the value already in force is
/// left out.
///
/// The four items the scene sets around a child (program, texture-coordinate
/// array, texture, texturing) are only wanted when asked for and issued at
/// the next Flush: the undoing after one child and the setting up before the
/// next then cost nothing where they cancel out. The items of a geometry's
/// draw are issued at once.
///
/// A state that does not track (`track` false) issues every call as it is
/// made, wanted ones included: that is the full per-child sequence.
class RenderState final : public Binder {
public:
    /// `shareGroup`: the share group of the target's context; 0 when unknown.
    explicit RenderState(bool track, unsigned int shareGroup = 0);
    RenderState(const RenderState&) = delete;
    RenderState& operator=(const RenderState&) = delete;

    /// Makes a tracker (null: none) current, for Current() and as the
    /// current Binder, until it ends: a scene's for the whole loop over its
    /// children, none while a client's code runs.
    class Scope {
    public:
        explicit Scope(RenderState* state);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        RenderState* previous;
        BinderScope binder;
    };

    /// The tracker of the scene drawing now (its Scope); outside that, and
    /// while a client's code runs, one that issues every call at once.
    static RenderState& Current();

    /// Runs `call`. `own`: it runs the library's own traverse, bind or unbind,
    /// which then draw and bind through this tracker. Otherwise it is code
    /// the tracker does not know (a client's override): everything wanted is
    /// issued first, so that the code sees the full sequence's state, no
    /// tracker is current while it runs (library code it reaches issues every
    /// call), and afterwards nothing is assumed. Only while this tracker is
    /// current (a Scope of it).
    template <class Call> void Run(bool own, Call&& call)
    {
        if (own) {
            call();
            return;
        }
        BeforeForeign();
        {
            Scope scope(nullptr);
            call();
        }
        ForeignDone();
    }

    /// Whether an object made in share group `group` (0: unknown) may be
    /// used with the target: contexts of other groups hold other objects
    /// under the same names.
    bool Shares(unsigned int group) const { return !shareGroup || !group || group == shareGroup; }
    unsigned int TargetShareGroup() const { return shareGroup; }

    // Around a child: wanted now, issued by Flush or FlushUndo.
    /// `takes`: GL is known to make `program` current (0, or linked).
    void WantProgram(unsigned int program, bool takes);
    // Inline, as are the checks of a geometry's draw below: asked for every
    // child, they are mostly found in force already.
    void WantTexCoordArray(bool on)
    {
        wantedTexCoordArray = { on, true };
        if (!track)
            IssueTexCoordArray();
    }
    void WantTexture(unsigned int name)
    {
        wantedTexture = { name, true };
        if (!track)
            IssueTexture();
    }
    void WantTexturing(bool on)
    {
        wantedTexturing = { on, true };
        if (!track)
            IssueTexturing();
    }

    // How the library's textures and shaders bind (materials/Binding.h).
    void UseProgram(unsigned int program, bool takes) override { WantProgram(program, takes); }
    void BindTexture(unsigned int name) override { WantTexture(name); }
    void Texturing(bool on) override { WantTexturing(on); }

    /// Issues what is wanted and not in force, in the order of the set-up
    /// before a child: program, texture-coordinate array, texture, texturing.
    void Flush();
    /// The same in the order of the undoing after a child: texturing,
    /// texture-coordinate array, program (texture last, though the undoing
    /// never wants one).
    void FlushUndo();
    /// At the end of Render: the undoing, and GL_ARRAY_BUFFER bound as the
    /// full sequence leaves it.
    void Finish();

    /// After code the tracker does not know: nothing is known any more. What
    /// GL holds is what the full sequence would hold, since the code saw the
    /// same state.
    void ForeignDone();
    /// After an object bound in GL was deleted (GL then binds 0 in its place,
    /// and may give its name to a new object): the texture and the program
    /// are no longer known.
    void ObjectDeleted();

    // A geometry's draw: issued at once where the value differs.
    void LineWidth(float width)
    {
        if (!Holds(lineWidth, Bits(width)))
            SetLineWidth(width);
    }
    void Color(float r, float g, float b, float a)
    {
        const Colour wanted { { Bits(r), Bits(g), Bits(b), Bits(a) } };
        if (!Holds(colour, wanted))
            SetColor(r, g, b, a, wanted);
    }
    void NormalArray(bool on)
    {
        if (!Holds(normalArray, on))
            SetNormalArray(on);
    }
    void TexCoordArray(bool on);
    void ColorArray(bool on);
    /// A draw with the colour array on leaves the current colour undefined.
    void ColorUndefined() { colour.known = false; }

    // A geometry's arrays: the buffer bound to GL_ARRAY_BUFFER and the
    // pointer set from it, left out where the pointer was last set from that
    // buffer (and, for positions, with as many components).
    void VertexPointer(unsigned int buffer, int components)
    {
        // The full sequence binds the buffer whether or not the pointer call
        // is left out.
        fullArrayBinding = { buffer, track };
        if (!Holds(vertexSource, buffer) || !Holds(vertexComponents, components))
            SetVertexPointer(buffer, components);
    }
    void NormalPointer(unsigned int buffer);
    void TexCoordPointer(unsigned int buffer)
    {
        fullArrayBinding = { buffer, track };
        if (!Holds(texCoordSource, buffer))
            SetTexCoordPointer(buffer);
    }
    void ColorPointer(unsigned int buffer);
    /// glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer) where another is bound.
    void ElementBuffer(unsigned int buffer);

    /// Library code bound `buffer` itself (an upload, a mapping).
    void ArrayBufferBound(unsigned int buffer);
    void ElementBufferBound(unsigned int buffer);
    /// Library code deleted buffers: GL unbinds them, and may give their
    /// names to new ones.
    void BuffersDeleted();

private:
    /// Before code the tracker does not know: everything wanted issued, and
    /// GL_ARRAY_BUFFER bound as the full sequence has it (a client's pointer
    /// call without a bind of its own reads that buffer).
    void BeforeForeign();
    /// Binds to GL_ARRAY_BUFFER what the full sequence would have bound last,
    /// when that is known and something else is bound.
    void RestoreArrayBinding();
    /// The pointer of `array` from `buffer`, unless it was last set from it:
    /// `set` issues the pointer call once the buffer is bound.
    template <class SetPointer>
    void ArrayPointer(Known<unsigned int>& source, unsigned int buffer, SetPointer set);

    static unsigned int Bits(float value)
    {
        unsigned int bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }
    template <class T> static bool Holds(const Known<T>& item, const T& value)
    {
        return item.known && item.value == value;
    }
    static bool Holds(const Known<Colour>& item, const Colour& value)
    {
        return item.known && std::memcmp(item.value.bits, value.bits, sizeof value.bits) == 0;
    }
    // What the inline checks call where the value differs.
    void SetLineWidth(float width);
    void SetColor(float r, float g, float b, float a, const Colour& bits);
    void SetNormalArray(bool on);
    void SetVertexPointer(unsigned int buffer, int components);
    void SetTexCoordPointer(unsigned int buffer);

    void IssueProgram();
    void IssueTexCoordArray();
    void IssueTexture();
    void IssueTexturing();
    /// Sets `item` to `on` (issuing glEnableClientState or
    /// glDisableClientState of `array` where needed).
    void ClientArray(Known<bool>& item, unsigned int array, bool on);

    bool track;
    unsigned int shareGroup;

    // What GL holds.
    Known<unsigned int> program;
    Known<bool> texCoordArray;
    Known<unsigned int> texture;
    Known<bool> texturing;
    Known<bool> normalArray;
    Known<bool> colorArray;
    Known<unsigned int> lineWidth;
    Known<Colour> colour;
    Known<unsigned int> vertexSource;
    Known<int> vertexComponents;
    Known<unsigned int> normalSource;
    Known<unsigned int> texCoordSource;
    Known<unsigned int> colorSource;
    Known<unsigned int> arrayBinding;
    Known<unsigned int> elementBinding;
    /// What the full sequence would have bound to GL_ARRAY_BUFFER by now.
    Known<unsigned int> fullArrayBinding;

    // What the full sequence would have in force by now and is not yet
    // issued (`known` here: wanted).
    Known<unsigned int> wantedProgram;
    bool wantedProgramTakes = false;
    Known<bool> wantedTexCoordArray;
    Known<unsigned int> wantedTexture;
    Known<bool> wantedTexturing;
};

/// What a node's traverse draws, as far as the scene can know it.
enum class Traversal {
    /// A client's override: anything.
    client = -1,
    /// Node's or Group's: nothing.
    nothing = 0,
    /// Geometry's or the image object's: the node is a Geometry and draws
    /// its arrays.
    geometry = 1,
};

/// The library's own traverse implementations: Node's and Group's, which
/// draw nothing, Geometry's and the image object's. The constructor of each
/// of those classes notes its own once, while the object's virtual table is
/// its class's; a node whose class overrides none of them (a client's
/// geometry that only sets its arrays, say) is drawn through the tracker.
bool NoteOwnTraverse(const Node& node, Traversal traversal);
/// What traverse on `node` runs: one of the library's own, or a client's.
Traversal TraversalOf(const Node& node);

/// Whether VARNOX_NO_STATE_ELISION is "1": scenes made then issue the full
/// sequence for every child (for debugging, and to measure what elision
/// saves).
bool StateElisionDisabled();

} // namespace varnox
