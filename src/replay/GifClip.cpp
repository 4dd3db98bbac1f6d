#include "replay/GifClip.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>

#include "system/SafeFile.h"

namespace {

constexpr int kMaxDelay = 65535;  // the GIF field is 16 bits
constexpr int kMaxSide = 65535;

// Why the clip cannot be encoded, or "" when it can.
std::string checkClip(const GifClip &clip, int scale)
{
    if (clip.pictures.empty()) return "the clip has no pictures";
    if (clip.width <= 0 || clip.height <= 0 || scale <= 0 || clip.width > kMaxSide / scale ||
        clip.height > kMaxSide / scale)
        return "bad picture size " + std::to_string(clip.width) + "x" + std::to_string(clip.height) + " at scale " +
               std::to_string(scale);
    if (clip.palette.empty() || clip.palette.size() > 255)
        return "the palette has " + std::to_string(clip.palette.size()) + " colours, not 1 to 255";
    if (clip.delays.size() != clip.pictures.size())
        return std::to_string(clip.delays.size()) + " delays for " + std::to_string(clip.pictures.size()) + " pictures";
    const size_t area = static_cast<size_t>(clip.width) * static_cast<size_t>(clip.height);
    for (size_t i = 0; i < clip.pictures.size(); ++i) {
        if (clip.delays[i] < 0 || clip.delays[i] > kMaxDelay)
            return "picture " + std::to_string(i) + " has a delay of " + std::to_string(clip.delays[i]);
        if (clip.pictures[i] == nullptr) return "picture " + std::to_string(i) + " is missing";
        const unsigned char highest = *std::max_element(clip.pictures[i], clip.pictures[i] + area);
        if (highest >= clip.palette.size())
            return "picture " + std::to_string(i) + " uses colour " + std::to_string(highest) +
                   " beyond its palette of " + std::to_string(clip.palette.size());
    }
    return "";
}

// The part of `now` that differs from `before`, in picture pixels; empty
// (width 0) when they are equal.
struct Box {
    int x = 0, y = 0, width = 0, height = 0;
};

Box changedBox(const unsigned char *before, const unsigned char *now, int width, int height)
{
    int left = width, right = -1, top = -1, bottom = -1;
    for (int y = 0; y < height; ++y) {
        const unsigned char *a = before + static_cast<size_t>(y) * width;
        const unsigned char *b = now + static_cast<size_t>(y) * width;
        if (std::memcmp(a, b, width) == 0) continue;
        if (top < 0) top = y;
        bottom = y;
        int first = 0, last = width - 1;
        while (a[first] == b[first])
            ++first;
        while (a[last] == b[last])
            --last;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    if (top < 0) return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

// One frame of the file: a picture and how long it stays.
struct Frame {
    const unsigned char *picture;
    int delay;
};

// Equal neighbours become one frame that stays for both delays.
std::vector<Frame> mergeRepeats(const GifClip &clip)
{
    const size_t area = static_cast<size_t>(clip.width) * static_cast<size_t>(clip.height);
    std::vector<Frame> frames;
    for (size_t i = 0; i < clip.pictures.size(); ++i) {
        const unsigned char *picture = clip.pictures[i];
        if (!frames.empty() && frames.back().delay + clip.delays[i] <= kMaxDelay &&
            (frames.back().picture == picture || std::memcmp(frames.back().picture, picture, area) == 0)) {
            frames.back().delay += clip.delays[i];
            continue;
        }
        frames.push_back({picture, clip.delays[i]});
    }
    return frames;
}

int appendBytes(GifFileType *gif, const GifByteType *bytes, int count)
{
    static_cast<std::string *>(gif->UserData)->append(reinterpret_cast<const char *>(bytes), count);
    return count;
}

// Writes the frames into one open giflib file. Each frame after the first
// covers only what changed, with the unchanged pixels in it transparent over
// the frame left in place, which keeps a scrolling clip small and fast.
class GifWriter {
public:
    GifWriter(GifFileType *gif, const GifClip &clip, int scale)
        : gif(gif), clip(clip), scale(scale), transparent(static_cast<int>(clip.palette.size())),
          line(static_cast<size_t>(clip.width) * scale)
    {
    }

    bool header()
    {
        int colours = 2;
        while (colours < transparent + 1)
            colours *= 2;
        std::vector<GifColorType> map(colours, GifColorType{0, 0, 0});
        for (int i = 0; i < transparent; ++i)
            map[i] = {clip.palette[i].r, clip.palette[i].g, clip.palette[i].b};
        ColorMapObject *colourMap = GifMakeMapObject(colours, map.data());
        if (colourMap == nullptr) return false;
        EGifSetGifVersion(gif, true);
        const bool described =
            EGifPutScreenDesc(gif, clip.width * scale, clip.height * scale, 8, 0, colourMap) == GIF_OK;
        GifFreeMapObject(colourMap);
        // The NETSCAPE2.0 block with a count of 0 makes viewers loop forever.
        static const char application[] = "NETSCAPE2.0";
        unsigned char loop[3] = {1, 0, 0};
        return described && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
               EGifPutExtensionBlock(gif, 11, application) == GIF_OK &&
               EGifPutExtensionBlock(gif, sizeof loop, loop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
    }

    bool frame(const unsigned char *before, const Frame &frame)
    {
        Box box{0, 0, clip.width, clip.height};
        if (before != nullptr) box = changedBox(before, frame.picture, clip.width, clip.height);
        // Only a clip whose pictures all merged could be unchanged; a frame
        // still needs a pixel to carry its delay.
        if (box.width == 0) box = {0, 0, 1, 1};

        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;
        control.UserInputFlag = false;
        control.DelayTime = frame.delay;
        control.TransparentColor = before != nullptr ? transparent : NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) != GIF_OK) return false;
        const int wide = box.width * scale;
        if (EGifPutImageDesc(gif, box.x * scale, box.y * scale, wide, box.height * scale, false, nullptr) != GIF_OK)
            return false;

        for (int y = box.y; y < box.y + box.height; ++y) {
            const size_t row = static_cast<size_t>(y) * clip.width;
            const unsigned char *now = frame.picture + row;
            GifPixelType *out = line.data();
            // An unchanged pixel may be written as itself or as transparent;
            // continuing the run on its left gives LZW longer strings, so a
            // scrolled tile stays whole instead of riddled with holes.
            int last = transparent;
            for (int x = box.x; x < box.x + box.width; ++x) {
                const bool same = before != nullptr && before[row + x] == now[x];
                const int index = same && last != now[x] ? transparent : now[x];
                std::fill_n(out, scale, static_cast<GifPixelType>(index));
                out += scale;
                last = index;
            }
            for (int copy = 0; copy < scale; ++copy)
                if (EGifPutLine(gif, line.data(), wide) != GIF_OK) return false;
        }
        return true;
    }

private:
    GifFileType *gif;
    const GifClip &clip;
    int scale;
    int transparent;
    std::vector<GifPixelType> line;
};

}  // namespace

std::string EncodeGif(const GifClip &clip, int scale, std::string *problem)
{
    std::string why = checkClip(clip, scale);
    if (!why.empty()) {
        if (problem) *problem = "cannot make the GIF: " + why;
        return "";
    }
    std::string bytes;
    int error = 0;
    GifFileType *gif = EGifOpen(&bytes, appendBytes, &error);
    if (gif == nullptr) {
        if (problem) *problem = std::string("cannot make the GIF: ") + GifErrorString(error);
        return "";
    }
    GifWriter writer(gif, clip, scale);
    bool written = writer.header();
    const unsigned char *before = nullptr;
    for (const Frame &frame : mergeRepeats(clip)) {
        if (!written) break;
        written = writer.frame(before, frame);
        before = frame.picture;
    }
    if (!written) error = gif->Error;
    // Closing writes the trailer, so it has to succeed too.
    if (EGifCloseFile(gif, written ? &error : nullptr) != GIF_OK) written = false;
    if (!written) {
        if (problem) *problem = std::string("cannot make the GIF: ") + GifErrorString(error);
        return "";
    }
    return bytes;
}

bool SaveGif(const std::string &path, const GifClip &clip, int scale, std::string *problem)
{
    const std::string bytes = EncodeGif(clip, scale, problem);
    if (bytes.empty()) return false;
    std::string why;
    if (WriteFileSafely(path.c_str(), bytes, &why)) return true;
    if (problem) *problem = "cannot save " + path + ": " + why;
    return false;
}
