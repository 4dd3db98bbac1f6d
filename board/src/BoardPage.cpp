#include "BoardPage.h"

#include <algorithm>

#include "Escape.h"

namespace {

constexpr const char *kStyle =
    R"(body{font-family:sans-serif;background:#1b1d24;color:#e8e2d0;margin:2em auto;max-width:52em}
a{color:#c9a6ff}table{border-collapse:collapse;width:100%}th,td{padding:.3em .6em;text-align:right}
th:nth-child(2),td:nth-child(2){text-align:left}tr:nth-child(even){background:#252833}
nav{margin:1em 0}nav a{margin-right:1em}.none{color:#9a9484})";

std::string minutes(int64_t ms)
{
    const int64_t s = ms / 1000;
    return std::to_string(s / 60) + ":" + (s % 60 < 10 ? "0" : "") + std::to_string(s % 60);
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
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width\"><title>Tallowfen board: " +
                       Escape::html(day) + "</title><style>" + kStyle + "</style></head><body>\n<h1>" +
                       Escape::html(title) + "</h1>\n<p>" + std::to_string(total) + (total == 1 ? " run" : " runs") +
                       ", each verified by the game itself. <a href=\"/\">Play Tallowfen</a></p>\n";
    if (entries.empty()) {
        html += "<p class=\"none\">No run has been ranked here.</p>\n";
    } else {
        html += "<table><tr><th>#</th><th>name</th><th>level</th><th>gold</th><th>kills</th><th>time</th>"
                "<th>build</th><th></th></tr>\n";
        int64_t rank = page * kPageSize;
        for (const RunStore::Entry &e : entries) {
            const std::string watch = "/?play=" + Escape::url("/api/runs/" + std::to_string(e.id) + ".demo");
            html += "<tr><td>" + std::to_string(++rank) + "</td><td>" + Escape::html(e.name) + "</td><td>" +
                    std::to_string(e.level) + "</td><td>" + std::to_string(e.gold) + "</td><td>" +
                    std::to_string(e.kills) + "</td><td>" + minutes(e.lengthMs) + "</td><td>" + Escape::html(e.build) +
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

std::string BoardPage::about()
{
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>About the Tallowfen board</title>"
           "</head><body><h1>About the Tallowfen board</h1><p><a href=\"/board/\">The board</a></p></body></html>\n";
}
