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

using varnox::egl::DeviceChoice;
using varnox::egl::DeviceClass;
using varnox::egl::HeadlessCandidate;
using varnox::egl::OpenedCandidate;

HeadlessCandidate Gpu(int index, const char* node, bool softwareMark = false)
{
    HeadlessCandidate c;
    c.device = index;
    c.renderNode = node;
    c.softwareMark = softwareMark;
    return c;
}

HeadlessCandidate SoftwareDevice(int index)
{
    HeadlessCandidate c;
    c.device = index;
    c.softwareMark = true;
    return c;
}

HeadlessCandidate Unmarked(int index)
{
    HeadlessCandidate c;
    c.device = index;
    return c;
}

HeadlessCandidate Surfaceless(const char* driver, int runsOn = -1)
{
    HeadlessCandidate c;
    c.driver = driver;
    c.runsOn = runsOn;
    return c;
}

DeviceChoice Choice(const char* value)
{
    return varnox::egl::ParseDeviceChoice(value);
}

// A machine whose candidates open (or not) and render with the renderer
// given; records which were opened and whether a renderer was asked for.
struct Machine {
    std::map<size_t, std::string> renderers; // missing: does not open
    std::vector<size_t> opened;
    std::vector<bool> askedForRenderer;

    varnox::egl::HeadlessSelection Select(
        const std::vector<HeadlessCandidate>& list, const DeviceChoice& choice)
    {
        return varnox::egl::SelectHeadless(list, choice, [&](size_t i, bool wantRenderer) {
            opened.push_back(i);
            askedForRenderer.push_back(wantRenderer);
            OpenedCandidate result;
            auto found = renderers.find(i);
            if (found != renderers.end()) {
                result.opened = true;
                result.renderer = wantRenderer ? found->second : "";
            }
            return result;
        });
    }
};

TEST(HeadlessDevices, ADrmNodeMakesAHardwareDeviceEvenWithTheSoftwareMark)
{
    EXPECT_EQ(Classify(Gpu(0, "/dev/dri/renderD128")), DeviceClass::Hardware);
    EXPECT_EQ(Classify(Gpu(0, "/dev/dri/renderD128", true)), DeviceClass::Hardware);
    HeadlessCandidate card = Unmarked(1);
    card.deviceFile = "/dev/dri/card0";
    EXPECT_EQ(Classify(card), DeviceClass::Hardware);
    EXPECT_EQ(Classify(SoftwareDevice(1)), DeviceClass::Software);
    EXPECT_EQ(Classify(Unmarked(2)), DeviceClass::Unmarked);
    // The surfaceless platform is software unless it names a hardware driver.
    EXPECT_EQ(Classify(Surfaceless("")), DeviceClass::Software);
    EXPECT_EQ(Classify(Surfaceless("swrast")), DeviceClass::Software);
    EXPECT_EQ(Classify(Surfaceless("kms_swrast")), DeviceClass::Software);
    EXPECT_EQ(Classify(Surfaceless("iris")), DeviceClass::Hardware);
}

TEST(HeadlessDevices, SoftwareRenderersAreKnownByName)
{
    for (const char* software : { "llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Software Rasterizer",
             "zink (llvmpipe (LLVM 15.0.6, 256 bits))", "SwiftShader Device (LLVM 10.0.0)", "swrast" })
        EXPECT_TRUE(varnox::egl::IsSoftwareRenderer(software)) << software;
    for (const char* hardware : { "Mesa Intel(R) UHD Graphics 620 (KBL GT2)",
             "AMD Radeon RX 6600 (radeonsi, navi23)", "NVIDIA GeForce RTX 3060/PCIe/SSE2", "virgl", "" })
        EXPECT_FALSE(varnox::egl::IsSoftwareRenderer(hardware)) << hardware;
}

