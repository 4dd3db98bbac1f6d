#include "RunLinks.h"

namespace {

using P = Database::Param;

// Rows a statement, so a run's dozens of links take a few round trips.
constexpr std::size_t kBatch = 16;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string RunLinks::packed(const std::string &link)
{
    if (link.size() != 64) return link;
    std::string bytes;
    for (std::size_t i = 0; i < link.size(); i += 2) {
        const int high = hexDigit(link[i]), low = hexDigit(link[i + 1]);
        if (high < 0 || low < 0) return link;
        bytes.push_back(char(high * 16 + low));
    }
    return bytes;
}

void RunLinks::add(Database &db, const std::string &day, int64_t runId, const std::vector<std::string> &links,
                   const std::string &runHash)
{
    const std::vector<std::string> own = links.empty() ? std::vector<std::string>{runHash} : links;
    for (std::size_t from = 0; from < own.size(); from += kBatch) {
        const std::size_t to = std::min(own.size(), from + kBatch);
        std::string sql = "INSERT INTO run_links (day, link, final, run_id) VALUES ";
        std::vector<P> params{P::text(day), P::number(runId)};
        for (std::size_t i = from; i < to; ++i) {
            params.push_back(P::blob(packed(own[i])));
            params.push_back(P::number(i + 1 == own.size() ? 1 : 0));
            sql += std::string(i > from ? ", " : "") + "($1, $" + std::to_string(params.size() - 1) + ", $" +
                   std::to_string(params.size()) + ", $2)";
        }
        // The same link twice in one run (it cannot happen honestly) is kept once.
        db.query(sql + " ON CONFLICT DO NOTHING", params);
    }
}

std::optional<RunLinks::Found> RunLinks::find(Database &db, const std::string &day, const std::string &link)
{
    const auto rows =
        db.query("SELECT run_id, final FROM run_links WHERE day = $1 AND link = $2 ORDER BY final DESC LIMIT 1",
                 {P::text(day), P::blob(packed(link))});
    if (rows.empty()) return std::nullopt;
    return Found{std::stoll(rows[0].at(0)), rows[0].at(1) == "1"};
}
