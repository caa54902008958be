#pragma once

// The one line with which the library refuses bad input: it starts with the
// class name and names the refused value.

#include <string>

#include <gtest/gtest.h>

#include "support/Text.h"

namespace vxtest {

/// Checks that `output` is exactly one line, starting with "<owner>: " and
/// holding each of `values` (the refused value as the line writes it).
inline void ExpectRefusal(
    const std::string& output, const std::string& owner, std::initializer_list<std::string> values)
{
    const std::vector<std::string> lines = Lines(output);
    ASSERT_EQ(lines.size(), 1u) << "output: \"" << output << "\"";
    EXPECT_EQ(output.back(), '\n') << output;
    EXPECT_EQ(lines[0].rfind(owner + ": ", 0), 0u) << lines[0];
    for (const std::string& value : values)
        EXPECT_NE(lines[0].find(value), std::string::npos) << "\"" << value << "\" not in: " << lines[0];
}

} // namespace vxtest
