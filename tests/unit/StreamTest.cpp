#include <string>

#include <gtest/gtest.h>

#include <varnox/kxStream.h>

#include "support/ScratchFolder.h"
#include "support/StdoutCapture.h"

namespace {

constexpr int kReadMode = kxStream::modeRead | kxStream::modeBinary;

// A stream whose state the tests can see.
class OpenStream : public kxStream {
public:
    using kxStream::kxStream;
    bool HasFile() const { return file != nullptr; }
    int Flags() const { return flags; }
};

// A scratch folder of its own, removed with what it holds.
class StreamTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(scratch.path(), "");
        folder = scratch.path();
    }

    std::string Write(const std::string& name, const std::string& content)
    {
        return scratch.Write(name, content);
    }

    vxtest::ScratchFolder scratch { "stream" };
    std::string folder;
};

// toString's text as a string, released the way the library releases it.
std::string Text(kxStream& stream)
{
    char* text = stream.toString();
    std::string s = text;
    delete[] text;
    return s;
}

TEST_F(StreamTest, ToStringReturnsTheWholeFileEachTime)
{
    // Larger than one read block, to cover the growing buffer.
    std::string content;
    for (int i = 0; content.size() < 10000; ++i)
        content += "line " + std::to_string(i) + "\n";
    const std::string path = Write("big.sh", content);
    kxStream stream(path.c_str(), kReadMode);
    EXPECT_EQ(Text(stream), content);
    EXPECT_EQ(Text(stream), content);

    kxStream empty(Write("empty.sh", "").c_str(), kReadMode);
    EXPECT_EQ(Text(empty), "");
}

TEST_F(StreamTest, UnopenableFileGivesEmptyTextAndOneLineNamingIt)
{
    const std::string path = folder + "/missing.sh";
    std::string text = "unset";
    // The stream prints its lines itself, on standard output.
    vxtest::StdoutCapture capture;
    {
        OpenStream stream(path.c_str(), kReadMode);
        EXPECT_FALSE(stream.HasFile());
        text = Text(stream);
        char buffer[4] = { 1, 2, 3, 4 };
        stream.readChunk(buffer, 4); // nothing to read from, nothing written
        stream.writeChunk("data", 4);
        EXPECT_EQ(buffer[0], 1);
    }
    const std::string printed = capture.Finish();
    EXPECT_EQ(text, "");
    EXPECT_EQ(printed, "kxStream: cannot open " + path + ": No such file or directory\n");

    vxtest::StdoutCapture second;
    {
        kxStream stream(nullptr, kReadMode);
        text = Text(stream);
    }
    EXPECT_EQ(second.Finish(), "kxStream: cannot open (no file name): no file name given\n");
    EXPECT_EQ(text, "");
}

TEST_F(StreamTest, UnreadableFileGivesEmptyTextAndOneLine)
{
    // A folder opens but cannot be read.
    vxtest::StdoutCapture capture;
    std::string text;
    {
        kxStream stream(folder.c_str(), kReadMode);
        text = Text(stream);
    }
    const std::string printed = capture.Finish();
    EXPECT_EQ(text, "");
#if defined(_WIN32)
    // Windows does not open a folder as a file at all.
    EXPECT_EQ(printed, "kxStream: cannot open " + folder + ": Permission denied\n");
#else
    EXPECT_EQ(printed, "kxStream: cannot read " + folder + ": Is a directory\n");
#endif
}

TEST_F(StreamTest, ChunksFollowTheReadFlag)
{
    const std::string path = folder + "/chunks.bin";
    {
        OpenStream out(path.c_str(), kxStream::modeWrite | kxStream::modeBinary);
        EXPECT_TRUE(out.HasFile());
        EXPECT_EQ(out.Flags() & kxStream::flagNoRead, kxStream::flagNoRead);
        out.writeChunk("abcdef", 6);
        char buffer[3] = { 'x', 'x', 'x' };
        out.readChunk(buffer, 3); // opened to write: reads nothing
        EXPECT_EQ(std::string(buffer, 3), "xxx");
        EXPECT_EQ(Text(out), "");
    }
    OpenStream in(path.c_str(), kReadMode);
    EXPECT_EQ(in.Flags() & kxStream::flagNoRead, 0);
    char buffer[4] = {};
    in.readChunk(buffer, 3);
    EXPECT_STREQ(buffer, "abc");
    in.readChunk(buffer, -1); // a negative length reads nothing
    EXPECT_STREQ(buffer, "abc");
    in.readChunk(buffer, 3);
    EXPECT_STREQ(buffer, "def");
}

TEST(StreamBytes, SwapReversesInPlace)
{
    unsigned char four[4] = { 1, 2, 3, 4 };
    kxStream::swap(four, 4);
    EXPECT_EQ(four[0], 4);
    EXPECT_EQ(four[1], 3);
    EXPECT_EQ(four[2], 2);
    EXPECT_EQ(four[3], 1);
    unsigned char three[3] = { 1, 2, 3 };
    kxStream::swap(three, 3);
    EXPECT_EQ(three[0], 3);
    EXPECT_EQ(three[1], 2);
    EXPECT_EQ(three[2], 1);
    unsigned char one[1] = { 9 };
    kxStream::swap(one, 1);
    kxStream::swap(one, 0);
    EXPECT_EQ(one[0], 9);

    const unsigned int word = 0x01020304u;
    const unsigned char first = *reinterpret_cast<const unsigned char*>(&word);
    EXPECT_EQ(kxStream::isBigEndian(), first == 0x01);
}

} // namespace
