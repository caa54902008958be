#pragma once

// Splitting captured output and space-separated lists, for tests that compare
// what the library printed.

#include <sstream>
#include <string>
#include <vector>

namespace vxtest {

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
