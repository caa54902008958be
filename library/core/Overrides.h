#pragma once

// Which function a virtual call runs, asked without making the call: the
// scene lets the library's own traverse, bind and unbind draw and bind
// through its state tracker, and treats any other code (a client's override)
// as code that may issue any GL call.
//
// The answer is read from the object's virtual table as the Itanium C++ ABI
// lays it out, which GCC and Clang follow on every system the library builds
// for (MinGW included): a pointer to a virtual member function holds 1 plus
// the byte offset of its slot, and an object's first word points at its
// table.

#include <cstddef>
#include <cstring>
#include <type_traits>

#if !defined(__GXX_ABI_VERSION)
#error "Overrides.h reads virtual tables as the Itanium C++ ABI lays them out"
#endif

namespace varnox {

/// The function that a virtual call of `member` on `object` runs: an entry of
/// `object`'s virtual table. `member` must be a virtual member of `Class`,
/// and `Class` reached through single inheritance from the object's first
/// base.
template <class Class, class Result, class... Args>
const void* Overrider(const Class& object, Result (Class::*member)(Args...))
{
    struct Representation {
        std::ptrdiff_t pointer;
        std::ptrdiff_t adjustment;
    };
    static_assert(sizeof member == sizeof(Representation), "a member function pointer of two words");
    Representation r;
    std::memcpy(&r, &member, sizeof r);
    const char* self = reinterpret_cast<const char*>(&object) + r.adjustment;
    const void* const* table;
    std::memcpy(&table, self, sizeof table);
    return table[static_cast<std::size_t>(r.pointer - 1) / sizeof(void*)];
}

/// The virtual table of `object`'s class: its first word. Every object of one
/// class shares it, so what Overrider says of one holds for them all.
template <class Class> const void* TableOf(const Class& object)
{
    static_assert(std::is_polymorphic<Class>::value, "a class with a virtual table");
    const void* table;
    std::memcpy(&table, static_cast<const void*>(&object), sizeof table);
    return table;
}

/// One answer about a class (whose functions a virtual call runs), asked
/// again only when an object of another class comes: a loop over objects of
/// a few classes, mostly in runs, asks once a run.
template <class Answer> class ByClass {
public:
    template <class Class, class Ask> Answer Of(const Class& object, Ask ask)
    {
        const void* table = TableOf(object);
        if (table != last) {
            last = table;
            answer = ask(object);
        }
        return answer;
    }

private:
    const void* last = nullptr;
    Answer answer {};
};

/// The library's own implementations of one virtual member function, each
/// noted by the constructor of the class that defines it (while that
/// constructor runs, the object's table is its class's), with a kind that
/// says what the implementation does. A handful at most; nothing is
/// allocated.
class OwnImplementations {
public:
    /// Notes what a virtual call of `member` on `object` runs now, of `kind`
    /// (0 or more).
    template <class Class, class Result, class... Args>
    void Note(const Class& object, Result (Class::*member)(Args...), int kind = 0)
    {
        Add(Overrider(object, member), kind);
    }

    /// The kind of what a virtual call of `member` on `object` runs; -1 when
    /// it runs none of them.
    template <class Class, class Result, class... Args>
    int KindOf(const Class& object, Result (Class::*member)(Args...)) const
    {
        const void* function = Overrider(object, member);
        for (int i = 0; i < count; ++i)
            if (known[i] == function)
                return kinds[i];
        return -1;
    }

    /// Whether a virtual call of `member` on `object` runs one of them.
    template <class Class, class Result, class... Args>
    bool Runs(const Class& object, Result (Class::*member)(Args...)) const
    {
        return KindOf(object, member) >= 0;
    }

private:
    void Add(const void* function, int kind)
    {
        for (int i = 0; i < count; ++i)
            if (known[i] == function)
                return;
        // More classes than places would only make one of them count as a
        // client's: slower, never wrong.
        if (count < kPlaces) {
            kinds[count] = kind;
            known[count++] = function;
        }
    }

    static constexpr int kPlaces = 8;
    const void* known[kPlaces] = {};
    int kinds[kPlaces] = {};
    int count = 0;
};

} // namespace varnox
