// Feeds arbitrary bytes to LoadTexture without a window: the file is read
// and decoded by stb_image, then refused for want of a GL context, which
// must free the pixels. stb_image is compiled in here so that libFuzzer sees
// its branches; the layer's calls resolve to this copy.
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include <cstdint>

#include "FuzzInput.h"
#include "raylib.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    SetTraceLogLevel(LOG_NONE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const char *path = fuzz::WriteInput("image.png", data, size);
    Texture2D texture = LoadTexture(path);
    if (texture.id != 0) UnloadTexture(texture);
    return 0;
}
