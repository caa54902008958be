// Which device a headless target takes, decided from made-up device lists,
// and the size limits a target is held to.
#include <climits>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "targets/TargetSize.h"
#include "targets/linux/HeadlessDevices.h"

namespace {

using namespace varnox::egl;

HeadlessCandidate Device(int index, const char* node, bool softwareMark)
{
    HeadlessCandidate c;
    c.device = index;
    c.renderNode = node;
    c.softwareMark = softwareMark;
    return c;
}

HeadlessCandidate Gpu(int index, const char* node)
{
    return Device(index, node, false);
}

HeadlessCandidate SoftwareDevice(int index)
{
    return Device(index, "", true);
}

HeadlessCandidate Surfaceless(const char* driver, int runsOn = -1)
{
    HeadlessCandidate c;
    c.driver = driver;
    c.runsOn = runsOn;
    return c;
}

// A machine whose candidates open with the renderer given (a candidate
// missing from the map does not open); records what was opened.
struct Machine {
    std::map<size_t, std::string> renderers;
    std::vector<size_t> opened;
    std::vector<bool> askedForRenderer;

    HeadlessSelection Select(const std::vector<HeadlessCandidate>& list, const char* variable = nullptr)
    {
        return SelectHeadless(list, ParseDeviceChoice(variable), [&](size_t i, bool wantRenderer) {
            opened.push_back(i);
            askedForRenderer.push_back(wantRenderer);
            auto found = renderers.find(i);
            return found == renderers.end() ? OpenedCandidate {} : OpenedCandidate { true, found->second };
        });
    }
};

TEST(HeadlessDevices, FactsClassifyTheCandidates)
{
    // A DRM node counts for more than the software mark, which some Mesa
    // versions put on hardware devices too.
    EXPECT_EQ(Classify(Gpu(0, "/dev/dri/renderD128")), DeviceClass::Hardware);
    EXPECT_EQ(Classify(Device(0, "/dev/dri/renderD128", true)), DeviceClass::Hardware);
    EXPECT_EQ(Classify(SoftwareDevice(1)), DeviceClass::Software);
    EXPECT_EQ(Classify(Device(2, "", false)), DeviceClass::Unmarked);
    HeadlessCandidate card = Device(3, "", false);
    card.deviceFile = "/dev/dri/card0";
    EXPECT_EQ(Classify(card), DeviceClass::Hardware);
    // The surfaceless platform is software unless it names a hardware driver.
    EXPECT_EQ(Classify(Surfaceless("")), DeviceClass::Software);
    EXPECT_EQ(Classify(Surfaceless("kms_swrast")), DeviceClass::Software);
    EXPECT_EQ(Classify(Surfaceless("iris")), DeviceClass::Hardware);

    for (const char* software : { "llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Software Rasterizer",
             "zink (llvmpipe (LLVM 15.0.6, 256 bits))", "SwiftShader Device (LLVM 10.0.0)" })
        EXPECT_TRUE(IsSoftwareRenderer(software)) << software;
    for (const char* hardware :
        { "AMD Radeon RX 6600 (radeonsi, navi23)", "NVIDIA GeForce RTX 3060/PCIe/SSE2", "" })
        EXPECT_FALSE(IsSoftwareRenderer(hardware)) << hardware;
}

TEST(HeadlessDevices, TheVariableIsAnIndexSoftwareOrAPath)
{
    EXPECT_EQ(ParseDeviceChoice(nullptr).kind, DeviceChoice::Automatic);
    EXPECT_EQ(ParseDeviceChoice("").kind, DeviceChoice::Automatic);
    EXPECT_EQ(ParseDeviceChoice("software").kind, DeviceChoice::Software);
    EXPECT_EQ(ParseDeviceChoice("/dev/dri/renderD129").kind, DeviceChoice::Path);
    EXPECT_EQ(ParseDeviceChoice("007").index, 7);
    EXPECT_EQ(ParseDeviceChoice("99999999999999999999999").index, -1);
    for (const char* nonsense : { "-1", "1.5", " 1", "Software", "renderD128" })
        EXPECT_EQ(ParseDeviceChoice(nonsense).kind, DeviceChoice::Invalid) << nonsense;
}

TEST(HeadlessDevices, HardwareComesFirstThenUnmarkedThenSoftware)
{
    // Mesa lists its software device last; the surfaceless platform running
    // on a listed device is that device again, not a candidate of its own.
    const std::vector<HeadlessCandidate> list = { SoftwareDevice(0), Device(1, "", false),
        Gpu(2, "/dev/dri/renderD129"), Gpu(3, "/dev/dri/renderD128"), Surfaceless("iris", 3) };
    const HeadlessOrder order = OrderCandidates(list, ParseDeviceChoice(nullptr));
    EXPECT_EQ(order.order, (std::vector<size_t> { 2, 3, 1, 0 }));
    EXPECT_EQ(order.distinct, 4u);
    // One that runs on no listed device is placed by its driver.
    EXPECT_EQ(OrderCandidates({ SoftwareDevice(0), Surfaceless("radeonsi") }, {}).order,
        (std::vector<size_t> { 1, 0 }));
    EXPECT_EQ(OrderCandidates({ Surfaceless("swrast"), SoftwareDevice(0) }, {}).order,
        (std::vector<size_t> { 1, 0 }));
}

TEST(HeadlessDevices, TheSoftwareDeviceAloneIsTakenWithoutAContextOrAWord)
{
    // This machine: Mesa's software device, and the surfaceless platform on it.
    Machine machine;
    machine.renderers = { { 0, "llvmpipe" }, { 1, "llvmpipe" } };
    const HeadlessSelection taken = machine.Select({ SoftwareDevice(0), Surfaceless("swrast", 0) });
    EXPECT_EQ(taken.taken, 0);
    EXPECT_EQ(taken.report, "");
    EXPECT_EQ(machine.opened, (std::vector<size_t> { 0 }));
    EXPECT_EQ(machine.askedForRenderer, (std::vector<bool> { false }));
}

TEST(HeadlessDevices, AHardwareDeviceIsTakenUnlessItRendersInSoftware)
{
    // Device 0 has the software mark and a render node, and renders with
    // llvmpipe: the mark was right. Device 1 is a real GPU.
    const std::vector<HeadlessCandidate> list
        = { Device(0, "/dev/dri/renderD128", true), Gpu(1, "/dev/dri/renderD129"), SoftwareDevice(2) };
    Machine machine;
    machine.renderers
        = { { 0, "llvmpipe (LLVM 15.0.6, 256 bits)" }, { 1, "AMD Radeon RX 6600" }, { 2, "llvmpipe" } };
    HeadlessSelection taken = machine.Select(list);
    EXPECT_EQ(taken.taken, 1);
    EXPECT_EQ(taken.report,
        "COffScreen: headless rendering on EGL device 1 (/dev/dri/renderD129), renderer \"AMD Radeon RX "
        "6600\"\n");

    // Without the GPU, the first one that rendered in software is kept; the
    // software device is not even opened.
    machine = Machine();
    machine.renderers = { { 0, "llvmpipe (LLVM 15.0.6, 256 bits)" }, { 2, "llvmpipe" } };
    EXPECT_EQ(machine.Select(list).taken, 0);
    EXPECT_EQ(machine.opened, (std::vector<size_t> { 0, 1 }));

    // When no hardware device opens, the software one is taken; when
    // nothing opens, nothing is.
    machine = Machine();
    machine.renderers = { { 2, "llvmpipe" } };
    taken = machine.Select(list);
    EXPECT_EQ(taken.taken, 2);
    EXPECT_EQ(
        taken.report, "COffScreen: headless rendering on EGL device 2 (software), renderer \"llvmpipe\"\n");
    EXPECT_EQ(Machine().Select(list).taken, -1);
}

TEST(HeadlessDevices, TheVariableChoosesOrIsReportedAndIgnored)
{
    const std::vector<HeadlessCandidate> list
        = { Gpu(0, "/dev/dri/renderD128"), Gpu(1, "/dev/dri/renderD129"), SoftwareDevice(2) };
    Machine machine;
    machine.renderers = { { 0, "GPU zero" }, { 1, "llvmpipe" }, { 2, "llvmpipe" } };
    // A chosen device is taken as it is, software renderer or not.
    EXPECT_EQ(machine.Select(list, "1").taken, 1);
    EXPECT_EQ(machine.Select(list, "software").taken, 2);
    EXPECT_EQ(machine.Select(list, "/dev/dri/renderD129").taken, 1);
    // ... and not replaced by another when it does not open.
    machine.renderers.erase(1);
    EXPECT_EQ(machine.Select(list, "1").taken, -1);

    const std::string usual
        = "COffScreen: headless rendering on EGL device 0 (/dev/dri/renderD128), renderer \"GPU zero\"\n";
    EXPECT_EQ(machine.Select(list, "5").report,
        "COffScreen: VARNOX_EGL_DEVICE=\"5\" names no EGL device (EGL lists 3); choosing one as usual\n"
            + usual);
    EXPECT_EQ(machine.Select(list, "/dev/dri/renderD200").report,
        "COffScreen: VARNOX_EGL_DEVICE=\"/dev/dri/renderD200\" names no EGL device; choosing one as usual\n"
            + usual);
    EXPECT_EQ(machine.Select(list, "fast").report,
        "COffScreen: VARNOX_EGL_DEVICE=\"fast\" is not a device index, \"software\" or a DRM node path; "
        "choosing "
        "one as usual\n"
            + usual);
    EXPECT_EQ(machine.Select({ Gpu(0, "/dev/dri/renderD128") }, "software").report,
        "COffScreen: VARNOX_EGL_DEVICE=\"software\" finds no software device; choosing one as usual\n");
}

TEST(TargetSizeLimits, TheTighterKnownSideHolds)
{
    using varnox::platform::Exceeds;
    using varnox::platform::SizeLimit;
    using varnox::platform::Tighter;
    // Pixel buffers up to 8192, viewports up to 16384 wide and 4000 high.
    const SizeLimit limit = Tighter({ 8192, 8192 }, { 16384, 4000 });
    EXPECT_EQ(limit.width, 8192);
    EXPECT_EQ(limit.height, 4000);
    // Unknown sides (0) give way to known ones.
    const SizeLimit partly = Tighter({ 0, 2048 }, { 3000, 0 });
    EXPECT_EQ(partly.width, 3000);
    EXPECT_EQ(partly.height, 2048);

    EXPECT_FALSE(Exceeds(8192, 4000, limit));
    EXPECT_TRUE(Exceeds(8193, 1, limit));
    EXPECT_TRUE(Exceeds(1, 4001, limit));
    EXPECT_TRUE(Exceeds(INT_MAX, INT_MAX, limit));
    // Nothing known, nothing refused; empty and negative sides are the
    // driver's to judge.
    EXPECT_FALSE(Exceeds(INT_MAX, INT_MAX, SizeLimit {}));
    EXPECT_FALSE(Exceeds(0, 0, limit));
    EXPECT_FALSE(Exceeds(-5, INT_MIN, limit));
}

} // namespace
