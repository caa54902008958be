// The Linux platform layer's error decoding: EGL error codes and core X
// protocol errors by name.
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "targets/linux/EglContext.h"
#include "targets/linux/X11Window.h"

#include <EGL/egl.h>
#include <X11/X.h>

namespace {

// The name each code has in the EGL and X headers, as written there.
#define NAMED(code) std::pair<int, const char*>(code, #code)

TEST(PlatformErrors, EveryEglErrorCodeIsDecodedToItsName)
{
    const std::pair<int, const char*> codes[] = { NAMED(EGL_SUCCESS), NAMED(EGL_NOT_INITIALIZED),
        NAMED(EGL_BAD_ACCESS), NAMED(EGL_BAD_ALLOC), NAMED(EGL_BAD_ATTRIBUTE), NAMED(EGL_BAD_CONFIG),
        NAMED(EGL_BAD_CONTEXT), NAMED(EGL_BAD_CURRENT_SURFACE), NAMED(EGL_BAD_DISPLAY), NAMED(EGL_BAD_MATCH),
        NAMED(EGL_BAD_NATIVE_PIXMAP), NAMED(EGL_BAD_NATIVE_WINDOW), NAMED(EGL_BAD_PARAMETER),
        NAMED(EGL_BAD_SURFACE), NAMED(EGL_CONTEXT_LOST) };
    for (const auto& [code, name] : codes) {
        ASSERT_NE(varnox::egl::ErrorName(code), nullptr) << name;
        EXPECT_STREQ(varnox::egl::ErrorName(code), name);
        EXPECT_EQ(varnox::egl::DescribeError(code), name);
    }
    // Codes EGL does not define keep their number.
    EXPECT_EQ(varnox::egl::ErrorName(EGL_SUCCESS - 1), nullptr);
    EXPECT_EQ(varnox::egl::ErrorName(EGL_CONTEXT_LOST + 1), nullptr);
    EXPECT_EQ(varnox::egl::ErrorName(0), nullptr);
    EXPECT_EQ(varnox::egl::DescribeError(0x3010), "EGL error 0x3010");
    EXPECT_EQ(varnox::egl::DescribeError(-1), "EGL error 0xffffffff");
}

TEST(PlatformErrors, CoreXErrorsAreNamedAndKeepTheirCodes)
{
    const std::pair<int, const char*> codes[] = { NAMED(BadRequest), NAMED(BadValue), NAMED(BadWindow),
        NAMED(BadPixmap), NAMED(BadAtom), NAMED(BadCursor), NAMED(BadFont), NAMED(BadMatch),
        NAMED(BadDrawable), NAMED(BadAccess), NAMED(BadAlloc), NAMED(BadColor), NAMED(BadGC),
        NAMED(BadIDChoice), NAMED(BadName), NAMED(BadLength), NAMED(BadImplementation) };
    for (const auto& [code, name] : codes) {
        ASSERT_NE(varnox::x11::ErrorName(code), nullptr) << name;
        EXPECT_STREQ(varnox::x11::ErrorName(code), name);
    }
    EXPECT_EQ(varnox::x11::ErrorName(Success), nullptr);
    EXPECT_EQ(varnox::x11::ErrorName(LastExtensionError), nullptr);
    EXPECT_EQ(varnox::x11::DescribeError(BadWindow, 3, 0), "BadWindow (X error 3, request 3, minor 0)");
    // An extension's error has no core name; its numbers are all there is.
    EXPECT_EQ(varnox::x11::DescribeError(170, 150, 4), "unknown error (X error 170, request 150, minor 4)");
}

#undef NAMED

} // namespace
