#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <varnox/kxObject.h>

namespace {

std::vector<std::string> destroyed;

// A counted object as client code would define one.
class Probe : public kxObject {
public:
    explicit Probe(std::string n)
        : name(std::move(n))
    {
    }
    ~Probe() override { destroyed.push_back(name); }
    std::string name;
};

// Client objects of odd sizes, to check the alignment of each.
struct Odd1 : kxObject {
    char c[1];
};
struct Odd2 : kxObject {
    char c[3];
};
struct Odd3 : kxObject {
    char c[21];
};

class Counted : public testing::Test {
protected:
    void SetUp() override { destroyed.clear(); }
};

TEST_F(Counted, NewObjectStartsAtZeroAndReferencesCountIt)
{
    Probe* p = new Probe("p");
    EXPECT_EQ(p->count, 0);
    {
        kxReference<Probe> a;
        EXPECT_EQ(a.get(), nullptr);
        a = p;
        EXPECT_EQ(p->count, 1);
        kxReference<Probe> b;
        b = p;
        EXPECT_EQ(p->count, 2);
        a = p; // the same object again: no change
        EXPECT_EQ(p->count, 2);
    }
    // The last reference deleted it.
    EXPECT_EQ(destroyed, std::vector<std::string> { "p" });
}

TEST_F(Counted, NullAssignmentDeletesTheLastHeldObjectAtOnce)
{
    kxReference<Probe> r;
    r = new Probe("p");
    r = nullptr;
    EXPECT_EQ(destroyed, std::vector<std::string> { "p" });
    EXPECT_EQ(r.get(), nullptr);
    r = nullptr; // releasing nothing is harmless
    EXPECT_EQ(destroyed.size(), 1u);
}

TEST_F(Counted, ReplacingReleasesTheOldObjectBeforeCountingTheNew)
{
    // The old object notes the new one's count as it dies.
    struct Watcher : Probe {
        Watcher(const Probe* w, int* seen)
            : Probe("old")
            , watched(w)
            , countSeen(seen)
        {
        }
        ~Watcher() override { *countSeen = watched->count; }
        const Probe* watched;
        int* countSeen;
    };
    Probe* replacement = new Probe("new");
    int countSeen = -1;
    kxReference<Probe> r;
    r = new Watcher(replacement, &countSeen);
    r = replacement;
    EXPECT_EQ(destroyed, std::vector<std::string> { "old" });
    EXPECT_EQ(countSeen, 0);
    EXPECT_EQ(replacement->count, 1);
}

TEST_F(Counted, UnheldObjectSurvivesEveryReference)
{
    Probe* p = new Probe("kept");
    {
        kxReference<Probe> other;
        other = new Probe("other");
    }
    EXPECT_EQ(destroyed, std::vector<std::string> { "other" });
    EXPECT_EQ(p->count, 0);
    delete p; // still the creator's to delete
    EXPECT_EQ(destroyed.back(), "kept");
}

TEST_F(Counted, HolderReleasesItsReferencesInReverseOrder)
{
    // Like a node: texture reference first, shader reference second.
    struct Holder {
        kxReference<Probe> first;
        kxReference<Probe> second;
    };
    {
        Holder h;
        h.first = new Probe("first");
        h.second = new Probe("second");
    }
    EXPECT_EQ(destroyed, (std::vector<std::string> { "second", "first" }));
}

TEST_F(Counted, CopiedReferenceHoldsItsOwnCount)
{
    Probe* p = new Probe("p");
    kxReference<Probe> a;
    a = p;
    {
        kxReference<Probe> b(a);
        EXPECT_EQ(p->count, 2);
        kxReference<Probe> c;
        c = b;
        EXPECT_EQ(p->count, 3);
    }
    EXPECT_EQ(p->count, 1);
    EXPECT_TRUE(destroyed.empty());
}

TEST_F(Counted, ClientObjectsStartOnSixteenByteBoundaries)
{
    std::vector<kxObject*> objects;
    for (int i = 0; i < 64; ++i) {
        objects.push_back(new Odd1);
        objects.push_back(new Odd2);
        objects.push_back(new Odd3);
        objects.push_back(new Probe(std::string(static_cast<size_t>(i), 'x')));
    }
    for (kxObject* o : objects) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(o) % 16, 0u);
        delete o;
    }
}

} // namespace
