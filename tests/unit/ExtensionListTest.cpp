#include <gtest/gtest.h>

#include "targets/kxExtensionsInternal.h"

namespace {

using varnox::IsExtensionInList;

TEST(ExtensionList, MatchesWholeItemsOnly)
{
    const char* list = "GL_EXT_texture_compression_s3tc GL_ARB_multitexture";
    EXPECT_EQ(IsExtensionInList("GL_EXT_texture", list), 0);
    EXPECT_EQ(IsExtensionInList("GL_ARB_multitexture", list), 1);
    EXPECT_EQ(IsExtensionInList("GL_EXT_texture_compression_s3tc", list), 1);
    EXPECT_EQ(IsExtensionInList("GL_ARB_multi", list), 0);
    EXPECT_EQ(IsExtensionInList("texture_compression_s3tc", list), 0);
}

TEST(ExtensionList, RejectsEmptyNamesAndNamesWithSpaces)
{
    const char* list = "GL_A GL_B";
    EXPECT_EQ(IsExtensionInList("", list), 0);
    EXPECT_EQ(IsExtensionInList("GL_A GL_B", list), 0);
    EXPECT_EQ(IsExtensionInList(" GL_A", list), 0);
    EXPECT_EQ(IsExtensionInList("GL_A", nullptr), 0);
}

TEST(ExtensionList, KeepsSearchingPastPartialMatches)
{
    EXPECT_EQ(IsExtensionInList("GL_A", "GL_AB GL_XGL_A GL_A"), 1);
    EXPECT_EQ(IsExtensionInList("GL_A", "GL_AB GL_XGL_A"), 0);
    // A match right after a rejected one does not start an item.
    EXPECT_EQ(IsExtensionInList("GL_A", "GL_AGL_A"), 0);
    EXPECT_EQ(IsExtensionInList("GL_A", "GL_B  GL_A  "), 1);
}

} // namespace
