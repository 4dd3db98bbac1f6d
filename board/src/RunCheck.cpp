#include "RunCheck.h"

#include <cstring>

#include "DayWindow.h"
#include "Sha256.h"
#include "record/DailyRun.h"

namespace {

Refusal refuse(const char *code, const std::string &reason) { return Refusal{422, code, reason}; }

void put(std::string &out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((value >> (8 * i)) & 0xff));
}

// A float as its bits: the same run hashes the same to the last one.
uint32_t bits(float v)
{
    uint32_t out;
    std::memcpy(&out, &v, sizeof out);
    return out;
}

}  // namespace

std::string RunCheck::contentHash(const DemoFile &demo)
{
    std::string plain = "tallowfen run\n";
    put(plain, demo.marks.size(), 4);
    for (const DemoMark &m : demo.marks) {
        put(plain, m.kind, 1), put(plain, m.at, 4), put(plain, uint32_t(m.level), 4);
        put(plain, m.seedRand, 4), put(plain, m.seedRaylib, 4), put(plain, m.screenshake, 1);
        put(plain, uint8_t(m.animTick), 1), put(plain, uint8_t(m.animFrame), 1), put(plain, uint32_t(m.stuck), 4);
        put(plain, m.shopUpgrade, 1), put(plain, m.digest, 8), put(plain, m.restarted, 1);
        put(plain, m.run.size(), 4);
        plain += m.run;
    }
    put(plain, demo.tics.size(), 4);
    for (const InputTic &t : demo.tics) {
        put(plain, t.keyHeld, 1), put(plain, t.keyPressed, 1), put(plain, t.padHeld, 1), put(plain, t.padPressed, 1);
        put(plain, uint8_t(t.padWalkX), 1), put(plain, uint8_t(t.padWalkY), 1), put(plain, t.pad, 1);
        put(plain, uint8_t(t.padMenuX), 1), put(plain, uint8_t(t.padMenuY), 1), put(plain, uint8_t(t.padAimX), 1);
        put(plain, uint8_t(t.padAimY), 1), put(plain, bits(t.mouseX), 4), put(plain, bits(t.mouseY), 4);
        put(plain, t.screenWidth, 2), put(plain, t.screenHeight, 2), put(plain, t.click, 1),
            put(plain, bits(t.step), 4);
    }
    return Sha256::hex(plain);
}

Refusal RunCheck::check(const std::string &bytes, std::time_t now)
{
    std::string problem;
    if (!demo.decode(bytes, &problem)) return Refusal{400, "damaged", "the demo cannot be read: " + problem};
    if (demo.daily == "-") return refuse("not_daily", "the demo is not of a daily run");
    if (demo.practice) return refuse("practice", "the demo is of a practice try, which counts for nothing");
    if (!DayWindow::open(demo.daily, now))
        return refuse("wrong_day", "the daily run of " + demo.daily + " is neither today's nor yesterday's (UTC)");
    if (demo.start != 1 || demo.marks.empty()) return refuse("not_the_days_levels", "a daily run begins at level 1");
    for (const DemoMark &mark : demo.marks) {
        if (mark.kind == DemoMark::kResume) return refuse("not_the_days_levels", "a daily run is never continued");
        if (mark.kind != DemoMark::kLevelStart) continue;
        const DailyRun::Seeds seeds = DailyRun::seeds(demo.daily, mark.level);
        if (mark.seedRand != seeds.rand || mark.seedRaylib != seeds.raylib)
            return refuse("not_the_days_levels",
                          "level " + std::to_string(mark.level) + " is not the one " + demo.daily + " gave");
    }
    const DemoMark &last = demo.marks.back();
    if ((last.kind == DemoMark::kDeath || last.kind == DemoMark::kKept) && last.at < demo.tics.size())
        return refuse("input_after_end", "the demo has input after its run's end");
    runHash = contentHash(demo);
    return {};
}
