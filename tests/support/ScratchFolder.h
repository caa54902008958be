#pragma once

#include <string>

namespace vxtest {

/// A fresh folder of the test's own under the temporary folder ($TMPDIR, else
/// /tmp), removed with everything in it when the object goes. Removal never
/// follows a link out of the folder.
class ScratchFolder {
public:
    /// `tag` goes into the folder's name, to tell whose it is.
    explicit ScratchFolder(const std::string& tag = "scratch");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    /// The folder; "" when it could not be made.
    const std::string& path() const { return folder; }
    /// The path `name` has inside the folder.
    std::string Path(const std::string& name) const { return folder + "/" + name; }
    /// Writes `content` byte for byte to `name` in the folder and returns the
    /// file's path (the file is missing if it could not be written).
    std::string Write(const std::string& name, const std::string& content) const;

private:
    std::string folder;
};

} // namespace vxtest
