// Renders off-screen with the installed library and checks one pixel.
#include <cstdio>
#include <vector>

#include <varnox/varnox.h>

int main()
{
    COffScreen* target = COffScreen::NewL(64, 32);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    std::vector<unsigned char> pixels(64 * 32 * 4);
    target->CopyBuffer(pixels.data());
    const bool green = pixels[0] == 0 && pixels[1] == 255 && pixels[2] == 0 && pixels[3] == 255;
    const bool loaded = kxgl::glGenBuffers != nullptr;
    delete target;
    std::printf("client: green %d, table loaded %d\n", green, loaded);
    return green && loaded ? 0 : 1;
}
