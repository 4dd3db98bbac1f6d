#include "submit/BoardSender.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "demo/DemoFile.h"
#include "submit/BoardAnswer.h"
#include "submit/BoardKey.h"
#include "system/SafeFile.h"
#include "system/WebAddress.h"

namespace {

constexpr const char *kRecordHeader = "tallowfen board runs";
constexpr std::size_t kMaxRecord = 256 * 1024;

bool plainName(const std::string &file)
{
    return !file.empty() && file.size() < 200 && file.find_first_of("/\\\t\n\r") == std::string::npos &&
           file.find("..") == std::string::npos;
}

}  // namespace

std::string BoardSender::postUrl(const std::string &board)
{
    if (!WebAddress::valid(board)) return "";
    std::string base = board;
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + "/api/runs";
}

void BoardSender::start(const std::string &boardUrl, const std::string &playerName, const std::string &saveFolder,
                        const std::string &todayDate, const std::string &yesterday)
{
    url = postUrl(boardUrl);
    name = playerName;
    today = todayDate;
    folder = saveFolder + "/demos/daily";
    keyPath = saveFolder + "/board_key";
    recordPath = saveFolder + "/board_runs";
    if (url.empty()) return;
    loadRecord();
    std::error_code error;
    std::vector<std::string> files;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().extension() == ".demo") files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());  // named by when they began: oldest first
    for (const std::string &file : files) {
        DemoFile demo;
        if (!demo.load(folder + "/" + file, nullptr, true) || demo.practice || demo.result == "unfinished") continue;
        if (demo.daily != todayDate && demo.daily != yesterday) continue;  // the board takes no older day
        if (demo.daily == todayDate) todayFile = file;
        if (kept.count(file) == 0) pending.push_back({file, ""});
    }
}

void BoardSender::add(const std::string &file, const std::string &bytes)
{
    if (url.empty() || !plainName(file)) return;
    todayFile = file;
    if (kept.count(file) != 0) return;
    for (const Pending &p : pending)
        if (p.file == file) return;
    pending.push_back({file, bytes});
    waiting = false;  // a new try is worth another attempt
}

void BoardSender::named(const std::string &given)
{
    wantsName = false;
    nameProblem.clear();
    name = given;
    skipped = given.empty();
    if (skipped)
        for (const Pending &p : pending) shown[p.file] = "Board: not sent, no name given";
}

void BoardSender::update()
{
    BoardPost::Answer answer;
    if (post.poll(&answer)) take(answer);
    if (url.empty() || post.busy() || pending.empty() || waiting || skipped) return;
    if (name.empty()) {
        wantsName = true;
        return;
    }
    Pending &next = pending.front();
    if (next.bytes.empty()) {
        std::string why;
        if (!ReadPlainFile((folder + "/" + next.file).c_str(), DemoFile::kMaxFileBytes, &next.bytes, &why)) {
            pending.pop_front();  // gone or unreadable: nothing to send
            return;
        }
    }
    if (key.empty()) {
        std::string why;
        key = BoardKey::loadOrMake(keyPath, &why);
        if (key.empty()) {
            std::cout << "Board: cannot keep the player's key in " << keyPath << ": " << why << std::endl;
            shown[next.file] = "Board: not sent, no key";
            waiting = true;
            return;
        }
    }
    shown[next.file] = "Board: sending";
    post.start(url, name, key, next.bytes);
}

void BoardSender::take(const BoardPost::Answer &answer)
{
    if (pending.empty()) return;
    const std::string file = pending.front().file;
    const BoardAnswer meant = BoardAnswer::of(answer.status, answer.body);
    std::cout << meant.line << " (" << file;
    if (answer.status == 0)
        std::cout << ": " << answer.error;
    else
        std::cout << ": HTTP " << answer.status;
    std::cout << ")" << std::endl;
    shown[file] = meant.line;
    switch (meant.outcome) {
        case BoardAnswer::kRanked:
        case BoardAnswer::kRefused:
            kept[file] = meant.line;
            pending.pop_front();
            saveRecord();
            break;
        case BoardAnswer::kLater: waiting = true; break;
        case BoardAnswer::kRename:
            nameProblem = meant.line;
            name.clear();
            wantsName = true;
            break;
    }
}

std::string BoardSender::lineFor(const std::string &file) const
{
    if (file.empty()) return "";
    if (auto it = shown.find(file); it != shown.end()) return it->second;
    if (auto it = kept.find(file); it != kept.end()) return it->second;
    for (const Pending &p : pending)
        if (p.file == file) return url.empty() ? "" : "Board: not sent yet";
    return "";
}

void BoardSender::loadRecord()
{
    std::string text, why;
    if (!ReadPlainFile(recordPath.c_str(), kMaxRecord, &text, &why)) {
        if (!why.empty()) std::cout << "Ignoring " << recordPath << ": " << why << std::endl;
        return;
    }
    std::istringstream in(text);
    std::string line;
    // Lines may end in CRLF: the file may have been through a Windows editor.
    const auto next = [&] {
        if (!std::getline(in, line)) return false;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
    };
    if (!next() || line != kRecordHeader) {
        std::cout << "Ignoring " << recordPath << ": it is not a record of runs sent to a board" << std::endl;
        return;
    }
    while (next()) {
        const auto tab = line.find('\t');
        if (tab == std::string::npos) continue;
        const std::string file = line.substr(0, tab);
        if (plainName(file)) kept[file] = line.substr(tab + 1, 100);
    }
}

void BoardSender::saveRecord()
{
    // Only demos still in the folder are worth remembering; the folder keeps 50.
    std::string text = std::string(kRecordHeader) + "\n";
    for (auto it = kept.begin(); it != kept.end();) {
        std::error_code error;
        if (!std::filesystem::exists(folder + "/" + it->first, error)) {
            it = kept.erase(it);
            continue;
        }
        text += it->first + "\t" + it->second + "\n";
        ++it;
    }
    std::string why;
    if (!WriteFileSafely(recordPath.c_str(), text, &why))
        std::cout << "Error: Could not save " << recordPath << ": " << why << std::endl;
}
