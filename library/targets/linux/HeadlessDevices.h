#pragma once

// Which EGL display a headless off-screen target renders on. EglContext.cpp
// gathers the facts about each candidate (what EGL says of its devices and of
// Mesa's surfaceless platform) and opens them; the choice among them is made
// here, from those facts alone, so that it can be tested with made-up device
// lists.

#include <functional>
#include <string>
#include <vector>

namespace varnox::egl {

/// A display a headless target could open: one of the devices EGL lists
/// (EGL_EXT_device_enumeration), or Mesa's surfaceless platform.
struct HeadlessCandidate {
    /// Its place in EGL's device list; -1 for the surfaceless platform.
    int device = -1;
    /// The device carries EGL_MESA_device_software, Mesa's mark for its
    /// software rasteriser.
    bool softwareMark = false;
    /// EGL_DRM_DEVICE_FILE_EXT and EGL_DRM_RENDER_NODE_FILE_EXT of a device;
    /// "" where it has none.
    std::string deviceFile;
    std::string renderNode;
    /// The surfaceless platform's driver (EGL_MESA_query_driver); "" when it
    /// does not say.
    std::string driver;
    /// The listed device the surfaceless platform runs on (EGL_DEVICE_EXT);
    /// -1 when it does not say.
    int runsOn = -1;
};

/// What a candidate is expected to be before a context is made on it.
enum class DeviceClass {
    /// A DRM node (a device file or a render node) or a hardware driver.
    Hardware,
    /// No node and no software mark: a vendor's device that does not say.
    Unmarked,
    /// Mesa's software device, or the surfaceless platform on a software
    /// driver.
    Software,
};

/// The class of a candidate. A DRM node counts for more than the software
/// mark, which some Mesa versions put on hardware devices too; the renderer
/// string decides once a context exists.
DeviceClass Classify(const HeadlessCandidate& candidate);

/// Whether a GL_RENDERER string names a software rasteriser (llvmpipe,
/// softpipe, swrast, SwiftShader and the like).
bool IsSoftwareRenderer(const std::string& renderer);

/// What the environment variable VARNOX_EGL_DEVICE asks for.
struct DeviceChoice {
    enum Kind {
        Automatic, ///< unset or empty: hardware first, then software
        Index, ///< a decimal index into EGL's device list
        Software, ///< "software": a software device
        Path, ///< a DRM node path, "/dev/dri/..."
        Invalid, ///< anything else
    };
    Kind kind = Automatic;
    /// The index asked for (Index); a number too large to hold is -1.
    long index = -1;
    /// The variable's value as given.
    std::string text;
};

/// Reads VARNOX_EGL_DEVICE's value; null means unset.
DeviceChoice ParseDeviceChoice(const char* value);

/// The order in which candidates are tried.
struct HeadlessOrder {
    /// Indices into the candidate list. Automatic: hardware candidates (listed
    /// devices by index, then the surfaceless platform), unmarked devices,
    /// software candidates (devices, then the surfaceless platform). The
    /// surfaceless platform is left out when it runs on a listed device.
    std::vector<size_t> order;
    /// Automatic choice: a hardware or unmarked candidate is taken only if its
    /// renderer string is not a software rasteriser's.
    bool confirm = false;
    /// How many distinct candidates there are (the surfaceless platform on a
    /// listed device is not one of its own).
    size_t distinct = 0;
    /// One line for standard error when the choice named nothing; "" else.
    std::string note;
};

/// Orders the candidates for `choice`. A choice that names nothing is
/// reported in `note` and the automatic order applies.
HeadlessOrder OrderCandidates(const std::vector<HeadlessCandidate>& candidates, const DeviceChoice& choice);

/// What opening a candidate gave.
struct OpenedCandidate {
    bool opened = false;
    /// GL_RENDERER of a context made on it, when asked for ("" else).
    std::string renderer;
};

/// The outcome of a selection.
struct HeadlessSelection {
    /// Index of the candidate taken; -1 when none opened.
    int taken = -1;
    std::string renderer;
    /// Lines for standard error: a choice that named nothing, and which
    /// device was taken when there was more than one.
    std::string report;
};

/// Tries the candidates in order with `open(index, wantRenderer)`, which
/// opens one and, when asked, makes a context on it and reads its renderer.
/// A candidate that opens is taken, except that, choosing automatically, a
/// hardware or unmarked one whose renderer is a software rasteriser is kept
/// back: the next hardware candidates are tried first, and it is taken in
/// place of any software candidate.
HeadlessSelection SelectHeadless(const std::vector<HeadlessCandidate>& candidates, const DeviceChoice& choice,
    const std::function<OpenedCandidate(size_t index, bool wantRenderer)>& open);

/// The line that names the candidate taken and its renderer.
std::string DescribeTaken(const HeadlessCandidate& candidate, const std::string& renderer);

} // namespace varnox::egl
