#pragma once

#include <ctime>
#include <string>

#include "RunStore.h"
#include "VerifyPool.h"

// A run sent to the board, from the request's bytes to its answer: the
// player's key and name checked, the demo read and checked (RunCheck), the
// board's rules asked before the costly part, the run verified by the game
// in the pool, and the numbers the verifier computed ranked, never those
// the demo claims.
class RunSubmission {
public:
    struct Answer {
        int status = 0;
        std::string json;
        bool retryLater = false;  // 429 for a full queue: the game may send again shortly
    };

    RunStore &store;
    VerifyPool &pool;

    Answer handle(const std::string &demo, const std::string &key, const std::string &rawName, std::time_t now);

    // An entry as the API shows it, with its rank when known.
    static std::string entryJson(const RunStore::Entry &entry, int64_t rank, int64_t of);
    static std::string errorJson(const std::string &code, const std::string &reason);
};
