#pragma once

// A file the programs write for the user (vnxtest3D --json, vnxview --out,
// vnxplay --out): written whole into a new file beside the one named, then
// renamed over it, so that the path names either what was there before or
// the complete new file, never a half-written one. Nothing the program did
// not create is ever truncated or removed: a run that fails leaves the
// named path as it found it, and a path that names something other than a
// regular file (a folder, a device, a pipe) is refused before anything is
// made.

#include <cstdio>
#include <string>

namespace vnxcmd {

class OutputFile {
public:
    OutputFile() = default;
    /// Removes the new file when it was not committed.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// Makes the new file beside `path`. False, with `error` saying why, when
    /// `path` names something that is not a regular file, or when its folder
    /// takes no new file.
    bool Open(const std::string& path, std::string& error);
    /// The new file, open for writing in binary mode; null unless open.
    std::FILE* file() const { return stream; }
    /// Closes the new file and puts it in place of the named one. False, with
    /// `error` saying why, when a write or the close or the rename failed:
    /// the new file is removed and the named path left as it was.
    bool Commit(std::string& error);

private:
    /// Closes and removes the new file, if there is one.
    void Discard();

    std::string target;
    std::string made;
    std::FILE* stream = nullptr;
};

} // namespace vnxcmd
