// Clips written as GIFs and read back with giflib, composited the way a
// viewer shows them.
#include <gtest/gtest.h>

#include <cstring>
#include <gif_lib.h>

#include "TestSupport.h"
#include "replay/GifClip.h"

namespace {

// What a viewer makes of the file.
struct Decoded {
    int width = 0, height = 0, loopCount = -1;     // -1: no NETSCAPE2.0 block
    std::vector<int> delays, areas;                // areas: pixels each frame writes
    std::vector<std::vector<GifColorType>> shown;  // the screen after each frame
};

Decoded decode(const std::string &path)
{
    Decoded result;
    int error = 0;
    GifFileType *gif = DGifOpenFileName(path.c_str(), &error);
    EXPECT_NE(gif, nullptr) << GifErrorString(error);
    if (gif == nullptr) return result;
    EXPECT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
    result.width = gif->SWidth;
    result.height = gif->SHeight;
    std::vector<GifColorType> screen(static_cast<size_t>(gif->SWidth) * gif->SHeight);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage &image = gif->SavedImages[i];
        for (int b = 0; b + 1 < image.ExtensionBlockCount; ++b) {
            const ExtensionBlock &block = image.ExtensionBlocks[b];
            if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 && image.ExtensionBlocks[b + 1].ByteCount == 3)
                result.loopCount = image.ExtensionBlocks[b + 1].Bytes[1] | image.ExtensionBlocks[b + 1].Bytes[2] << 8;
        }
        GraphicsControlBlock control{};
        EXPECT_EQ(DGifSavedExtensionToGCB(gif, i, &control), GIF_OK);
        EXPECT_NE(control.DisposalMode, DISPOSE_BACKGROUND);  // the next frame draws over this one
        result.delays.push_back(control.DelayTime);
        const ColorMapObject *map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        const GifImageDesc &area = image.ImageDesc;
        result.areas.push_back(area.Width * area.Height);
        for (int y = 0; y < area.Height; ++y)
            for (int x = 0; x < area.Width; ++x) {
                const int index = image.RasterBits[y * area.Width + x];
                if (index != control.TransparentColor)
                    screen[(area.Top + y) * gif->SWidth + area.Left + x] = map->Colors[index];
            }
        result.shown.push_back(screen);
    }
    DGifCloseFile(gif, &error);
    return result;
}

TEST(GifClip, ReadsBackAsTheRecordedPicturesEnlargedAndLoopingForever)
{
    std::vector<Color> palette255(255);
    for (int i = 0; i < 255; ++i)
        palette255[i] = {static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i), 7, 255};
    const ScopedWorkDir work(false);
    struct Case {
        const char *name;
        int width, height, scale;
        std::vector<Color> palette;
        std::vector<std::vector<unsigned char>> pictures;
        // Equal neighbours merge: what each frame shows, for how long, and
        // how many pixels it writes.
        std::vector<int> delays, shownPicture, expectedDelays, areas;
    };
    // clang-format off
    const Case cases[] = {
        {"one picture", 3, 2, 1, {RED, BLUE}, {{0, 1, 0, 1, 1, 0}}, {5}, {0}, {5}, {6}},
        {"a repeat merges, a small change stays small", 4, 3, 3, {RED, GREEN, BLUE},
         {{0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2}, {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2},
          {0, 0, 0, 0, 1, 2, 1, 1, 2, 2, 2, 2}, {2, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2}},
         {3, 4, 3, 10}, {0, 2, 3}, {7, 3, 10}, {108, 9, 36}},
        {"a full palette and a picture back to the first", 2, 2, 2, palette255,
         {{0, 254, 100, 1}, {254, 0, 1, 100}, {0, 254, 100, 1}}, {2, 2, 65535}, {0, 1, 2}, {2, 2, 65535}, {16, 16, 16}},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        GifClip clip{c.width, c.height, c.palette, {}, c.delays};
        for (const auto &picture : c.pictures)
            clip.pictures.push_back(picture.data());
        std::string problem;
        ASSERT_TRUE(SaveGif((work.path / "clips/clip.gif").string(), clip, c.scale, &problem)) << problem;
        const Decoded gif = decode((work.path / "clips/clip.gif").string());
        EXPECT_EQ(gif.width, c.width * c.scale);
        EXPECT_EQ(gif.height, c.height * c.scale);
        EXPECT_EQ(gif.loopCount, 0);
        EXPECT_EQ(gif.delays, c.expectedDelays);
        EXPECT_EQ(gif.areas, c.areas);
        ASSERT_EQ(gif.shown.size(), c.shownPicture.size());
        for (size_t frame = 0; frame < gif.shown.size(); ++frame)
            for (int y = 0; y < gif.height; ++y)
                for (int x = 0; x < gif.width; ++x) {
                    const Color want =
                        c.palette[c.pictures[c.shownPicture[frame]][y / c.scale * c.width + x / c.scale]];
                    const GifColorType got = gif.shown[frame][y * gif.width + x];
                    ASSERT_TRUE(got.Red == want.r && got.Green == want.g && got.Blue == want.b)
                        << "frame " << frame << " at " << x << "," << y;
                }
    }
}

