#include "mix/MixLimiter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "raylib.h"

const float MixLimiter::kCeiling = std::pow(10.0f, -1.0f / 20.0f);

namespace {

const float kRelease = 1.0f - std::exp(-1.0f / MixLimiter::kReleaseFrames);
constexpr int kNeedSlots = MixLimiter::kLookahead + 1;

// raylib hands a mixed processor no context of its own. Set before the
// processor is attached and cleared after it is detached, both of which take
// the audio lock the processor runs under, so the audio thread sees it set.
MixLimiter *attached = nullptr;

void LimitMix(void *samples, unsigned int frames) { attached->process(static_cast<float *>(samples), frames); }

}  // namespace

MixLimiter::MixLimiter() { held.fill(1.0f); }

void MixLimiter::process(float *samples, unsigned int frames)
{
    for (unsigned int i = 0; i < frames; ++i, ++frame) {
        float *io = samples + 2 * i;
        const float peak = std::max(std::fabs(io[0]), std::fabs(io[1]));
        const float need = peak > kCeiling ? kCeiling / peak : 1.0f;
        // The lowest need of this frame and the kLookahead before it.
        if (needCount > 0 && frame - needs[needHead].frame >= kNeedSlots) {
            needHead = (needHead + 1) % kNeedSlots;
            --needCount;
        }
        while (needCount > 0 && needs[(needHead + needCount - 1) % kNeedSlots].gain >= need)
            --needCount;
        needs[(needHead + needCount++) % kNeedSlots] = {frame, need};
        // Held at that low for as long as it is in view, then released. The
        // mean of the last kLookahead held gains meets each peak exactly when
        // it comes out of the delay, having glided down to it.
        gain = std::min(needs[needHead].gain, gain + (1.0f - gain) * kRelease);
        const int slot = static_cast<int>(frame % kLookahead);
        heldSum += gain - held[slot];
        held[slot] = gain;
        const float applied = static_cast<float>(heldSum / kLookahead);
        for (int side = 0; side < 2; ++side) {
            const float out = delayed[2 * slot + side] * applied;
            delayed[2 * slot + side] = io[side];
            // Rounding in the running sum must not let a sample through.
            io[side] = std::clamp(out, -kCeiling, kCeiling);
        }
        if (recordLimit > 0) {
            recordPeak = std::max(recordPeak, peak);
            recordLow = std::min(recordLow, applied);
            if (frame % kRecordFrames == kRecordFrames - 1 && record.size() < recordLimit) {
                record.push_back(
                    {20.0f * std::log10(std::max(recordPeak, 1e-5f)), std::max(0.0f, -20.0f * std::log10(recordLow))});
                recordPeak = 0.0f;
                recordLow = 1.0f;
            }
        }
    }
}

void MixLimiter::keepRecord(double seconds)
{
    recordLimit = static_cast<std::size_t>(seconds * 48000.0 / kRecordFrames);
    record.reserve(recordLimit);
}

bool MixLimiter::writeRecord(const std::string &path) const
{
    std::FILE *out = std::fopen(path.c_str(), "w");
    if (out == nullptr) return false;
    for (const Moment &m : record)
        std::fprintf(out, "%.2f %.3f\n", m.peakDb, m.reductionDb);
    return std::fclose(out) == 0;
}

void MixLimiter::attach()
{
    detach();
    attached = this;
    AttachAudioMixedProcessor(LimitMix);
}

void MixLimiter::detach()
{
    if (attached == nullptr) return;
    DetachAudioMixedProcessor(LimitMix);
    attached = nullptr;
}
