// A program's handler takes the library's lines, one line a call with its
// kind, in place of standard output; without one they go there as before.
#include <string>
#include <utility>
#include <vector>

#include "gl/GLTest.h"
#include "materials/InfoLog.h"
#include "support/ScratchFolder.h"
#include "support/StdoutCapture.h"

namespace {

using Line = std::pair<kxMessageKind, std::string>;

void Collect(kxMessageKind kind, const char* line, void* lines)
{
    static_cast<std::vector<Line>*>(lines)->emplace_back(kind, line);
}

// Installs Collect for its lifetime and puts back what was there.
class Handler {
public:
    Handler() { previous = kxSetMessageHandler(Collect, &lines, &previousUser); }
    ~Handler() { kxSetMessageHandler(previous, previousUser); }
    std::vector<Line> lines;

private:
    kxMessageHandler previous = nullptr;
    void* previousUser = nullptr;
};

class MessageHandler : public vxtest::GLTest { };

TEST_F(MessageHandler, TakesEachLineWithItsKindAndNothingReachesStandardOutput)
{
    vxtest::ScratchFolder scratch { "messages" };
    const std::string broken = scratch.Write("broken.sh", "void main() { gl_Position = ftransform() }\n");
    CScene* scene = CScene::NewL();
    VertexProgram* vertex = nullptr;
    std::vector<Line> lines;
    const std::string printed = vxtest::CaptureStdout([&] {
        Handler handler;
        scene->addObject(nullptr);
        vertex = new VertexProgram(broken.c_str());
        kxInitGLExtentions();
        lines = handler.lines;
    });
    EXPECT_EQ(printed, "");
    ASSERT_GE(lines.size(), 14u);
    EXPECT_EQ(lines[0], Line(kxRefusal, "CScene: addObject refused a null node"));

    // The compile log, one call a line, then the fixed line: all failures.
    GLint length = 0;
    glGetShaderiv(vertex->shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length), '\0');
    glGetShaderInfoLog(vertex->shader, length, nullptr, log.data());
    const std::vector<std::string> logLines = vxtest::Lines(log.c_str());
    ASSERT_FALSE(logLines.empty());
    size_t at = 1;
    for (const std::string& line : logLines)
        EXPECT_EQ(lines[at++], Line(kxFailure, line));
    EXPECT_EQ(lines[at++], Line(kxFailure, "VertexProgram Compile failed"));

    // The extension report: eleven lines, each a report.
    ASSERT_EQ(lines.size(), at + 11);
    for (; at < lines.size(); ++at) {
        EXPECT_EQ(lines[at].first, kxReport);
        EXPECT_EQ(lines[at].second.rfind("Needed extension ", 0), 0u) << lines[at].second;
        EXPECT_EQ(lines[at].second.find('\n'), std::string::npos);
    }

    // Taken back out, the lines go where they went before.
    EXPECT_EQ(kxSetMessageHandler(nullptr, nullptr), nullptr);
    EXPECT_EQ(
        vxtest::CaptureOutput([&] { scene->addObject(nullptr); }), "CScene: addObject refused a null node\n");
    delete vertex;
    delete scene;
}

// A driver log whose last line has no line end: the fixed line still
// starts a line of its own.
TEST(InfoLog, FixedLineFollowsALogWithoutAFinalLineEnd)
{
    for (const std::string& log : { std::string("0:1(1): error: one\n0:2(1): error: two"),
             std::string("0:1(1): error: one\n"), std::string() }) {
        const auto parameter = [&](GLuint, GLenum name, GLint* value) {
            *value = name == GL_INFO_LOG_LENGTH ? static_cast<GLint>(log.size() + 1) : GL_FALSE;
        };
        const auto getLog = [&](GLuint, GLsizei size, GLsizei* written, char* text) {
            const size_t n = std::min(log.size(), static_cast<size_t>(size - 1));
            log.copy(text, n);
            text[n] = '\0';
            *written = static_cast<GLsizei>(n);
        };
        const std::string printed = vxtest::CaptureOutput([&] {
            EXPECT_FALSE(varnox::ReportInfoLog(7, GL_COMPILE_STATUS, parameter, getLog, "Link failed\n"));
        });
        const std::string ended = log.empty() || log.back() == '\n' ? log : log + "\n";
        EXPECT_EQ(printed, ended + "Link failed\n");
    }
}

} // namespace
