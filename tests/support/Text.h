#pragma once

// Splitting captured output and space-separated lists, for tests that compare
// what the library printed.

#include <sstream>
#include <string>
#include <vector>

namespace vxtest {

/// The extensions the start-up report names, in its order (one of them twice).
inline const char* const kNeededExtensions[11] = {
    "GL_EXT_paletted_texture",
    "GL_EXT_multi_draw_arrays",
    "GL_NV_texture_rectangle",
    "GL_NV_vertex_array_range",
    "GL_NV_vertex_array_range2",
    "GL_ARB_multitexture",
    "GL_ARB_texture_compression",
    "GL_EXT_texture_compression_s3tc",
    "GL_NV_texture_rectangle",
    "GL_SGIS_generate_mipmap",
    "GL_ARB_vertex_buffer_object",
};

/// The lines of `text`, without their newlines.
inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

/// The items of a space-separated list (runs of spaces give no empty items).
inline std::vector<std::string> Items(const char* list)
{
    std::vector<std::string> items;
    std::istringstream in(list ? list : "");
    for (std::string item; in >> item;)
        items.push_back(item);
    return items;
}

} // namespace vxtest