TEST(HeadlessDevices, TheChoiceIsReadFromTheVariable)
{
    EXPECT_EQ(Choice(nullptr).kind, DeviceChoice::Automatic);
    EXPECT_EQ(Choice("").kind, DeviceChoice::Automatic);
    EXPECT_EQ(Choice("software").kind, DeviceChoice::Software);
    EXPECT_EQ(Choice("/dev/dri/renderD129").kind, DeviceChoice::Path);
    EXPECT_EQ(Choice("2").kind, DeviceChoice::Index);
    EXPECT_EQ(Choice("2").index, 2);
    EXPECT_EQ(Choice("007").index, 7);
    EXPECT_EQ(Choice("99999999999999999999999").kind, DeviceChoice::Index);
    EXPECT_EQ(Choice("99999999999999999999999").index, -1);
    for (const char* nonsense : { "-1", "1.5", " 1", "Software", "gpu", "renderD128" })
        EXPECT_EQ(Choice(nonsense).kind, DeviceChoice::Invalid) << nonsense;
}

TEST(HeadlessDevices, HardwareComesFirstThenUnmarkedThenSoftware)
{
    // Mesa lists its software device last; the surfaceless platform that
    // runs on a listed device is that device again, not a candidate of its own.
    const std::vector<HeadlessCandidate> list = { SoftwareDevice(0), Unmarked(1),
        Gpu(2, "/dev/dri/renderD129"), Gpu(3, "/dev/dri/renderD128"), Surfaceless("iris", 3) };
    const varnox::egl::HeadlessOrder order = OrderCandidates(list, Choice(nullptr));
    EXPECT_EQ(order.order, (std::vector<size_t> { 2, 3, 1, 0 }));
    EXPECT_TRUE(order.confirm);
    EXPECT_EQ(order.distinct, 4u);
    EXPECT_EQ(order.note, "");

    // A surfaceless platform that names no listed device is one, placed by
    // its driver.
    const std::vector<HeadlessCandidate> alone = { SoftwareDevice(0), Surfaceless("radeonsi") };
    EXPECT_EQ(OrderCandidates(alone, Choice(nullptr)).order, (std::vector<size_t> { 1, 0 }));
    const std::vector<HeadlessCandidate> soft = { Surfaceless("swrast"), SoftwareDevice(0) };
    EXPECT_EQ(OrderCandidates(soft, Choice(nullptr)).order, (std::vector<size_t> { 1, 0 }));
}

TEST(HeadlessDevices, TheOnlySoftwareDeviceIsTakenWithoutAWord)
{
    // This machine: Mesa's software device, and the surfaceless platform on it.
    const std::vector<HeadlessCandidate> list = { SoftwareDevice(0), Surfaceless("swrast", 0) };
    Machine machine;
    machine.renderers
        = { { 0, "llvmpipe (LLVM 15.0.6, 256 bits)" }, { 1, "llvmpipe (LLVM 15.0.6, 256 bits)" } };
    const varnox::egl::HeadlessSelection taken = machine.Select(list, Choice(nullptr));
    EXPECT_EQ(taken.taken, 0);
    EXPECT_EQ(taken.report, "");
    // Nothing to choose between: no context is made to read a renderer.
    EXPECT_EQ(machine.opened, (std::vector<size_t> { 0 }));
    EXPECT_EQ(machine.askedForRenderer, (std::vector<bool> { false }));
}

TEST(HeadlessDevices, AHardwareDeviceIsTakenAndNamed)
{
    const std::vector<HeadlessCandidate> list = { Gpu(0, "/dev/dri/renderD128"), SoftwareDevice(1) };
    Machine machine;
    machine.renderers = { { 0, "AMD Radeon RX 6600 (radeonsi, navi23)" }, { 1, "llvmpipe" } };
    const varnox::egl::HeadlessSelection taken = machine.Select(list, Choice(nullptr));
    EXPECT_EQ(taken.taken, 0);
    EXPECT_EQ(taken.report,
        "COffScreen: headless rendering on EGL device 0 (/dev/dri/renderD128), renderer \"AMD Radeon RX 6600 "
        "(radeonsi, navi23)\"\n");
    EXPECT_EQ(machine.opened, (std::vector<size_t> { 0 }));
}

