// Renders a picture without any window or X server and writes it to
// offscreen.ppm. Build: g++ offscreen.cpp $(pkg-config --cflags --libs varnox)
#include <cstdio>
#include <vector>

#include <varnox/varnox.h>

int main()
{
    // Made while no GL context is current, the off-screen target opens a
    // headless display: a GPU if there is one, else software rendering.
    const int width = 320, height = 240;
    COffScreen* target = COffScreen::NewL(width, height);

    // A 256 x 256 picture: red grows to the right, green downwards.
    std::vector<unsigned char> rgb(256 * 256 * 3);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            unsigned char* pixel = &rgb[(y * 256 + x) * 3];
            pixel[0] = static_cast<unsigned char>(x);
            pixel[1] = static_cast<unsigned char>(y);
            pixel[2] = 128;
        }

    // A scene holding the picture, fitted to the target with its aspect kept.
    CScene* scene = CScene::NewL();
    ImageObject* picture = ImageObject::NewL(ImageObject::fitToTarget, false);
    picture->Image(256, 256, ImageObject::RGB24, rgb.data());
    scene->addObject(picture);
    scene->Render(target); // into the current context: the target's

    // Read back: BGRA, bottom row first.
    std::vector<unsigned char> bgra(width * height * 4);
    target->CopyBuffer(bgra.data());

    // Nodes go before the scene, and both before the target's context.
    delete picture;
    delete scene;
    delete target;

    std::FILE* file = std::fopen("offscreen.ppm", "wb");
    if (!file)
        return 1;
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = &bgra[(y * width + x) * 4];
            const unsigned char pixel[3] = { p[2], p[1], p[0] };
            std::fwrite(pixel, 1, 3, file);
        }
    return std::fclose(file) == 0 ? 0 : 1;
}
