#pragma once

#include <cstddef>

#include <varnox/Export.h>

/// Base of the counted resources (textures, shaders, shader programs). An
/// object starts with count 0 and belongs to its creator; once a kxReference
/// holds it, the last reference to let go deletes it. Counted objects live in
/// 16-byte-aligned storage, also when client code creates them with `new`.
class VARNOX_EXPORT kxObject {
public:
    kxObject() = default;
    kxObject(const kxObject&) = delete;
    kxObject& operator=(const kxObject&) = delete;
    virtual ~kxObject();

    static void* operator new(std::size_t size);
    static void operator delete(void* p) noexcept;

    /// Number of references that hold this object.
    int count = 0;
};

/// Keeps one counted object alive. Assigning a new object releases the old
/// one first (deleting it when its count reaches 0), then counts the new one.
/// Exported like the classes that embed it, so that its type information
/// is one and the same in the library and in a client.
template <class T> class VARNOX_EXPORT kxReference {
public:
    kxReference() = default;
    kxReference(const kxReference& other) { *this = other.pointer; }
    kxReference& operator=(const kxReference& other) { return *this = other.pointer; }
    virtual ~kxReference() { release(); }

    kxReference& operator=(T* p)
    {
        if (p == pointer)
            return *this;
        release();
        pointer = p;
        if (pointer)
            ++static_cast<kxObject*>(pointer)->count;
        return *this;
    }

    T* get() const { return pointer; }

private:
    void release()
    {
        kxObject* q = pointer;
        if (!q)
            return;
        pointer = nullptr;
        if (--q->count == 0)
            delete q;
    }

    T* pointer = nullptr;
};
