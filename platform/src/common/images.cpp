// Images in memory: flipping, enlarging, writing them out as PNG, and turning
// them into textures or new contents of one. Only the 8-bit RGBA format the
// layer itself produces is handled; others are refused with a warning.
#include <stb_image_write.h>

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "backend/gl.h"
#include "frame_record.h"
#include "internal.h"

namespace {

constexpr int kBytesPerPixel = 4;

bool isRgba(const Image &image)
{
    return image.data != nullptr && image.width > 0 && image.height > 0 &&
           image.format == PIXELFORMAT_UNCOMPRESSED_R8G8B8A8;
}

bool endsWith(std::string_view text, std::string_view end)
{
    if (text.size() < end.size()) return false;
    for (std::size_t i = 0; i < end.size(); ++i) {
        char c = text[text.size() - end.size() + i];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != end[i]) return false;
    }
    return true;
}

}  // namespace

extern "C" {

void ImageFlipVertical(Image *image)
{
    if (image == nullptr || !isRgba(*image)) return;
    const std::size_t row = std::size_t(image->width) * kBytesPerPixel;
    std::vector<unsigned char> swap(row);
    auto *bytes = static_cast<unsigned char *>(image->data);
    for (int top = 0, bottom = image->height - 1; top < bottom; ++top, --bottom) {
        std::memcpy(swap.data(), bytes + top * row, row);
        std::memcpy(bytes + top * row, bytes + bottom * row, row);
        std::memcpy(bytes + bottom * row, swap.data(), row);
    }
}

void ImageResizeNN(Image *image, int newWidth, int newHeight)
{
    if (image == nullptr || !isRgba(*image) || newWidth <= 0 || newHeight <= 0) return;
    auto *out = static_cast<unsigned char *>(std::malloc(std::size_t(newWidth) * newHeight * kBytesPerPixel));
    if (out == nullptr) return;
    const auto *in = static_cast<const unsigned char *>(image->data);
    for (int y = 0; y < newHeight; ++y) {
        const int sy = int(std::int64_t(y) * image->height / newHeight);
        for (int x = 0; x < newWidth; ++x) {
            const int sx = int(std::int64_t(x) * image->width / newWidth);
            std::memcpy(out + (std::size_t(y) * newWidth + x) * kBytesPerPixel,
                        in + (std::size_t(sy) * image->width + sx) * kBytesPerPixel, kBytesPerPixel);
        }
    }
    std::free(image->data);
    image->data = out;
    image->width = newWidth;
    image->height = newHeight;
}

bool ExportImage(Image image, const char *fileName)
{
    if (fileName == nullptr || !isRgba(image)) return false;
    if (!endsWith(fileName, ".png")) {
        TraceLog(LOG_WARNING, "IMAGE: [%s] Export format not supported", fileName);
        return false;
    }
    const bool saved = stbi_write_png(fileName, image.width, image.height, kBytesPerPixel, image.data,
                                      image.width * kBytesPerPixel) != 0;
    if (saved)
        TraceLog(LOG_INFO, "FILEIO: [%s] Image exported successfully", fileName);
    else
        TraceLog(LOG_WARNING, "FILEIO: [%s] Failed to export image", fileName);
    return saved;
}

Texture2D LoadTextureFromImage(Image image)
{
    if (!isRgba(image)) return Texture2D{0, 0, 0, 0, 0};
    rlp::FrameInvalidate();  // a new texture may take a freed one's id
    return rlp::CreateTextureRGBA(image.width, image.height, static_cast<const unsigned char *>(image.data));
}

void UpdateTexture(Texture2D texture, const void *pixels)
{
    if (!rlp::GlReady() || texture.id == 0 || pixels == nullptr || texture.format != PIXELFORMAT_UNCOMPRESSED_R8G8B8A8)
        return;
    // Work recorded so far still shows the old contents; what follows the new.
    rlp::BatchFlush();
    rlp::FrameSync();
    glBindTexture(GL_TEXTURE_2D, texture.id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, texture.width, texture.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    glBindTexture(GL_TEXTURE_2D, 0);
    rlp::FrameInvalidate();
}

}  // extern "C"
