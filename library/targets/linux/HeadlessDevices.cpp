#include "targets/linux/HeadlessDevices.h"

#include <algorithm>
#include <cctype>

namespace varnox::egl {
namespace {

    // Mesa's drivers that rasterise on the processor, as EGL_MESA_query_driver
    // names them.
    const char* const kSoftwareDrivers[] = { "swrast", "kms_swrast", "llvmpipe", "softpipe" };

    // Pieces of GL_RENDERER strings that name a software rasteriser, in lower
    // case: Mesa's (llvmpipe, softpipe, the old swrast "Software Rasterizer",
    // lavapipe under zink), Google's and Microsoft's.
    const char* const kSoftwareRenderers[] = { "llvmpipe", "softpipe", "swrast", "software rasterizer",
        "lavapipe", "swiftshader", "gdi generic" };

    std::string Lower(std::string text)
    {
        std::transform(text.begin(), text.end(), text.begin(),
            [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    }

    bool IsSurfaceless(const HeadlessCandidate& c)
    {
        return c.device < 0;
    }

    // The surfaceless platform on a device that is listed too: the same
    // device, reached another way.
    bool Duplicates(const HeadlessCandidate& c, const std::vector<HeadlessCandidate>& all)
    {
        return IsSurfaceless(c) && c.runsOn >= 0
            && std::any_of(
                all.begin(), all.end(), [&](const HeadlessCandidate& d) { return d.device == c.runsOn; });
    }

    std::vector<size_t> AutomaticOrder(const std::vector<HeadlessCandidate>& candidates)
    {
        std::vector<size_t> order;
        const auto add = [&](DeviceClass wanted, bool surfaceless) {
            for (size_t i = 0; i < candidates.size(); ++i)
                if (Classify(candidates[i]) == wanted && IsSurfaceless(candidates[i]) == surfaceless
                    && !Duplicates(candidates[i], candidates))
                    order.push_back(i);
        };
        add(DeviceClass::Hardware, false);
        add(DeviceClass::Hardware, true);
        add(DeviceClass::Unmarked, false);
        add(DeviceClass::Software, false);
        add(DeviceClass::Software, true);
        return order;
    }

    std::string Note(const DeviceChoice& choice, const std::string& why)
    {
        return "COffScreen: VARNOX_EGL_DEVICE=\"" + choice.text + "\" " + why + "; choosing one as usual\n";
    }

} // namespace

DeviceClass Classify(const HeadlessCandidate& c)
{
    if (IsSurfaceless(c)) {
        if (c.driver.empty())
            return DeviceClass::Software;
        for (const char* software : kSoftwareDrivers)
            if (c.driver == software)
                return DeviceClass::Software;
        return DeviceClass::Hardware;
    }
    if (!c.deviceFile.empty() || !c.renderNode.empty())
        return DeviceClass::Hardware;
    return c.softwareMark ? DeviceClass::Software : DeviceClass::Unmarked;
}

bool IsSoftwareRenderer(const std::string& renderer)
{
    const std::string lower = Lower(renderer);
    for (const char* software : kSoftwareRenderers)
        if (lower.find(software) != std::string::npos)
            return true;
    return false;
}

DeviceChoice ParseDeviceChoice(const char* value)
{
    DeviceChoice choice;
    if (!value || !*value)
        return choice;
    choice.text = value;
    if (choice.text == "software")
        choice.kind = DeviceChoice::Software;
    else if (value[0] == '/')
        choice.kind = DeviceChoice::Path;
    else if (std::all_of(
                 choice.text.begin(), choice.text.end(), [](unsigned char c) { return std::isdigit(c); })) {
        choice.kind = DeviceChoice::Index;
        long index = 0;
        for (char digit : choice.text) {
            index = index * 10 + (digit - '0');
            // No list is this long; the number need not be held exactly.
            if (index > 1000000) {
                index = -1;
                break;
            }
        }
        choice.index = index;
    } else
        choice.kind = DeviceChoice::Invalid;
    return choice;
}

HeadlessOrder OrderCandidates(const std::vector<HeadlessCandidate>& candidates, const DeviceChoice& choice)
{
    HeadlessOrder result;
    const std::vector<size_t> automatic = AutomaticOrder(candidates);
    result.distinct = automatic.size();
    const long listed = std::count_if(
        candidates.begin(), candidates.end(), [](const HeadlessCandidate& c) { return !IsSurfaceless(c); });

    std::vector<size_t> chosen;
    const auto keep = [&](const std::function<bool(const HeadlessCandidate&)>& wanted) {
        for (size_t i : automatic)
            if (wanted(candidates[i]))
                chosen.push_back(i);
    };
    switch (choice.kind) {
    case DeviceChoice::Automatic:
        break;
    case DeviceChoice::Index:
        keep([&](const HeadlessCandidate& c) { return c.device >= 0 && c.device == choice.index; });
        if (chosen.empty())
            result.note = Note(choice, "names no EGL device (EGL lists " + std::to_string(listed) + ")");
        break;
    case DeviceChoice::Software:
        keep([](const HeadlessCandidate& c) { return Classify(c) == DeviceClass::Software; });
        if (chosen.empty())
            result.note = Note(choice, "finds no software device");
        break;
    case DeviceChoice::Path:
        keep([&](const HeadlessCandidate& c) {
            return !IsSurfaceless(c) && (c.deviceFile == choice.text || c.renderNode == choice.text);
        });
        if (chosen.empty())
            result.note = Note(choice, "names no EGL device");
        break;
    case DeviceChoice::Invalid:
        result.note = Note(choice, "is not a device index, \"software\" or a DRM node path");
        break;
    }
    if (chosen.empty()) {
        result.order = automatic;
        result.confirm = true;
    } else
        result.order = chosen;
    return result;
}

HeadlessSelection SelectHeadless(const std::vector<HeadlessCandidate>& candidates, const DeviceChoice& choice,
    const std::function<OpenedCandidate(size_t index, bool wantRenderer)>& open)
{
    const HeadlessOrder order = OrderCandidates(candidates, choice);
    HeadlessSelection selection;
    int keptBack = -1;
    std::string keptRenderer;
    for (size_t i : order.order) {
        const DeviceClass expected = Classify(candidates[i]);
        // A hardware candidate that renders in software is as good as any
        // software one, and already open.
        if (order.confirm && expected == DeviceClass::Software && keptBack >= 0)
            break;
        const bool confirm = order.confirm && expected != DeviceClass::Software;
        const OpenedCandidate opened = open(i, confirm || order.distinct > 1);
        if (!opened.opened)
            continue;
        if (confirm && IsSoftwareRenderer(opened.renderer)) {
            if (keptBack < 0) {
                keptBack = static_cast<int>(i);
                keptRenderer = opened.renderer;
            }
            continue;
        }
        selection.taken = static_cast<int>(i);
        selection.renderer = opened.renderer;
        break;
    }
    if (selection.taken < 0 && keptBack >= 0) {
        selection.taken = keptBack;
        selection.renderer = keptRenderer;
    }
    selection.report = order.note;
    if (selection.taken >= 0 && order.distinct > 1)
        selection.report
            += DescribeTaken(candidates[static_cast<size_t>(selection.taken)], selection.renderer);
    return selection;
}

std::string DescribeTaken(const HeadlessCandidate& c, const std::string& renderer)
{
    std::string where;
    if (IsSurfaceless(c))
        where = "Mesa's surfaceless platform (driver "
            + (c.driver.empty() ? std::string("unknown") : c.driver) + ")";
    else {
        const std::string& node = !c.renderNode.empty() ? c.renderNode : c.deviceFile;
        where = "EGL device " + std::to_string(c.device) + " ("
            + (!node.empty()         ? node
                    : c.softwareMark ? std::string("software")
                                     : std::string("no DRM node"))
            + ")";
    }
    return "COffScreen: headless rendering on " + where + ", renderer \"" + renderer + "\"\n";
}

} // namespace varnox::egl
