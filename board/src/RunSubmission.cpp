#include "RunSubmission.h"

#include <chrono>
#include <cstdio>
#include <optional>

#include "BoardPage.h"
#include "BuildIdentity.h"
#include "Escape.h"
#include "PlayerRules.h"
#include "RunCheck.h"
#include "Sha256.h"

namespace {

RunSubmission::Answer refused(const Refusal &r)
{
    return RunSubmission::Answer{r.status, RunSubmission::errorJson(r.code, r.reason)};
}

int64_t millisecondsNow()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string lowercase(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'F') c = char(c - 'A' + 'a');
    return text;
}

// The log's word for a verdict.
const char *said(const VerifyOutput &verdict)
{
    switch (verdict.kind) {
        case VerifyOutput::kMatches: return "matches";
        case VerifyOutput::kDiffers: return "differs";
        case VerifyOutput::kCannot: return "cannot be read";
        case VerifyOutput::kFailed: break;
    }
    return "the verifier failed";
}

// A verification this submission began: removed from the flights when the
// submission is done, after its ranking, so a sending of the same run that
// comes later finds it ranked; the others sharing it are told it gave up
// when it ends before verifying.
struct Flight {
    RunSubmission &owner;
    std::string link;
    std::promise<RunSubmission::Outcome> outcome;
    bool told = false;

    void tell(RunSubmission::Outcome o)
    {
        outcome.set_value(std::move(o));
        told = true;
    }
    ~Flight()
    {
        {
            std::lock_guard<std::mutex> hold(owner.flightsLock);
            owner.flights.erase(link);
        }
        if (!told) outcome.set_value(RunSubmission::Outcome{});
    }
};

}  // namespace

std::string RunSubmission::errorJson(const std::string &code, const std::string &reason)
{
    return "{\"error\":" + Escape::json(code) + ",\"reason\":" + Escape::json(reason) + "}";
}

std::string RunSubmission::entryJson(const RunStore::Entry &e, int64_t rank, int64_t of)
{
    const std::string demo = "/api/runs/" + std::to_string(e.id) + ".demo";
    std::string json = "{\"id\":" + std::to_string(e.id) + ",\"day\":" + Escape::json(e.day) +
                       ",\"name\":" + Escape::json(e.name) + ",\"level\":" + std::to_string(e.level) +
                       ",\"gold\":" + std::to_string(e.gold) + ",\"kills\":" + std::to_string(e.kills) +
                       ",\"tics\":" + std::to_string(e.tics) + ",\"length_ms\":" + std::to_string(e.lengthMs) +
                       ",\"display_hz\":" + std::to_string(BoardPage::displayHz(e.tics, e.lengthMs)) +
                       ",\"build\":" + Escape::json(e.build) + ",\"submitted_at\":" + std::to_string(e.submittedAt);
    if (rank > 0) json += ",\"rank\":" + std::to_string(rank);
    if (of > 0) json += ",\"of\":" + std::to_string(of);
    return json + ",\"demo\":" + Escape::json(demo) + ",\"watch\":" + Escape::json("/?play=" + Escape::url(demo)) + "}";
}

RunSubmission::Answer RunSubmission::handle(const std::string &bytes, const std::string &key,
                                            const std::string &rawName, std::time_t now)
{
    if (!PlayerRules::validKey(key))
        return refused({400, "key_invalid", "the header Tallowfen-Key must hold 32 hex digits"});
    std::string name, problem;
    if (!PlayerRules::cleanName(rawName, &name, &problem)) return refused({400, "name_invalid", problem});

    RunCheck check;
    if (const Refusal r = check.check(bytes, now); r.refused()) return refused(r);
    RunStore::Submission sent;
    sent.keyHash = Sha256::hex(lowercase(key));
    sent.runHash = check.runHash;
    sent.links = check.links;
    sent.demo = bytes;
    RunStore::Entry &e = sent.entry;
    e.day = check.demo.daily;
    e.name = name;
    if (const Refusal r = BuildIdentity::of(check.demo.game, check.demo.platform, &e.build); r.refused())
        return refused(r);
    e.tics = int64_t(check.demo.tics.size());
    e.lengthMs = int64_t(check.steps.figures.seconds * 1000.0 + 0.5);  // its steps, as the game took them

    const auto answerEarlier = [&](const RunStore::Entry &earlier) {
        int64_t total = 0;
        store.day(earlier.day, 0, 0, &total);
        return Answer{200, entryJson(earlier, store.rank(earlier), total)};
    };
    // The rules are asked once this submission has joined the run's
    // verification under way or begun one: a run ranked just before then is
    // found ranked, and costs no second verification.
    std::optional<RunStore::Entry> earlier;
    std::optional<Flight> flight;
    Outcome outcome;
    while (outcome.kind == Outcome::kGaveUp) {
        std::shared_future<Outcome> joined;
        {
            std::lock_guard<std::mutex> hold(flightsLock);
            if (const auto it = flights.find(sent.runHash); it != flights.end()) {
                joined = it->second;
            } else {
                flight.emplace(*this, sent.runHash);
                flights.emplace(sent.runHash, flight->outcome.get_future().share());
            }
        }
        if (const Refusal r = store.precheck(sent, &earlier); r.refused()) return refused(r);
        if (earlier) return answerEarlier(*earlier);
        if (!flight) {
            ++sharing;
            outcome = joined.get();
            --sharing;
            continue;
        }
        std::optional<std::future<VerifyOutput>> waiting = pool.submit(bytes);
        outcome.kind = waiting ? Outcome::kVerified : Outcome::kBusy;
        if (waiting) {
            ++verifications;
            outcome.verdict = waiting->get();
            std::printf("run %.16s verified: %s\n", sent.runHash.c_str(), said(outcome.verdict));
            std::fflush(stdout);
        }
        flight->tell(outcome);
    }
    if (outcome.kind == Outcome::kBusy) {
        Answer busy = refused({429, "busy", "the board is verifying as many runs as it can; send it again shortly"});
        busy.retryLater = true;
        return busy;
    }
    const VerifyOutput &verdict = outcome.verdict;
    switch (verdict.kind) {
        case VerifyOutput::kCannot: return refused({400, "damaged", "the demo cannot be read: " + verdict.words});
        case VerifyOutput::kDiffers: return refused({422, "differs", "verification differs: " + verdict.words});
        case VerifyOutput::kFailed:
            return refused({422, "unverifiable", "the run could not be verified: " + verdict.words});
        case VerifyOutput::kMatches: break;
    }
    e.level = verdict.level;
    e.gold = verdict.gold;
    e.kills = verdict.kills;
    e.submittedAt = millisecondsNow();
    if (const Refusal r = store.add(sent, &earlier); r.refused()) return refused(r);
    if (earlier) return answerEarlier(*earlier);
    int64_t total = 0;
    store.day(e.day, 0, 0, &total);
    return Answer{201, entryJson(e, store.rank(e), total)};
}