TEST(HeadlessDevices, AHardwareDeviceThatRendersInSoftwareGivesWayToTheNext)
{
    // Device 0 carries both the software mark and a render node, and its
    // renderer is llvmpipe: the mark was right. Device 1 is a real GPU.
    const std::vector<HeadlessCandidate> list
        = { Gpu(0, "/dev/dri/renderD128", true), Gpu(1, "/dev/dri/renderD129"), SoftwareDevice(2) };
    Machine machine;
    machine.renderers = { { 0, "llvmpipe (LLVM 15.0.6, 256 bits)" }, { 1, "Mesa Intel(R) Arc(tm) A770" },
        { 2, "llvmpipe (LLVM 15.0.6, 256 bits)" } };
    varnox::egl::HeadlessSelection taken = machine.Select(list, Choice(nullptr));
    EXPECT_EQ(taken.taken, 1);
    EXPECT_EQ(taken.renderer, "Mesa Intel(R) Arc(tm) A770");

    // Without the real GPU, the first one that rendered in software is kept
    // and the software device is not even opened.
    machine = Machine();
    machine.renderers
        = { { 0, "llvmpipe (LLVM 15.0.6, 256 bits)" }, { 2, "llvmpipe (LLVM 15.0.6, 256 bits)" } };
    taken = machine.Select(list, Choice(nullptr));
    EXPECT_EQ(taken.taken, 0);
    EXPECT_EQ(machine.opened, (std::vector<size_t> { 0, 1 }));
    EXPECT_EQ(taken.report,
        "COffScreen: headless rendering on EGL device 0 (/dev/dri/renderD128), renderer \"llvmpipe (LLVM "
        "15.0.6, "
        "256 bits)\"\n");
}

TEST(HeadlessDevices, WhenNoHardwareDeviceOpensTheSoftwareOneIsTaken)
{
    const std::vector<HeadlessCandidate> list
        = { Gpu(0, "/dev/dri/renderD128"), Unmarked(1), SoftwareDevice(2) };
    Machine machine;
    machine.renderers = { { 2, "llvmpipe" } };
    const varnox::egl::HeadlessSelection taken = machine.Select(list, Choice(nullptr));
    EXPECT_EQ(taken.taken, 2);
    EXPECT_EQ(machine.opened, (std::vector<size_t> { 0, 1, 2 }));
    EXPECT_EQ(
        taken.report, "COffScreen: headless rendering on EGL device 2 (software), renderer \"llvmpipe\"\n");

    machine = Machine();
    EXPECT_EQ(machine.Select(list, Choice(nullptr)).taken, -1);
}

TEST(HeadlessDevices, TheVariableChoosesByIndexSoftwareOrPath)
{
    const std::vector<HeadlessCandidate> list
        = { Gpu(0, "/dev/dri/renderD128"), Gpu(1, "/dev/dri/renderD129"), SoftwareDevice(2) };
    Machine machine;
    machine.renderers = { { 0, "GPU zero" }, { 1, "GPU one" }, { 2, "llvmpipe" } };
    EXPECT_EQ(machine.Select(list, Choice("1")).taken, 1);
    EXPECT_EQ(machine.Select(list, Choice("software")).taken, 2);
    EXPECT_EQ(machine.Select(list, Choice("/dev/dri/renderD129")).taken, 1);
    HeadlessCandidate card = Unmarked(3);
    card.deviceFile = "/dev/dri/card1";
    std::vector<HeadlessCandidate> withCard = list;
    withCard.push_back(card);
    machine.renderers[3] = "GPU three";
    EXPECT_EQ(machine.Select(withCard, Choice("/dev/dri/card1")).taken, 3);

    // A chosen device is taken as it is, software renderer or not, and not
    // replaced by another when it does not open.
    machine.renderers[1] = "llvmpipe";
    EXPECT_EQ(machine.Select(list, Choice("1")).taken, 1);
    machine.renderers.erase(1);
    EXPECT_EQ(machine.Select(list, Choice("1")).taken, -1);
}