TEST(GifClip, RefusesClipsItCannotWriteWithAReason)
{
    const std::vector<unsigned char> picture = {0, 1, 1, 0};
    const std::vector<unsigned char> beyond = {0, 1, 2, 0};
    const GifClip good{2, 2, {RED, BLUE}, {picture.data()}, {3}};
    struct Case {
        const char *name;
        GifClip clip;
        int scale;
        const char *reason;
    };
    const Case cases[] = {
        {"no pictures", {2, 2, {RED, BLUE}, {}, {}}, 2, "no pictures"},
        {"delays do not match", {2, 2, {RED, BLUE}, {picture.data()}, {3, 3}}, 2, "2 delays for 1 pictures"},
        {"index beyond the palette", {2, 2, {RED, BLUE}, {picture.data(), beyond.data()}, {3, 3}}, 2, "colour 2"},
        {"no width", {0, 2, {RED, BLUE}, {picture.data()}, {3}}, 2, "size"},
        {"no scale", good, 0, "size"},
        {"wider than a GIF", {2, 2, {RED, BLUE}, {picture.data()}, {3}}, 40000, "size"},
        {"empty palette", {2, 2, {}, {picture.data()}, {3}}, 2, "palette"},
        {"256 colours", {2, 2, std::vector<Color>(256, RED), {picture.data()}, {3}}, 2, "palette"},
        {"a missing picture", {2, 2, {RED, BLUE}, {picture.data(), nullptr}, {3, 3}}, 2, "missing"},
        {"a negative delay", {2, 2, {RED, BLUE}, {picture.data()}, {-1}}, 2, "delay"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string problem;
        EXPECT_EQ(EncodeGif(c.clip, c.scale, &problem), "");
        EXPECT_NE(problem.find(c.reason), std::string::npos) << problem;
        EXPECT_EQ(problem.find('\n'), std::string::npos);
    }
    EXPECT_NE(EncodeGif(good, 2, nullptr), "");
}

TEST(GifClip, SavesWholeOrNotAtAll)
{
    const ScopedWorkDir work(false);
    const std::vector<unsigned char> picture = {0, 1, 1, 0};
    const GifClip clip{2, 2, {RED, BLUE}, {picture.data()}, {3}};
    std::string problem;
    work.write("plain", "not a folder");
    const std::string below = (work.path / "plain/clips/a.gif").string();
    EXPECT_FALSE(SaveGif(below, clip, 2, &problem));
    EXPECT_NE(problem.find(below), std::string::npos) << problem;
    EXPECT_FALSE(std::filesystem::exists(work.path / "plain/clips"));
    EXPECT_FALSE(SaveGif((work.path / "b.gif").string(), GifClip{}, 2, &problem));
    EXPECT_FALSE(std::filesystem::exists(work.path / "b.gif"));
}

}  // namespace
