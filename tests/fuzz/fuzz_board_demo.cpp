// Feeds arbitrary bytes to the board's reading of a sent demo (RunCheck) and
// of the build it names (BuildIdentity), at a fixed time and at noon of the
// day the demo names. A refusal is a 400 or 422 with a code and a one-line
// reason; a run it takes is a counted daily run of an open day that begins
// at level 1, named by a SHA-256; its build column is one of the known
// builds whatever its header holds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "BuildIdentity.h"
#include "DayWindow.h"
#include "DemoCheckSum.h"
#include "RunCheck.h"

namespace {

void check(bool holds, const char *rule, const std::string &detail = "")
{
    if (holds) return;
    std::fprintf(stderr, "%s %s\n", rule, detail.c_str());
    std::abort();
}

void checkAt(const std::string &bytes, std::time_t now)
{
    RunCheck run;
    const Refusal r = run.check(bytes, now);
    if (r.refused()) {
        check((r.status == 400 || r.status == 422) && !r.code.empty() && !r.reason.empty() &&
                  r.reason.find('\n') == std::string::npos,
              "a refusal has a status, a code and one line of reason:", r.code + ": " + r.reason);
        return;
    }
    check(run.runHash.size() == 64 && run.runHash.find_first_not_of("0123456789abcdef") == std::string::npos,
          "a run is named by a SHA-256:", run.runHash);
    check(!run.demo.practice && run.demo.start == 1 && DayWindow::open(run.demo.daily, now),
          "a run taken is a counted daily run of an open day");
    std::string build = "unchanged";
    const Refusal unknown = BuildIdentity::of(run.demo.game, run.demo.platform, &build);
    if (unknown.refused()) {
        check(unknown.status == 422 && unknown.code == "unknown_build" && build == "unchanged",
              "an unknown game is refused and shown nowhere");
        return;
    }
    bool known = build == BuildIdentity::games().front() + " (" + BuildIdentity::kUnknownPlatform + ")";
    for (const std::string &platform : BuildIdentity::platforms())
        known = known || build == BuildIdentity::games().front() + " (" + platform + ")";
    check(known, "a build column of the header's own bytes:", build);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char *>(data), size);
    if (size % 2 == 1) fuzz::FixCheckSum(bytes);
    checkAt(bytes, 1796774399);  // 2026-12-08 23:59:59 UTC
    // At noon of the day the header names, so a daily run of any day gets past the window.
    const std::size_t daily = bytes.find("\ndaily ");
    if (daily == std::string::npos || daily + 17 > bytes.size()) return 0;
    const std::string day = bytes.substr(daily + 7, 10);
    if (!DayWindow::validDate(day)) return 0;
    std::tm noon{};
    noon.tm_year = std::stoi(day.substr(0, 4)) - 1900, noon.tm_mon = std::stoi(day.substr(5, 2)) - 1;
    noon.tm_mday = std::stoi(day.substr(8, 2)), noon.tm_hour = 12;
    checkAt(bytes, timegm(&noon));
    return 0;
}
