#include "ToolRun.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <png.h>

#include "support/ScratchFolder.h"

namespace vxtools {

namespace {

    std::string ReadAll(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

} // namespace

Started Start(const std::string& program, const std::vector<std::string>& arguments,
    const std::string& folder, const std::vector<std::string>& environment)
{
    const std::string out = NewFolder("run") + "/";
    const pid_t pid = fork();
    if (pid == 0) {
        for (const std::string& setting : environment) {
            const size_t equals = setting.find('=');
            if (equals == std::string::npos)
                unsetenv(setting.c_str());
            else
                setenv(setting.substr(0, equals).c_str(), setting.c_str() + equals + 1, 1);
        }
        const int in = open("/dev/null", O_RDONLY);
        const int stdoutFile = open((out + "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int stderrFile = open((out + "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || stdoutFile < 0 || stderrFile < 0 || chdir(folder.c_str()) != 0)
            _exit(127);
        dup2(in, STDIN_FILENO);
        dup2(stdoutFile, STDOUT_FILENO);
        dup2(stderrFile, STDERR_FILENO);
        std::vector<char*> argv { const_cast<char*>(program.c_str()) };
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return Started { pid, out };
}

RunResult Finish(const Started& started)
{
    RunResult result;
    int status = 0;
    if (started.pid > 0 && waitpid(started.pid, &status, 0) == started.pid)
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadAll(started.outputs + "out");
    result.err = ReadAll(started.outputs + "err");
    return result;
}

RunResult RunTool(const std::string& program, const std::vector<std::string>& arguments,
    const std::string& folder, const std::vector<std::string>& environment)
{
    return Finish(Start(program, arguments, folder, environment));
}

std::string NewFolder(const std::string& name)
{
    // Each folder lives, and is removed with what it holds, until the test
    // program ends.
    static std::vector<std::unique_ptr<vxtest::ScratchFolder>> folders;
    folders.push_back(std::make_unique<vxtest::ScratchFolder>("vnxtools-" + name));
    return folders.back()->path();
}

void WritePngFile(const std::string& path, const Rgb& image)
{
    png_image png {};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    ASSERT_TRUE(png_image_write_to_file(&png, path.c_str(), 0, image.pixels.data(), 0, nullptr))
        << png.message;
}

Rgb ReadPngFile(const std::string& path)
{
    png_image png {};
    png.version = PNG_IMAGE_VERSION;
    Rgb image;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return image;
    png.format = PNG_FORMAT_RGB;
    image.pixels.resize(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr)) {
        image.width = static_cast<int>(png.width);
        image.height = static_cast<int>(png.height);
    }
    return image;
}

unsigned char YuvFrame::u(int x, int row) const
{
    const size_t plane = static_cast<size_t>(width) * height;
    return bytes[plane + static_cast<size_t>(halfHeight ? row / 2 : row) * chromaWidth() + x / 2];
}

unsigned char YuvFrame::v(int x, int row) const
{
    const size_t plane = static_cast<size_t>(width) * height;
    const size_t chroma = static_cast<size_t>(chromaWidth()) * chromaHeight();
    return bytes[plane + chroma + static_cast<size_t>(halfHeight ? row / 2 : row) * chromaWidth() + x / 2];
}

YuvFrame PatternFrame(int width, int height, bool halfHeight, int index)
{
    YuvFrame frame { width, height, halfHeight, {} };
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x)
            frame.bytes.push_back(static_cast<unsigned char>(16 + (x * 37 + row * 23 + index * 50) % 220));
    for (int plane = 0; plane < 2; ++plane)
        for (int row = 0; row < frame.chromaHeight(); ++row)
            for (int x = 0; x < frame.chromaWidth(); ++x)
                frame.bytes.push_back(
                    static_cast<unsigned char>(16 + (x * (29 + plane * 24) + row * 41 + index * 70) % 225));
    return frame;
}

} // namespace vxtools
