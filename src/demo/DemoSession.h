#pragma once

#include <optional>
#include <string>

#include "demo/DemoPlayback.h"
#include "demo/DemoRecorder.h"
#include "options/Bindings.h"
#include "record/RunStats.h"

// The run's demo as the game meets it: the run recorded as it is played, or
// a demo played in its place. The game calls it where a run reads its input
// and where its marks fall; what a mark holds, what a played one must find
// and the words for a run that went otherwise are kept here.
class DemoSession {
public:
    DemoRecorder recorder;                 // every run as its input, in the save folder's demos/
    std::optional<DemoPlayback> playback;  // a demo watched or verified in place of the player's run

    static const char *markName(DemoMark::Kind kind);

    // This update's tic sampled from the library through the bindings and
    // recorded; null when no run is recorded.
    const InputTic *sample(const Bindings &bindings);
    // True, and playback stopped, when update after update has taken
    // nothing from the played demo, which then cannot go on.
    bool stalled(int level);
    // The played demo's next tic for an update of play (`inRun`); null when
    // the demo has ended here, or went otherwise (which `differs` then says).
    const InputTic *played(bool inRun);
    // Takes the played mark of `kind` when it is due; null when another is
    // (the difference is noted).
    const DemoMark *take(DemoMark::Kind kind);
    // Records a mark of the run with what the header says of it: `kind` at
    // `level`, the state's digest and the run's numbers so far. A death or
    // a kept run ends the recording.
    void record(DemoMark mark, const RunStats &stats, int level);
    // Ends playback as soon as it is found to go otherwise.
    void stop(const std::string &why);

    // What --verify finds: "" when the game, fed `recorded`, came to what its
    // header says, or else what differs.
    static std::string verdict(const DemoFile &recorded, const DemoPlayback &played, int level, int gold, int kills);
};
