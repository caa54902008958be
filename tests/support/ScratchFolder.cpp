#include "support/ScratchFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vxtest {

ScratchFolder::ScratchFolder(const std::string& tag)
{
    const char* temporary = std::getenv("TMPDIR");
    std::string pattern
        = std::string(temporary && *temporary ? temporary : "/tmp") + "/varnox-" + tag + "-XXXXXX";
    if (mkdtemp(&pattern[0]))
        folder = pattern;
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
