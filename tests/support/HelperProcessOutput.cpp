// Reading a helper's standard output: the same on every system, once the
// process's output is a stdio stream.
#include "support/HelperProcess.h"

namespace vxtest {

bool HelperProcess::ReadLine(std::string& line)
{
    line.clear();
    if (!out)
        return false;
    char block[4096];
    while (std::fgets(block, sizeof block, out)) {
        line += block;
        if (line.back() == '\n')
            break;
    }
    all += line;
    return !line.empty();
}

std::string HelperProcess::ReadUntil(const std::string& prefix)
{
    for (std::string line; ReadLine(line);)
        if (line.rfind(prefix, 0) == 0)
            return line;
    return "";
}

} // namespace vxtest