TEST(HeadlessDevices, AChoiceThatNamesNothingIsReportedAndTheUsualOrderApplies)
{
    const std::vector<HeadlessCandidate> list = { Gpu(0, "/dev/dri/renderD128"), SoftwareDevice(1) };
    Machine machine;
    machine.renderers = { { 0, "GPU zero" }, { 1, "llvmpipe" } };
    const std::string taken
        = "COffScreen: headless rendering on EGL device 0 (/dev/dri/renderD128), renderer \"GPU zero\"\n";

    varnox::egl::HeadlessSelection s = machine.Select(list, Choice("5"));
    EXPECT_EQ(s.taken, 0);
    EXPECT_EQ(s.report,
        "COffScreen: VARNOX_EGL_DEVICE=\"5\" names no EGL device (EGL lists 2); choosing one as usual\n"
            + taken);
    s = machine.Select(list, Choice("/dev/dri/renderD200"));
    EXPECT_EQ(s.report,
        "COffScreen: VARNOX_EGL_DEVICE=\"/dev/dri/renderD200\" names no EGL device; choosing one as usual\n"
            + taken);
    s = machine.Select(list, Choice("fast"));
    EXPECT_EQ(s.report,
        "COffScreen: VARNOX_EGL_DEVICE=\"fast\" is not a device index, \"software\" or a DRM node path; "
        "choosing "
        "one as usual\n"
            + taken);
    const std::vector<HeadlessCandidate> gpuOnly = { Gpu(0, "/dev/dri/renderD128") };
    s = machine.Select(gpuOnly, Choice("software"));
    EXPECT_EQ(s.taken, 0);
    EXPECT_EQ(s.report,
        "COffScreen: VARNOX_EGL_DEVICE=\"software\" finds no software device; choosing one as usual\n");
}

TEST(TargetSizeLimits, TheTighterKnownSideHolds)
{
    using varnox::platform::Exceeds;
    using varnox::platform::SizeLimit;
    using varnox::platform::Tighter;
    // Pixel buffers up to 4096, viewports up to 16384: 4096 holds.
    const SizeLimit both = Tighter({ 4096, 4096 }, { 16384, 16384 });
    EXPECT_EQ(both.width, 4096);
    EXPECT_EQ(both.height, 4096);
    // A viewport smaller than the pixel buffer on one side only.
    const SizeLimit mixed = Tighter({ 8192, 8192 }, { 16384, 4000 });
    EXPECT_EQ(mixed.width, 8192);
    EXPECT_EQ(mixed.height, 4000);
    // Unknown sides (0) give way to known ones.
    const SizeLimit partly = Tighter({ 0, 2048 }, { 3000, 0 });
    EXPECT_EQ(partly.width, 3000);
    EXPECT_EQ(partly.height, 2048);

    EXPECT_FALSE(Exceeds(4096, 4096, both));
    EXPECT_TRUE(Exceeds(4097, 1, both));
    EXPECT_TRUE(Exceeds(1, 4097, both));
    EXPECT_TRUE(Exceeds(INT_MAX, INT_MAX, both));
    EXPECT_TRUE(Exceeds(8000, 4001, mixed));
    EXPECT_FALSE(Exceeds(8000, 4000, mixed));
    // Nothing known: nothing is refused here. Empty and negative sides are
    // the driver's to judge.
    EXPECT_FALSE(Exceeds(INT_MAX, INT_MAX, SizeLimit {}));
    EXPECT_FALSE(Exceeds(0, 0, both));
    EXPECT_FALSE(Exceeds(-5, INT_MIN, both));
}

} // namespace
