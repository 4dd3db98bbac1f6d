// Textures, render textures and images: loading PNGs with stb_image,
// uploading them, drawing them, and reading pixels back.
#include <stb_image.h>
#include <stb_image_write.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "backend/gl.h"
#include "frame_record.h"
#include "internal.h"

namespace {

Texture2D zeroTexture() { return Texture2D{0, 0, 0, 0, 0}; }

void setSampling()
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

bool readFile(const char *path, std::vector<unsigned char> &bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        TraceLog(LOG_WARNING, "FILEIO: [%s] Failed to open file", path);
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace

namespace rlp {

Texture2D CreateTextureRGBA(int width, int height, const unsigned char *rgba)
{
    if (!GlReady() || width <= 0 || height <= 0) return zeroTexture();
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    setSampling();
    glBindTexture(GL_TEXTURE_2D, 0);
    return Texture2D{id, width, height, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8};
}

}  // namespace rlp

namespace {

// A PNG signature followed by chunks that each fit in the file, up to IEND.
// A chunk claiming more bytes than the file holds would otherwise have the
// decoder allocate that much (gigabytes) before it finds the data missing.
bool isWholePng(const std::vector<unsigned char> &bytes)
{
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (bytes.size() < sizeof kSignature || std::memcmp(bytes.data(), kSignature, sizeof kSignature) != 0) return false;
    std::size_t at = sizeof kSignature;
    while (bytes.size() - at >= 12) {
        const std::size_t length = std::size_t(bytes[at]) << 24 | std::size_t(bytes[at + 1]) << 16 |
                                   std::size_t(bytes[at + 2]) << 8 | std::size_t(bytes[at + 3]);
        if (length > bytes.size() - at - 12) return false;
        if (std::memcmp(&bytes[at + 4], "IEND", 4) == 0) return true;
        at += 12 + length;
    }
    return false;
}

}  // namespace

extern "C" {

Texture2D LoadTexture(const char *fileName)
{
    if (fileName == nullptr) return zeroTexture();
    std::vector<unsigned char> bytes;
    if (!readFile(fileName, bytes)) return zeroTexture();
    int width = 0, height = 0, channels = 0;
    unsigned char *pixels = nullptr;
    // Only PNG is decoded: stb_image also takes TGA and other formats whose
    // loose headers match stray bytes and can announce a huge image that a
    // few bytes of run-length data then take many seconds to fill.
    if (isWholePng(bytes))
        pixels = stbi_load_from_memory(bytes.data(), int(bytes.size()), &width, &height, &channels, 4);
    if (pixels == nullptr) {
        TraceLog(LOG_WARNING, "IMAGE: [%s] Failed to load image data", fileName);
        return zeroTexture();
    }
    if (!rlp::GlReady()) {
        TraceLog(LOG_WARNING, "TEXTURE: [%s] Cannot load a texture before the window is open", fileName);
        stbi_image_free(pixels);
        return zeroTexture();
    }
    rlp::FrameInvalidate();  // a new texture may take a freed one's id
    Texture2D texture = rlp::CreateTextureRGBA(width, height, pixels);
    stbi_image_free(pixels);
    return texture;
}

bool IsTextureValid(Texture2D texture)
{
    return texture.id > 0 && texture.width > 0 && texture.height > 0 && texture.format > 0 && texture.mipmaps > 0;
}

void UnloadTexture(Texture2D texture)
{
    if (!rlp::GlReady() || texture.id == 0) return;
    rlp::BatchFlush();
    rlp::FrameSync();
    glDeleteTextures(1, &texture.id);
}

RenderTexture2D LoadRenderTexture(int width, int height)
{
    RenderTexture2D target{};
    if (!rlp::GlReady() || width <= 0 || height <= 0) {
        TraceLog(LOG_WARNING, "FBO: Cannot create a %i x %i render texture", width, height);
        return target;
    }
    target.texture = rlp::CreateTextureRGBA(width, height, nullptr);
    GLuint depth = 0;
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    target.depth = Texture2D{depth, width, height, 1, 19};

    rlp::BatchFlush();
    rlp::FrameInvalidate();
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target.texture.id, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    target.id = fbo;
    if (!complete) {
        TraceLog(LOG_WARNING, "FBO: [ID %u] Framebuffer object is not complete", fbo);
        UnloadRenderTexture(target);
        return RenderTexture2D{};
    }
    return target;
}

bool IsRenderTextureValid(RenderTexture2D target) { return target.id > 0 && IsTextureValid(target.texture); }

void UnloadRenderTexture(RenderTexture2D target)
{
    if (!rlp::GlReady() || target.id == 0) return;
    rlp::BatchFlush();
    rlp::FrameSync();
    glDeleteFramebuffers(1, &target.id);
    if (target.texture.id) glDeleteTextures(1, &target.texture.id);
    if (target.depth.id) glDeleteRenderbuffers(1, &target.depth.id);
}

Image LoadImageFromTexture(Texture2D texture)
{
    Image image{nullptr, 0, 0, 0, 0};
    if (!rlp::GlReady() || texture.id == 0 || texture.width <= 0 || texture.height <= 0) return image;
    rlp::BatchFlush();
    rlp::FrameSync();
    image.data = std::malloc(std::size_t(texture.width) * texture.height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    rlp::gl::ReadTexture(texture.id, texture.width, texture.height, image.data);
    image.width = texture.width;
    image.height = texture.height;
    image.mipmaps = 1;
    image.format = PIXELFORMAT_UNCOMPRESSED_R8G8B8A8;
    return image;
}

void UnloadImage(Image image) { std::free(image.data); }

Color GetImageColor(Image image, int x, int y)
{
    if (image.data == nullptr || image.format != PIXELFORMAT_UNCOMPRESSED_R8G8B8A8 || x < 0 || y < 0 ||
        x >= image.width || y >= image.height)
        return Color{0, 0, 0, 0};
    const unsigned char *p = static_cast<const unsigned char *>(image.data) + (std::size_t(y) * image.width + x) * 4;
    return Color{p[0], p[1], p[2], p[3]};
}

void TakeScreenshot(const char *fileName)
{
    if (!rlp::GlReady() || fileName == nullptr) return;
    rlp::BatchFlush();
    rlp::FrameSync();
    const int width = GetScreenWidth(), height = GetScreenHeight();
    std::vector<unsigned char> pixels(std::size_t(width) * height * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    stbi_flip_vertically_on_write(1);
    if (!stbi_write_png(fileName, width, height, 4, pixels.data(), width * 4))
        TraceLog(LOG_WARNING, "SYSTEM: [%s] Failed to save screenshot", fileName);
    stbi_flip_vertically_on_write(0);
}

void DrawTexturePro(Texture2D texture, Rectangle source, Rectangle dest, Vector2 origin, float rotation, Color tint)
{
    if (texture.id == 0 || texture.width <= 0 || texture.height <= 0) return;
    const float width = float(texture.width), height = float(texture.height);
    const bool flipX = source.width < 0, flipY = source.height < 0;
    if (flipX) source.width = -source.width;
    if (flipY) source.height = -source.height;
    if (dest.width < 0) dest.width = -dest.width;
    if (dest.height < 0) dest.height = -dest.height;

    const rlp::TexCoords uv{
        (flipX ? source.x + source.width : source.x) / width, (flipY ? source.y + source.height : source.y) / height,
        (flipX ? source.x : source.x + source.width) / width, (flipY ? source.y : source.y + source.height) / height};
    rlp::BatchRectangle(texture.id, dest, origin, rotation, uv, tint);
}

}  // extern "C"
