// The platform layer's pure parts: share-group bookkeeping, how a failure's
// cause is printed, and the handle types of its interface. (Decoding EGL and
// X errors, which only the Linux layer does: LinuxErrorNameTest.cpp.)
#include <cstdlib>
#include <string>
#include <type_traits>
#include <utility>

#include <gtest/gtest.h>

#include "core/Print.h"
#include "targets/FailureCause.h"
#include "targets/Platform.h"
#include "targets/ShareGroups.h"

#include "support/Environment.h"

namespace {

namespace platform = varnox::platform;

// Distinct addresses standing for contexts and devices; never dereferenced.
char storage[8];
platform::Context* FakeContext(int i)
{
    return reinterpret_cast<platform::Context*>(&storage[i]);
}
platform::Device* FakeDevice(int i)
{
    return reinterpret_cast<platform::Device*>(&storage[4 + i]);
}

TEST(ShareGroupBookkeeping, ARebuiltContextFindsASurvivingMemberOfItsGroupOnItsDevice)
{
    platform::ShareGroups groups;
    platform::Context *a = FakeContext(0), *b = FakeContext(1), *c = FakeContext(2), *d = FakeContext(3);
    platform::Device* one = FakeDevice(0);
    platform::Device* other = FakeDevice(1);

    groups.Add(a, one, nullptr);
    groups.Add(b, one, a); // b shares with a
    groups.Add(c, one, nullptr); // a group of its own
    EXPECT_TRUE(groups.Contains(a));
    EXPECT_FALSE(groups.Contains(nullptr));

    // The partner named is taken while it lives, whatever the group.
    EXPECT_EQ(groups.Candidate(b, a), a);
    EXPECT_EQ(groups.Candidate(b, c), c);
    // Gone, another member of b's group stands in; c is not one.
    groups.Remove(a);
    EXPECT_FALSE(groups.Contains(a));
    EXPECT_EQ(groups.Candidate(b, a), nullptr);
    groups.Add(d, one, b);
    EXPECT_EQ(groups.Candidate(b, a), d);
    EXPECT_EQ(groups.Candidate(d, nullptr), b);

    // Sharing a partner that was never recorded starts a new group; a group
    // member on another device cannot share.
    platform::ShareGroups elsewhere;
    elsewhere.Add(a, one, FakeContext(3));
    elsewhere.Add(b, other, a);
    EXPECT_EQ(elsewhere.Candidate(a, nullptr), nullptr);
    elsewhere.Add(c, one, a);
    EXPECT_EQ(elsewhere.Candidate(a, nullptr), c);
    // Removing what is not recorded changes nothing.
    elsewhere.Remove(d);
    EXPECT_EQ(elsewhere.Candidate(a, nullptr), c);
}

// Collects what the library prints.
void Collect(const char* text, void* user)
{
    *static_cast<std::string*>(user) += text;
}

class FailureCauseTest : public testing::Test {
protected:
    void SetUp() override
    {
        const char* debug = std::getenv("VARNOX_DEBUG");
        saved = debug ? debug : "";
        hadDebug = debug != nullptr;
        previous = varnox::SetOutputSink(Collect, &printed, &previousUser);
        platform::ClearFailure();
    }
    void TearDown() override
    {
        varnox::SetOutputSink(previous, previousUser);
        if (hadDebug)
            vxtest::SetEnvironment("VARNOX_DEBUG", saved.c_str());
        else
            vxtest::UnsetEnvironment("VARNOX_DEBUG");
    }

    std::string printed;
    std::string saved;
    bool hadDebug = false;
    varnox::OutputSink previous = nullptr;
    void* previousUser = nullptr;
};

TEST_F(FailureCauseTest, CauseFollowsTheFixedMessageOnlyWhenDebugIsOne)
{
    vxtest::SetEnvironment("VARNOX_DEBUG", "1");
    platform::RecordFailure("eglCreateContext: %s", "EGL_BAD_MATCH");
    platform::PrintFailure("COffScreen::ConstructL wglCreateContext failed, Error\n");
    // The cause was used up: the next message stands alone.
    platform::PrintFailure("CWindowVNX: window 0x%lx does not exist\n", 0x42ul);
    EXPECT_EQ(printed,
        "COffScreen::ConstructL wglCreateContext failed, Error\n"
        "  eglCreateContext: EGL_BAD_MATCH\n"
        "CWindowVNX: window 0x42 does not exist\n");

    for (const char* value : { "0", "yes", "", "11" }) {
        printed.clear();
        vxtest::SetEnvironment("VARNOX_DEBUG", value);
        platform::RecordFailure("eglMakeCurrent: EGL_BAD_ACCESS");
        platform::PrintFailure("wglMakeCurrent failed.\n");
        EXPECT_EQ(printed, "wglMakeCurrent failed.\n") << "VARNOX_DEBUG=" << value;
        // Not printed is still forgotten.
        EXPECT_EQ(platform::TakeFailure(), "");
    }
    vxtest::UnsetEnvironment("VARNOX_DEBUG");
    printed.clear();
    platform::RecordFailure("eglDestroyContext: EGL_BAD_CONTEXT");
    platform::PrintFailure("wglDeleteContext failed.\n");
    EXPECT_EQ(printed, "wglDeleteContext failed.\n");
}

// Swapped handles do not compile: every kind is a type of its own.
using platform::Config;
using platform::Context;
using platform::Device;
using platform::NativeWindow;
using platform::Pbuffer;
using platform::Surface;
static_assert(std::is_invocable_v<decltype(&platform::CreatePbuffer), Device*, Config*, int, int>);
static_assert(!std::is_invocable_v<decltype(&platform::CreatePbuffer), Config*, Device*, int, int>);
static_assert(std::is_invocable_v<decltype(&platform::CreateContext), Device*, Config*, Surface*, Context*>);
static_assert(!std::is_invocable_v<decltype(&platform::CreateContext), Device*, Config*, Context*, Surface*>);
static_assert(!std::is_invocable_v<decltype(&platform::DestroyPbuffer), Device*, Surface*, Pbuffer*>);
static_assert(!std::is_invocable_v<decltype(&platform::DestroyContext), Device*, Surface*>);
static_assert(
    !std::is_invocable_v<decltype(&platform::CreateWindowSurface), Device*, Config*, unsigned long>);
static_assert(!std::is_invocable_v<decltype(&platform::CreateTopLevel), Device*, Config*, NativeWindow, int>);
static_assert(!std::is_invocable_v<decltype(&platform::CreateContext), void*, void*, void*, void*>);

} // namespace
