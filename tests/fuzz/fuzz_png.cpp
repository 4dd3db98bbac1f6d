// Feeds arbitrary bytes to LoadTexture without a window: the file is read
// and decoded by stb_image, then refused for want of a GL context, which
// must free the pixels. The layer's stb_image is built with the fuzzer's
// instrumentation, as the whole fuzz build is, so libFuzzer sees its branches.
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
