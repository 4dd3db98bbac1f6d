#include "demo/DemoSession.h"

#include "options/ActionInput.h"

const char *DemoSession::markName(DemoMark::Kind kind)
{
    switch (kind) {
        case DemoMark::kLevelStart: return "level start";
        case DemoMark::kLevelEnd: return "level end";
        case DemoMark::kResume: return "continued run";
        case DemoMark::kKept: return "kept run";
        case DemoMark::kDeath: return "death";
    }
    return "mark";
}

const InputTic *DemoSession::sample(const Bindings &bindings)
{
    if (!recorder.recording) return nullptr;
    recorder.tic = ActionInput::sample(bindings);
    recorder.add(recorder.tic);
    return &recorder.tic;
}

bool DemoSession::stalled(int level)
{
    if (!playback->stalled()) return false;
    stop("the demo makes no progress at update " + std::to_string(playback->nextTic) + " (level " +
         std::to_string(level) + ")");
    return true;
}

const InputTic *DemoSession::played(bool inRun)
{
    const InputTic *tic = inRun ? playback->nextInput() : nullptr;
    if (tic != nullptr) return tic;
    if (const DemoMark *mark = playback->due(); mark != nullptr && playback->differs.empty())
        playback->differs = std::string("the game reached no ") + markName(mark->kind) +
                            " where the recording has one, at update " + std::to_string(mark->at);
    playback->finished = true;
    return nullptr;
}

const DemoMark *DemoSession::take(DemoMark::Kind kind) { return playback->take(kind, markName(kind)); }

void DemoSession::record(DemoMark mark, const RunStats &stats, int level)
{
    const DemoMark::Kind kind = mark.kind;
    const char *result = kind == DemoMark::kDeath ? "death" : kind == DemoMark::kKept ? "kept" : "unfinished";
    recorder.mark(std::move(mark), result, level, stats.totalGold() + stats.gold, stats.totalKills() + stats.kills);
    if (kind == DemoMark::kDeath || kind == DemoMark::kKept) recorder.end();
}

void DemoSession::stop(const std::string &why)
{
    if (playback->differs.empty()) playback->differs = why;
    playback->finished = true;
}

std::string DemoSession::verdict(const DemoFile &recorded, const DemoPlayback &played, int level, int gold, int kills)
{
    if (!played.differs.empty()) return played.differs;
    // The last mark the game reached says how the run ended.
    const std::size_t reached = played.nextMark;
    const DemoMark::Kind last = reached > 0 ? recorded.marks[reached - 1].kind : DemoMark::kLevelStart;
    const char *result = last == DemoMark::kDeath ? "death" : last == DemoMark::kKept ? "kept" : "unfinished";
    if (level == recorded.level && gold == recorded.gold && kills == recorded.kills &&
        played.lastDigest == recorded.digest && recorded.result == result)
        return "";
    return "the recording ends at level " + std::to_string(recorded.level) + ", gold " + std::to_string(recorded.gold) +
           ", kills " + std::to_string(recorded.kills) + ", digest " + DigestText(recorded.digest) + " (" +
           recorded.result + ")";
}
