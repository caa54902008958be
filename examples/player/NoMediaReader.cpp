// MediaReader where vnxplay is built without FFmpeg's libraries: nothing
// opens, and vnxplay reads YUV4MPEG2 and raw frames alone.
#include "MediaReader.h"

struct MediaReader::Input { };

bool MediaReader::Available()
{
    return false;
}

void MediaReader::Quiet(bool)
{
}

MediaReader::MediaReader() = default;

MediaReader::~MediaReader() = default;

bool MediaReader::Open(const char* path, double)
{
    message = std::string(path) + ": this vnxplay was built without FFmpeg's libraries";
    return false;
}

bool MediaReader::OpenMemory(const void*, size_t, bool)
{
    return Open("memory", 0);
}

void MediaReader::SetColours(int, int)
{
}

MediaReader::Status MediaReader::Next()
{
    return Status::End;
}

bool MediaReader::Seek(double, bool)
{
    return false;
}
