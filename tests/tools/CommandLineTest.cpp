// The command-line reader under the tools' rules (operands, no "--name=VALUE",
// repeats allowed); the benchmark's rules are covered through its options.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <CommandLine.h>

namespace {

const vnxcmd::Option kOptions[] = { { "--size", true }, { "--loop", false } };

// What the reader makes of `arguments`: "option=value" or "operand" a
// line, and the refusal last.
std::vector<std::string> Read(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "tool");
    vnxcmd::Rules rules;
    rules.operands = true;
    vnxcmd::Reader reader(static_cast<int>(arguments.size()), arguments.data(), kOptions, rules);
    std::vector<std::string> read;
    for (vnxcmd::Argument a; reader.Next(a);)
        read.push_back(a.option == vnxcmd::kOperand
                ? std::string("operand ") + a.value
                : std::string(kOptions[a.option].name) + "=" + (a.value ? a.value : "(none)"));
    if (reader.failed())
        read.push_back("refused: " + reader.error());
    return read;
}

TEST(CommandLine, ToolsTakeOperandsAndRepeatsButNoJoinedValues)
{
    EXPECT_EQ(Read({ "a.y4m", "-", "--size", "-1", "--loop", "--size", "2x2", "" }),
        (std::vector<std::string> {
            "operand a.y4m", "operand -", "--size=-1", "--loop=(none)", "--size=2x2", "operand " }));
    EXPECT_EQ(
        Read({ "--size=2x2" }), (std::vector<std::string> { "refused: unknown option \"--size=2x2\"" }));
    EXPECT_EQ(Read({ "x", "--loop", "--size" }),
        (std::vector<std::string> { "operand x", "--loop=(none)", "refused: --size needs a value" }));
}

TEST(CommandLine, TheFirstRefusalIsKeptAndEndsTheReading)
{
    const char* arguments[] = { "tool", "--size", "9", "--bogus", "--loop" };
    vnxcmd::Reader reader(5, arguments, kOptions, vnxcmd::Rules());
    vnxcmd::Argument a;
    ASSERT_TRUE(reader.Next(a));
    int width = 7, height = 7;
    EXPECT_FALSE(reader.Size(a, 16, width, height));
    EXPECT_EQ(width, 7);
    EXPECT_FALSE(reader.Fail("a later line"));
    EXPECT_FALSE(reader.Next(a));
    EXPECT_EQ(reader.error(), "--size wants WIDTHxHEIGHT, each from 1 to 16, not \"9\"");
    EXPECT_FALSE(reader.given(1));
}

} // namespace
