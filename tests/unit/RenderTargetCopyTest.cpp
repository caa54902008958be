// Render targets own a surface and a context that their destructor releases:
// a copy would release them a second time, so no target can be copied.
#include <type_traits>

#include <gtest/gtest.h>

#include <varnox/COffScreen.h>
#include <varnox/CRenderTarget.h>
#include <varnox/CWindowVNX.h>

namespace {

template <class T> bool Copyable()
{
    return std::is_copy_constructible_v<T> || std::is_copy_assignable_v<T>;
}

template <class T> bool Movable()
{
    return std::is_move_constructible_v<T> || std::is_move_assignable_v<T>;
}

TEST(RenderTargetOwnership, NoTargetCanBeCopiedOrMoved)
{
    EXPECT_FALSE(Copyable<CRenderTarget>());
    EXPECT_FALSE(Copyable<COffScreen>());
    EXPECT_FALSE(Copyable<CWindowVNX>());
    // A move would leave two objects whose destructors release the same handles.
    EXPECT_FALSE(Movable<CRenderTarget>());
    EXPECT_FALSE(Movable<COffScreen>());
    EXPECT_FALSE(Movable<CWindowVNX>());
}

} // namespace
