#pragma once

#include <memory>
#include <string>

// One HTTP(S) POST of a demo to a daily board, made beside the game: start()
// returns at once and poll(), asked once a frame, says when the answer has
// come. The game never waits on it; a board that is down only makes poll()
// answer with no status a little later. Each system has its own: libcurl on
// Linux, WinHTTP on Windows, the page's fetch in the browser.
class BoardPost {
public:
    struct Answer {
        int status = 0;     // the HTTP status; 0 when no answer came
        std::string body;   // the answer's body, cut at kMaxBody
        std::string error;  // with status 0: why, in a few words
    };
    static constexpr std::size_t kMaxBody = 64 * 1024;
    static constexpr long kTimeoutSeconds = 60;

    BoardPost();
    ~BoardPost();  // drops a post under way
    BoardPost(const BoardPost &) = delete;
    BoardPost &operator=(const BoardPost &) = delete;

    // Sends `body` as application/octet-stream to `url` with the board's
    // two headers (`name` in UTF-8). False, with answer.error set for
    // poll(), when it cannot even start; a post under way is dropped.
    bool start(const std::string &url, const std::string &name, const std::string &key, const std::string &body);
    // True once the post is done (or could not start); *answer then holds
    // its outcome and the post is over.
    bool poll(Answer *answer);
    bool busy() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
