// vnxview: shows PNG and JPEG images fitted in a window, aspect kept, or
// renders one of them headless into a PNG file.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <varnox/varnox.h>

#include "Args.h"
#include "ImageFile.h"
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
               "                server needed), instead of showing it\n",
        out);
}

struct Options {
    std::vector<const char*> files;
    const char* out = nullptr;
    int width = 0; // 0: not given
    int height = 0;
    int rotation = 0; // clockwise degrees: 0, 90, 180 or 270
};

// 0: go on; otherwise the exit status.
int Parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool takesValue
            = !std::strcmp(arg, "--out") || !std::strcmp(arg, "--size") || !std::strcmp(arg, "--rotate");
        if (!std::strcmp(arg, "--help")) {
            Usage(stdout);
            return -1;
        }
        if (takesValue && i + 1 >= argc) {
            std::fprintf(stderr, "vnxview: %s needs a value\n", arg);
            return 2;
        }
        long degrees = 0;
        if (!std::strcmp(arg, "--out"))
            options.out = argv[++i];
        else if (!std::strcmp(arg, "--size")) {
            if (!ParseSize(argv[++i], kMaxSide, options.width, options.height)) {
                std::fprintf(stderr, "vnxview: --size wants WIDTHxHEIGHT, each from 1 to %d, not \"%s\"\n",
                    kMaxSide, argv[i]);
                return 2;
            }
        } else if (!std::strcmp(arg, "--rotate")) {
            const char* value = argv[++i];
            const bool negative = value[0] == '-';
            if (!ParseWhole(value + negative, 0, 36000, degrees) || degrees % 90 != 0) {
                std::fprintf(stderr, "vnxview: --rotate wants a multiple of 90 degrees, not \"%s\"\n", value);
                return 2;
            }
            options.rotation = static_cast<int>(((negative ? -degrees : degrees) % 360 + 360) % 360);
        } else if (arg[0] == '-' && arg[1] != '\0') {
            std::fprintf(stderr, "vnxview: unknown option \"%s\"\n", arg);
            return 2;
        } else
            options.files.push_back(arg);
    }
    if (options.files.empty()) {
        std::fprintf(stderr, "vnxview: no image given\n");
        return 2;
    }
    if (options.out && options.files.size() != 1) {
        std::fprintf(stderr, "vnxview: --out renders one image, not %zu\n", options.files.size());
        return 2;
    }
    return 0;
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
    COffScreen* target = COffScreen::NewL(width, height);
    if (!TargetReady(target)) {
        delete target;
        return 1;
    }
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
    const int status = Parse(argc, argv, options);
    if (status == -1)
        return 0;
    if (status != 0) {
        Usage(stderr);
        return status;
    }
    return options.out ? RenderToFile(options) : Show(options);
}
