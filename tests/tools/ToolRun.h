#pragma once

// Running the tools as their users do, and the files they read and write.

#include <string>
#include <vector>

namespace vxtools {

struct RunResult {
    int status = -1; ///< exit status; 128 + signal number when a signal ended it
    std::string out;
    std::string err;
};

/// A program started and not waited for yet.
struct Started {
    int pid = -1;
    std::string outputs; ///< folder of its stdout and stderr files
};

/// Starts `program` with `arguments` in `folder`; `environment` holds
/// "NAME=value" to set and "NAME" to unset. Standard input is /dev/null.
Started Start(const std::string& program, const std::vector<std::string>& arguments,
    const std::string& folder, const std::vector<std::string>& environment = {});
/// Waits for a started program to end.
RunResult Finish(const Started& started);
/// Start, then Finish.
RunResult RunTool(const std::string& program, const std::vector<std::string>& arguments,
    const std::string& folder, const std::vector<std::string>& environment = {});

/// A fresh empty folder under the test's temporary folder.
std::string NewFolder(const std::string& name);

/// RGB pixels, 3 bytes each, top row first.
struct Rgb {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
    const unsigned char* at(int x, int y) const { return &pixels[(static_cast<size_t>(y) * width + x) * 3]; }
};

/// Writes an 8-bit RGB PNG with libpng.
void WritePngFile(const std::string& path, const Rgb& image);
/// Reads any PNG as 8-bit RGB; width 0 when it cannot be read.
Rgb ReadPngFile(const std::string& path);

/// One planar YUV frame (Y, then U, then V) of width × height; chroma
/// halved across, and down too when `halfHeight`.
struct YuvFrame {
    int width, height;
    bool halfHeight;
    std::vector<unsigned char> bytes;
    int chromaWidth() const { return (width + 1) / 2; }
    int chromaHeight() const { return halfHeight ? (height + 1) / 2 : height; }
    unsigned char y(int x, int row) const { return bytes[static_cast<size_t>(row) * width + x]; }
    unsigned char u(int x, int row) const;
    unsigned char v(int x, int row) const;
};

/// A frame whose samples all differ from their neighbours, `index` shifting them.
YuvFrame PatternFrame(int width, int height, bool halfHeight, int index);

} // namespace vxtools
