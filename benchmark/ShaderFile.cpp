#include "ShaderFile.h"

#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

const char* const kShaderFile = "kxLightShader.sh";

namespace {

bool Readable(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::fclose(file);
    return true;
}

// The folder the running program lies in, with its separator at the end;
// empty when the system does not say.
std::string ProgramFolder()
{
#if defined(_WIN32)
    char path[MAX_PATH + 1];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return "";
    std::string program(path, length);
    const size_t slash = program.find_last_of("\\/");
#else
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path)
        return "";
    std::string program(path, static_cast<size_t>(length));
    const size_t slash = program.rfind('/');
#endif
    return slash == std::string::npos ? "" : program.substr(0, slash + 1);
}

} // namespace

std::string FindShaderFile()
{
    if (Readable(kShaderFile))
        return kShaderFile;
    const std::string folder = ProgramFolder();
    if (!folder.empty() && Readable(folder + kShaderFile))
        return folder + kShaderFile;
    return "";
}
