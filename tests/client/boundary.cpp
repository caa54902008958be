// Built with UBSan: every object here crosses the library boundary, made on
// one side and used on the other (virtual calls both ways, casts, members of
// library-made objects called from client code). UBSan's vptr check needs
// the type information of each class whose objects it checks; for a class
// the library defines, the client links against the library's copy, so that
// copy must be exported. The type information of a library-made object is
// also compared by address with the client's: one exported copy for the
// whole process, the templates' included.
#include <cstdio>
#include <typeinfo>
#include <vector>

#include <varnox/varnox.h>

namespace {

// A surface of the client's own, called back from the library's update.
class Ramp : public kxParametric {
public:
    int calls = 0;

protected:
    kxVec3 getVertex(float u, float v) override
    {
        ++calls;
        return kxVec3(u, v, 0.0f);
    }
};

// The type information of `object`'s dynamic type, found through its vtable
// (made by whichever side constructed it).
template <class T> __attribute__((noinline)) const std::type_info* DynamicType(const T& object)
{
    return &typeid(object);
}

// Reads a reference the library made, through a reference to it.
template <class T> __attribute__((noinline)) T* HeldBy(const kxReference<T>& r)
{
    return r.get();
}

// An image object read through its protected members, which the library's
// constructors made.
class Probe : public ImageObject {
public:
    Probe()
        : ImageObject(0, 0, 16, 8, fixedSize, true)
    {
    }
    Texture* Held() const { return HeldBy(texture); }
    bool HasNoShader() const { return HeldBy(shader) == nullptr; }
    const kxReference<Texture>& TextureReference() const { return texture; }
    const kxReference<Shader>& ShaderReference() const { return shader; }
};

int failures = 0;

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::printf("boundary client: %s\n", what);
        ++failures;
    }
}

} // namespace

int main()
{
    COffScreen* target = COffScreen::NewL(32, 16);
    CRenderTarget* base = target;
    Check(dynamic_cast<COffScreen*>(base) == target, "dynamic_cast to COffScreen");

    CScene* scene = CScene::NewL();
    Ramp* ramp = new Ramp();
    ramp->update(nullptr);
    Check(ramp->calls == 31 * 31, "the library calls the client's getVertex");
    Probe* probe = new Probe();
    std::vector<unsigned char> frame(16 * 8 * 3 / 2, 128);
    probe->Image(16, 8, ImageObject::YUV420, frame.data());
    Check(probe->Held() == probe->getTexture(), "the texture reference read from the client");
    Check(probe->HasNoShader(), "the shader reference read from the client");
    Texture* texture = probe->getTexture();
    Check(texture->width == 16 && texture->height == 8, "the converted frame's size");
    Check(dynamic_cast<TextureStatic*>(texture) == nullptr, "a stream texture is no TextureStatic");
    std::vector<unsigned char> pixels(16 * 8 * 4, 255);
    texture->setImage(16, 8, 0, ImageObject::BGRA32, pixels.data());

    kxReference<Texture> own;
    own = new TextureStatic();
    probe->addTexture(own.get(), 0);
    Check(own.get()->count == 2, "a client-made texture counted by a library-made node");

    scene->addObject(ramp);
    scene->addObject(probe);
    Node* first = scene->child(0);
    Check(typeid(*first) == typeid(Ramp), "typeid of a child");
    Check(dynamic_cast<kxParametric*>(first) == ramp, "dynamic_cast to kxParametric");
    Check(dynamic_cast<ImageObject*>(scene->child(1)) == probe, "dynamic_cast to ImageObject");
    Check(dynamic_cast<Group*>(static_cast<Node*>(scene)) == scene, "dynamic_cast to Group");
    Check(scene->child(2) == nullptr, "no third child");
    scene->Render(target);
    scene->Render(nullptr);

    Shader* shader = new Shader();
    ramp->setShader(shader);
    Check(dynamic_cast<kxObject*>(ramp->getShader()) == shader, "dynamic_cast to kxObject");

    // One type information per class in the process: the library's.
    Check(DynamicType(*scene) == &typeid(CScene), "CScene's type information");
    Check(DynamicType(*target) == &typeid(COffScreen), "COffScreen's type information");
    Check(DynamicType(*shader) == &typeid(Shader), "Shader's type information");
    Check(DynamicType(*probe->getTexture()) == &typeid(TextureStatic), "TextureStatic's type information");
    Check(DynamicType(probe->TextureReference()) == &typeid(kxReference<Texture>),
        "kxReference<Texture>'s type information");
    Check(DynamicType(probe->ShaderReference()) == &typeid(kxReference<Shader>),
        "kxReference<Shader>'s type information");
    // Naming the type information of every class the public headers hold
    // makes this program link against the library's copy of each class whose
    // key function the library defines: a hidden one fails the link, as
    // kxStream's once did for UBSan's checks in its inline members.
    const std::type_info* everyClass[] = { &typeid(kxTransform), &typeid(kxObject), &typeid(Node),
        &typeid(Geometry), &typeid(Group), &typeid(CScene), &typeid(kxParametric), &typeid(ImageObject),
        &typeid(Texture), &typeid(TextureStatic), &typeid(ShaderProgram), &typeid(VertexProgram),
        &typeid(FragmentProgram), &typeid(Shader), &typeid(kxStream), &typeid(CRenderTarget),
        &typeid(COffScreen), &typeid(CWindowVNX), &typeid(kxReference<ShaderProgram>), &typeid(TContext),
        &typeid(kxVec2), &typeid(kxVec3), &typeid(kxVec4), &typeid(Varnox) };
    std::printf("boundary client: %zu classes named\n", sizeof everyClass / sizeof everyClass[0]);

    delete scene;
    delete ramp;
    delete probe;
    own = nullptr;
    delete target;
    std::printf("boundary client: %d failures\n", failures);
    return failures == 0 ? 0 : 1;
}
