// kxStream used the way a client uses it: linked against the shared library
// only, so every member it calls and the class's type information must be
// exported (this program does not link otherwise).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <typeinfo>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <varnox/kxStream.h>

#include "support/ScratchFolder.h"
#include "support/StdoutCapture.h"

namespace {

constexpr int kReadMode = kxStream::modeRead | kxStream::modeBinary;

// A client's own stream class: its type information names kxStream's as its
// base, which the linker must find in the library.
class ClientStream : public kxStream {
public:
    using kxStream::kxStream;
    bool HasFile() const { return file != nullptr; }
};

class StreamExportTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(scratch.path().empty());
        folder = scratch.path();
#if !defined(_WIN32)
        // A refusal that blocked or read on without end would hang here: end
        // the process instead, which fails the test.
        alarm(20);
#endif
    }
#if !defined(_WIN32)
    void TearDown() override
    {
        alarm(0);
    }
#endif

    // What toString gives and what was printed while the stream lived.
    struct Outcome {
        std::string text;
        std::string printed;
        bool hasFile = false;
    };
    static Outcome Read(const std::string& path, int mode = kReadMode)
    {
        Outcome outcome;
        vxtest::StdoutCapture capture;
        {
            ClientStream stream(path.c_str(), mode);
            outcome.hasFile = stream.HasFile();
            char* text = stream.toString();
            outcome.text = text;
            delete[] text;
        }
        outcome.printed = capture.Finish();
        return outcome;
    }

    vxtest::ScratchFolder scratch { "export" };
    std::string folder;
};

TEST_F(StreamExportTest, ClientReadsAFileThroughTheSharedLibrary)
{
    const std::string path = folder + "/source.sh";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("void main() {}\n", f);
    std::fclose(f);

    const Outcome read = Read(path);
    EXPECT_TRUE(read.hasFile);
    EXPECT_EQ(read.text, "void main() {}\n");
    EXPECT_EQ(read.printed, "");

    ClientStream stream(path.c_str(), kReadMode);
    kxStream& base = stream;
    EXPECT_EQ(typeid(base), typeid(ClientStream));
    EXPECT_NE(dynamic_cast<ClientStream*>(&base), nullptr);
    EXPECT_NE(typeid(kxStream), typeid(ClientStream));
}

#if !defined(_WIN32)
// FIFOs and /dev/zero are POSIX's; on Windows the unit tests (StreamTest) see
// a missing file and a folder refused.
TEST_F(StreamExportTest, FilesWithoutAnEndAreRefusedLikeAMissingFile)
{
    const Outcome missing = Read(folder + "/missing.sh");
    EXPECT_FALSE(missing.hasFile);
    EXPECT_EQ(missing.text, "");
    EXPECT_EQ(
        missing.printed, "kxStream: cannot open " + folder + "/missing.sh: No such file or directory\n");

    // No writer ever opens the FIFO: a blocking open would wait for ever.
    const std::string fifo = folder + "/pipe.sh";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (int mode : { kReadMode, kReadMode | kxStream::modeWrite }) {
        const Outcome piped = Read(fifo, mode);
        EXPECT_FALSE(piped.hasFile) << "mode " << mode;
        EXPECT_EQ(piped.text, "") << "mode " << mode;
        EXPECT_EQ(piped.printed, "kxStream: cannot open " + fifo + ": not a regular file\n")
            << "mode " << mode;
    }

    // /dev/zero never ends: reading it whole would grow until memory ran out.
    const Outcome zero = Read("/dev/zero");
    EXPECT_FALSE(zero.hasFile);
    EXPECT_EQ(zero.text, "");
    EXPECT_EQ(zero.printed, "kxStream: cannot open /dev/zero: not a regular file\n");

    // A folder keeps its own reason.
    const Outcome directory = Read(folder);
    EXPECT_FALSE(directory.hasFile);
    EXPECT_EQ(directory.text, "");
    EXPECT_EQ(directory.printed, "kxStream: cannot read " + folder + ": Is a directory\n");

    // The FIFO is still there and still a FIFO: refusing it changed nothing.
    struct stat info;
    ASSERT_EQ(stat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}
#endif

} // namespace
