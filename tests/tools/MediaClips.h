#pragma once

// Clips made for the tests by the ffmpeg program, and what ffprobe says of
// them: encoders independent of the player that reads the clips.

#include <string>
#include <vector>

namespace vxtools {

/// Runs ffmpeg quietly in `folder` with `arguments` (outputs overwritten);
/// false, with its messages on standard error, when it fails.
bool Ffmpeg(const std::string& folder, const std::vector<std::string>& arguments);
/// True when ffmpeg has the encoder `name` (libvpx, libx264, ...).
bool HasEncoder(const std::string& folder, const std::string& name);
/// The frames the decoder gives for the first video stream of `file`, as
/// ffprobe counts them; -1 when it cannot.
long DecodedFrames(const std::string& folder, const std::string& file);

} // namespace vxtools
