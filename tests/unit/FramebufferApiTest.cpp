// Which framebuffer-object entry points a context is taken to offer, from
// made-up version and extension strings: llvmpipe offers OpenGL 4.5, so only
// this shows what older drivers get.
#include <gtest/gtest.h>

#include "targets/Framebuffer.h"

namespace {

using varnox::ChooseFramebufferApi;
using varnox::FramebufferApi;

TEST(FramebufferApi, CoreFromVersionThreeOrTheArbExtensionElseExtElseNone)
{
    EXPECT_EQ(ChooseFramebufferApi("4.5 (Compatibility Profile) Mesa 22.3.6", ""), FramebufferApi::Core);
    EXPECT_EQ(ChooseFramebufferApi("3.0 Mesa", nullptr), FramebufferApi::Core);
    EXPECT_EQ(ChooseFramebufferApi("10.1", ""), FramebufferApi::Core);
    EXPECT_EQ(ChooseFramebufferApi("2.1 Mesa", "GL_EXT_framebuffer_object GL_ARB_framebuffer_object"),
        FramebufferApi::Core);
    EXPECT_EQ(ChooseFramebufferApi("2.1.2 NVIDIA", "GL_ARB_multitexture GL_EXT_framebuffer_object"),
        FramebufferApi::Ext);
    // Whole extension names only, and no version where none leads.
    EXPECT_EQ(ChooseFramebufferApi("2.1", "GL_EXT_framebuffer_object_extra GL_ARB_framebuffer"),
        FramebufferApi::None);
    EXPECT_EQ(ChooseFramebufferApi("1.4", "GL_EXT_framebuffer_blit"), FramebufferApi::None);
    EXPECT_EQ(ChooseFramebufferApi("OpenGL 3.0", ""), FramebufferApi::None);
    EXPECT_EQ(ChooseFramebufferApi(nullptr, nullptr), FramebufferApi::None);
}

} // namespace
