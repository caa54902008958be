// vnxview: shows PNG and JPEG images fitted in a window, aspect kept, or
// renders one of them headless into a PNG file.

#include <cstdio>
#include <string>
#include <vector>

#include <CommandLine.h>
#include <varnox/varnox.h>

#include "ImageFile.h"
#include "LibraryMessages.h"
#include "OutputTarget.h"
#include "ToolWindow.h"

namespace {

void Usage(std::FILE* out)
{
    std::fputs("Usage: vnxview [--size WxH] [--rotate DEG] FILE...\n"
               "       vnxview --out OUT.png [--size WxH] [--rotate DEG] FILE\n"
               "Shows PNG and JPEG images in a window, each fitted with its aspect kept.\n"
               "Keys: Right, Space or n: next image; Left, Backspace or p: previous;\n"
               "r: turn 90 degrees clockwise; q or Escape: quit.\n"
               "\n"
               "  --size WxH    window size (default 800x600); with --out, the PNG's size\n"
               "                (default: the image's, turned by --rotate)\n"
               "  --rotate DEG  turn clockwise by DEG degrees, a multiple of 90 (default 0)\n"
               "  --out FILE    render the one image given into a PNG file, headless (no X\n"
               "                server needed), instead of showing it\n"
               "  --verbose     also print what the library reports (driver, extensions) on\n"
               "                standard error; its failures go there always\n"
               "\n"
               "An EXIF orientation in the file is applied first, --rotate after it. Samples\n"
               "are shown as stored, taken as sRGB (16 bits scaled to 8, gAMA and colour\n"
               "profiles not applied); CMYK JPEGs are converted without a profile.\n"
               "Refused: files over 256 MiB, images over 134217728 pixels (128 Mi, such as\n"
               "16384x8192) or 16384 on a side, and files whose data is shorter than their\n"
               "header claims.\n",
        out);
}

struct Options {
    std::vector<const char*> files;
    const char* out = nullptr;
    int width = 0; // 0: not given
    int height = 0;
    int rotation = 0; // clockwise degrees: 0, 90, 180 or 270
    bool verbose = false;
};

enum Option { kOut, kSize, kRotate, kVerbose, kHelp };

const vnxcmd::Option kOptions[] = {
    { "--out", true },
    { "--size", true },
    { "--rotate", true },
    { "--verbose", false },
    { "--help", false },
};

// Reads the command line into `options`. Returns -1 to go on, or the exit
// status to stop with.
int Parse(int argc, char** argv, Options& options)
{
    vnxcmd::Rules rules;
    rules.operands = true;
    vnxcmd::Reader reader(argc, argv, kOptions, rules);
    for (vnxcmd::Argument argument; reader.Next(argument);) {
        switch (argument.option) {
        case kOut:
            options.out = argument.value;
            break;
        case kSize:
            reader.Size(argument, kMaxSide, options.width, options.height);
            break;
        case kRotate: {
            const char* value = argument.value;
            const bool negative = value[0] == '-';
            long degrees = 0;
            if (!vnxcmd::ParseWhole(value + negative, 0, 36000, degrees) || degrees % 90 != 0)
                reader.Refuse(argument, "a multiple of 90 degrees");
            else
                options.rotation = static_cast<int>(((negative ? -degrees : degrees) % 360 + 360) % 360);
            break;
        }
        case kVerbose:
            options.verbose = true;
            break;
        case kHelp:
            Usage(stdout);
            return 0;
        case vnxcmd::kOperand:
            options.files.push_back(argument.value);
            break;
        }
    }
    // After a refusal these add nothing: the reader keeps the first.
    if (options.files.empty())
        reader.Fail("no image given");
    else if (options.out && options.files.size() != 1)
        reader.Fail("--out renders one image, not " + std::to_string(options.files.size()));
    return reader.failed() ? vnxcmd::Refused("vnxview", reader.error(), Usage) : -1;
}

bool Load(const char* path, Picture& picture)
{
    std::string error;
    if (LoadPicture(path, picture, error))
        return true;
    std::fprintf(stderr, "vnxview: %s: %s\n", path, error.c_str());
    return false;
}

// One image, fitted and turned, into a PNG file.
int RenderToFile(const Options& options)
{
    Picture picture;
    if (!Load(options.files[0], picture))
        return 1;
    const bool quarter = options.rotation % 180 != 0;
    const int width = options.width ? options.width : quarter ? picture.height : picture.width;
    const int height = options.height ? options.height : quarter ? picture.width : picture.height;

    // Made while no context is current: a headless target, no X server needed.
    COffScreen* target = MakeOutputTarget("vnxview", width, height);
    if (!target)
        return 1;
    CScene* scene = CScene::NewL();
    ImageObject* image = ImageObject::NewL(ImageObject::fitToTarget, false);
    image->Image(picture.width, picture.height, ImageObject::RGBA32, picture.rgba.data());
    scene->addObject(image);
    // The scene turns counter-clockwise for positive angles.
    scene->SceneRotation(-options.rotation);
    scene->Render(target);
    std::vector<unsigned char> bgra(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    target->CopyBuffer(bgra.data());
    delete image;
    delete scene;
    delete target;

    // CopyBuffer reads the bottom row first.
    const long stride = static_cast<long>(width) * 4;
    std::string error;
    if (!WritePng(options.out, width, height, bgra.data() + (height - 1) * stride, -stride, error)) {
        std::fprintf(stderr, "vnxview: %s: %s\n", options.out, error.c_str());
        return 1;
    }
    return 0;
}

// Loads the first image that loads, from `index` on in steps of `step`
// (wrapping round); false when none does.
bool LoadFrom(const Options& options, int& index, int step, Picture& picture)
{
    const int count = static_cast<int>(options.files.size());
    for (int tries = 0; tries < count; ++tries, index = (index + step + count) % count)
        if (Load(options.files[static_cast<size_t>(index)], picture))
            return true;
    return false;
}

int Show(const Options& options)
{
    Picture picture;
    int index = 0;
    if (!LoadFrom(options, index, 1, picture))
        return 1;
    const int width = options.width ? options.width : 800;
    const int height = options.height ? options.height : 600;
    ToolWindow window;
    if (!window.Open("vnxview", width, height))
        return 1;
    CWindowVNX* target = CWindowVNX::NewL(0, 0, width, height, window.id());
    if (!TargetReady(target)) {
        delete target;
        return 1;
    }
    CScene* scene = CScene::NewL();
    ImageObject* image = ImageObject::NewL(ImageObject::fitToTarget, false);
    scene->addObject(image);

    int rotation = options.rotation;
    int frame = 0;
    int status = 0;
    bool fresh = true; // `picture` is not uploaded yet
    const int count = static_cast<int>(options.files.size());
    for (ToolWindow::Input input = ToolWindow::Input::Redraw; input != ToolWindow::Input::Quit;
         input = window.Wait(-1)) {
        if (input == ToolWindow::Input::Next || input == ToolWindow::Input::Previous) {
            const int step = input == ToolWindow::Input::Next ? 1 : -1;
            index = (index + step + count) % count;
            if (!LoadFrom(options, index, step, picture)) {
                status = 1;
                break;
            }
            fresh = true;
        } else if (input == ToolWindow::Input::Rotate)
            rotation = (rotation + 90) % 360;
        if (fresh) {
            image->Image(picture.width, picture.height, ImageObject::RGBA32, picture.rgba.data());
            const std::string title = "vnxview: " + std::string(options.files[static_cast<size_t>(index)])
                + " (" + std::to_string(index + 1) + "/" + std::to_string(count) + ")";
            window.SetTitle(title.c_str());
            fresh = false;
        }
        scene->SceneRotation(-rotation);
        scene->Render(target);
        target->Refresh(frame++);
    }
    delete image;
    delete scene;
    delete target;
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    const int stop = Parse(argc, argv, options);
    if (stop >= 0)
        return stop;
    RouteLibraryMessages(options.verbose);
    return options.out ? RenderToFile(options) : Show(options);
}
