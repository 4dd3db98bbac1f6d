#include "BoardPage.h"

#include <algorithm>
#include <cmath>

#include "Escape.h"

namespace {

constexpr const char *kStyle =
    R"(body{font-family:sans-serif;background:#1b1d24;color:#e8e2d0;margin:2em auto;max-width:52em}
a{color:#c9a6ff}table{border-collapse:collapse;width:100%}th,td{padding:.3em .6em;text-align:right}
th:nth-child(2),td:nth-child(2){text-align:left}tr:nth-child(even){background:#252833}
nav{margin:1em 0}nav a{margin-right:1em}.none{color:#9a9484})";

// The words of the about page; README.md's board section says the same.
constexpr const char *kAbout = R"(<p>Every run on this board was played again by the game itself, from the input
it recorded, before it was ranked: the level, gold and kills shown are the ones the game reached, never the
ones the run claimed.</p>
<p>So a verified run proves that the game allowed these inputs: played tic by tic from the day's levels, by
the game's own rules, they come to the numbers shown.</p>
<p>It does not prove</p>
<ul>
<li>that a person played them, or played them at the speed shown. A program can make the inputs, and a run
can be played slowed down a little (the board refuses time steps no unmodified game records, which holds a
slowed run to a ninth more updates a played second at most): a run keeps how long each of its steps took, so
each entry shows the run's played length and the display rate its steps imply (its tics a played second). A
run at an odd rate is worth watching.</li>
<li>that a first try was the first. The board ranks the first run a key sends for a day; a player may have
played the day on another copy of the game, or after starting afresh, and sent the best.</li>
<li>that a player holds one key. The game makes its key up, and anyone can make as many as they like. A
name belongs to the first key that used it, and a name that looks like a taken one is taken too.</li>
</ul>
<p>Watch a run to judge it yourself.</p>
)";

std::string minutes(int64_t ms)
{
    const int64_t s = ms / 1000;
    return std::to_string(s / 60) + ":" + (s % 60 < 10 ? "0" : "") + std::to_string(s % 60);
}

// The page's head and its heading: every page of the board starts alike.
std::string head(const std::string &title, const std::string &heading)
{
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width\"><title>Tallowfen board: " +
           Escape::html(title) + "</title><style>" + kStyle + "</style></head><body>\n<h1>" + Escape::html(heading) +
           "</h1>\n";
}

std::string dayLink(const std::string &day, int64_t page, const std::string &label, int64_t daysFrom = 0)
{
    std::string href = "/board/" + Escape::url(day);
    if (page > 0) href += "?page=" + std::to_string(page);
    if (daysFrom > 0) href += std::string(page > 0 ? "&" : "?") + "days=" + std::to_string(daysFrom);
    return "<a href=\"" + Escape::html(href) + "\">" + Escape::html(label) + "</a>";
}

}  // namespace

std::string BoardPage::render() const
{
    const std::string title = day == today ? "Today's daily run, " + day : "The daily run of " + day;
    std::string html = head(day, title) + "<p>" + std::to_string(total) + (total == 1 ? " run" : " runs") +
                       ", each verified by the game itself (<a href=\"/board/about\">what that proves</a>). "
                       "<a href=\"/\">Play Tallowfen</a></p>\n";
    if (entries.empty()) {
        html += "<p class=\"none\">No run has been ranked here.</p>\n";
    } else {
        html += "<table><tr><th>#</th><th>name</th><th>level</th><th>gold</th><th>kills</th><th>played</th>"
                "<th>display rate</th><th>build</th><th></th></tr>\n";
        int64_t rank = page * kPageSize;
        for (const RunStore::Entry &e : entries) {
            const std::string watch = "/?play=" + Escape::url("/api/runs/" + std::to_string(e.id) + ".demo");
            html += "<tr><td>" + std::to_string(++rank) + "</td><td>" + Escape::html(e.name) + "</td><td>" +
                    std::to_string(e.level) + "</td><td>" + std::to_string(e.gold) + "</td><td>" +
                    std::to_string(e.kills) + "</td><td>" + minutes(e.lengthMs) + "</td><td>" +
                    std::to_string(displayHz(e.tics, e.lengthMs)) + " Hz</td><td>" + Escape::html(e.build) +
                    "</td><td><a href=\"" + Escape::html(watch) + "\">Watch</a></td></tr>\n";
        }
        html += "</table>\n";
    }
    html += "<nav>";
    if (page > 0) html += dayLink(day, page - 1, "« better runs", daysFrom);
    if ((page + 1) * kPageSize < total) html += dayLink(day, page + 1, "more runs »", daysFrom);
    html += "</nav>\n<nav>Days: ";
    if (day != today) html += dayLink(today, 0, "today");
    if (daysFrom > 0) html += dayLink(day, page, "« later days", std::max<int64_t>(0, daysFrom - kDaysShown));
    for (const std::string &d : days)
        if (d != day) html += dayLink(d, 0, d, daysFrom);
    if (int64_t(days.size()) == kDaysShown) html += dayLink(day, page, "earlier days »", daysFrom + kDaysShown);
    return html + "</nav>\n</body></html>\n";
}

int64_t BoardPage::displayHz(int64_t tics, int64_t lengthMs)
{
    if (tics <= 0 || lengthMs <= 0) return 0;
    return std::llround(double(tics) * 1000.0 / double(lengthMs));
}

std::string BoardPage::about()
{
    return head("what a verified run proves", "What a verified run proves") + kAbout +
           "<nav><a href=\"/board/\">Today's board</a><a href=\"/\">Play Tallowfen</a></nav>\n</body></html>\n";
}
