#include "support/ScratchFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vxtest {

ScratchFolder::ScratchFolder(const std::string& tag)
{
#if defined(_WIN32)
    // The system's temporary folder (GetTempPath ends it with a separator),
    // and a name no other folder there has yet.
    char temporary[MAX_PATH + 1] = "";
    const DWORD length = GetTempPathA(sizeof temporary, temporary);
    if (length == 0 || length > MAX_PATH)
        return;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string path = std::string(temporary) + "varnox-" + tag + "-"
            + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount() + attempt);
        if (CreateDirectoryA(path.c_str(), nullptr)) {
            folder = path;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return;
    }
#else
    const char* temporary = std::getenv("TMPDIR");
    std::string pattern
        = std::string(temporary && *temporary ? temporary : "/tmp") + "/varnox-" + tag + "-XXXXXX";
    if (mkdtemp(&pattern[0]))
        folder = pattern;
#endif
}

ScratchFolder::~ScratchFolder()
{
    if (folder.empty())
        return;
    // remove_all deletes links themselves, never what they point to.
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::string ScratchFolder::Write(const std::string& name, const std::string& content) const
{
    const std::string path = Path(name);
    if (folder.empty())
        return path;
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        const bool written = std::fwrite(content.data(), 1, content.size(), f) == content.size();
        if (std::fclose(f) != 0 || !written)
            std::remove(path.c_str());
    }
    return path;
}

} // namespace vxtest
