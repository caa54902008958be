#include "support/ReadBack.h"

namespace vxtest {

std::vector<uint8_t> ReadPixels(CRenderTarget& target)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(target.width) * target.height * 4);
    target.CopyBuffer(pixels.data());
    return pixels;
}

GLint BufferSize(GLenum target, GLuint buffer)
{
    GLint size = -1;
    glBindBuffer(target, buffer);
    glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
    return size;
}

std::vector<unsigned char> BufferContents(GLenum target, GLuint buffer)
{
    const GLint size = BufferSize(target, buffer);
    std::vector<unsigned char> bytes(static_cast<size_t>(size > 0 ? size : 0));
    if (!bytes.empty())
        glGetBufferSubData(target, 0, static_cast<GLsizeiptr>(bytes.size()), bytes.data());
    return bytes;
}

std::vector<unsigned char> TextureContents(GLuint texture)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    if (!pixels.empty())
        glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

} // namespace vxtest
