#pragma once

#include <atomic>
#include <ctime>
#include <future>
#include <map>
#include <mutex>
#include <string>

#include "RunStore.h"
#include "VerifyPool.h"

// A run sent to the board, from the request's bytes to its answer: the
// player's key and name checked, the demo read and checked (RunCheck), the
// board's rules asked before the costly part, the run verified by the game
// in the pool, and the numbers the verifier computed ranked, never those
// the demo claims. The same run sent again while it is being verified (under
// other keys, or by a game retrying) waits on that one verification.
class RunSubmission {
public:
    struct Answer {
        int status = 0;
        std::string json;
        bool retryLater = false;  // 429 for a full queue: the game may send again shortly
    };
    // What a verification under way comes to for every submission sharing it.
    struct Outcome {
        enum Kind {
            kVerified,  // `verdict` is the game's
            kBusy,      // the pool's queue was full
            kGaveUp,    // the submission that began it was refused first: the others begin their own
        };
        Kind kind = kGaveUp;
        VerifyOutput verdict;
    };

    RunStore &store;
    VerifyPool &pool;
    // The verifications under way, by the run's last link; each is removed
    // once the submission that began it has been ranked or refused.
    std::mutex flightsLock{};
    std::map<std::string, std::shared_future<Outcome>> flights{};
    std::atomic<long> verifications{0};  // runs the pool has verified
    std::atomic<long> sharing{0};        // submissions waiting now on another's verification

    Answer handle(const std::string &demo, const std::string &key, const std::string &rawName, std::time_t now);

    // An entry as the API shows it, with its rank when known.
    static std::string entryJson(const RunStore::Entry &entry, int64_t rank, int64_t of);
    static std::string errorJson(const std::string &code, const std::string &reason);
};
