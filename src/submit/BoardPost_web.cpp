// The page's post, through the browser's fetch. The page has one thread and
// the game must never wait, so start() only sets the fetch going; its outcome
// lands in a table on the JavaScript side (Module.boardPosts, keyed by a
// number) and poll() reads it from there once it is done. The fetch's
// callbacks touch only that table, never the game's memory, so they may run
// whenever the browser likes (between frames, while WindowShouldClose waits).
#include <emscripten.h>

#include <algorithm>
#include <string>

#include "submit/BoardPost.h"

// Starts a post and returns its number. The body is copied at once; the
// name and key go as ByteStrings, one char code a byte (fetch refuses
// anything above 255 in a header).
EM_JS(int, tallowfen_board_post_start,
      (const char *url, const char *name, int nameLength, const char *key, int keyLength, const char *body,
       int bodyLength, int maxBody, int timeoutSeconds),
      {
          const posts = Module.boardPosts || (Module.boardPosts = {next : 1, table : {}});
          const id = posts.next++;
          const post = posts.table[id] = {done : false, status : 0, body : new Uint8Array(0), error : ""};
          const finish = (status, bytes, error) => {
              if (post.timer) clearTimeout(post.timer);
              post.timer = 0;
              post.done = true;
              post.status = status;
              post.body = bytes;
              post.error = error;
          };
          const bytes = (p, n) => String.fromCharCode.apply(null, HEAPU8.subarray(p, p + n));
          let address, headers;
          try {
              address = new URL(UTF8ToString(url), location.href);
              headers = new Headers({
                  "Content-Type" : "application/octet-stream",
                  "Tallowfen-Name" : bytes(name, nameLength),
                  "Tallowfen-Key" : bytes(key, keyLength)
              });
          } catch (e) {
              finish(0, new Uint8Array(0), "the address, name or key cannot be sent");
              return id;
          }
          if (address.origin !== location.origin) {
              finish(0, new Uint8Array(0), "the board is not this page's site");
              return id;
          }
          const controller = new AbortController();
          post.controller = controller;
          post.timer = setTimeout(() => {
              post.timedOut = true;
              controller.abort();
          }, timeoutSeconds * 1000);
          const keep = async (response) => {
              const parts = [];
              let size = 0;
              if (response.body) {
                  const reader = response.body.getReader();
                  while (size < maxBody) {
                      const part = await reader.read();
                      if (part.done) break;
                      const piece = part.value.subarray(0, maxBody - size);
                      parts.push(piece);
                      size += piece.length;
                  }
                  if (size >= maxBody) reader.cancel().catch(() => {});
              }
              const whole = new Uint8Array(size);
              let at = 0;
              for (const piece of parts) {
                  whole.set(piece, at);
                  at += piece.length;
              }
              return whole;
          };
          fetch(address.href, {
              method : "POST",
              headers : headers,
              body : HEAPU8.slice(body, body + bodyLength),
              signal : controller.signal,
              cache : "no-store",
              redirect : "error"
          })
              .then((response) => keep(response).then((whole) => finish(response.status, whole, "")))
              .catch((e) => {
                  if (post.done) return;
                  const why = post.timedOut ? "timed out" : controller.signal.aborted ? "dropped" : "network error";
                  finish(0, new Uint8Array(0), why);
              });
          return id;
      });

// -1 while the post runs; then its HTTP status (0: no answer). A number
// the table lacks is over, with no answer.
EM_JS(int, tallowfen_board_post_status, (int id), {
    const post = Module.boardPosts && Module.boardPosts.table[id];
    if (!post) return 0;
    return post.done ? post.status : -1;
});

EM_JS(int, tallowfen_board_post_body_size, (int id), {
    const post = Module.boardPosts && Module.boardPosts.table[id];
    return post && post.done ? post.body.length : 0;
});

// The answer's body into `out`, at most `room` bytes.
EM_JS(void, tallowfen_board_post_body, (int id, char *out, int room), {
    const post = Module.boardPosts && Module.boardPosts.table[id];
    if (post && post.done) HEAPU8.set(post.body.subarray(0, room), out);
});

// The error's words (ASCII, made here) into `out`, at most `room` bytes with the end.
EM_JS(void, tallowfen_board_post_error, (int id, char *out, int room), {
    const post = Module.boardPosts && Module.boardPosts.table[id];
    stringToUTF8(post ? post.error : "the post was lost", out, room);
});

// Forgets a post; one still running is aborted.
EM_JS(void, tallowfen_board_post_drop, (int id), {
    const posts = Module.boardPosts;
    const post = posts && posts.table[id];
    if (!post) return;
    delete posts.table[id];
    if (post.done) return;
    if (post.timer) clearTimeout(post.timer);
    post.done = true;
    post.controller.abort();
});

struct BoardPost::Impl {
    int id = 0;         // the post on the page's side; 0 for none
    bool running = false;
    bool finished = false;  // an answer waits for poll()
    Answer answer;

    void drop()
    {
        if (id != 0) tallowfen_board_post_drop(id);
        id = 0;
        running = false;
    }

    // Takes the post's outcome once it is done; false while it runs.
    bool collect()
    {
        const int status = tallowfen_board_post_status(id);
        if (status < 0) return false;
        answer.status = status;
        const int size = std::min(tallowfen_board_post_body_size(id), int(kMaxBody));
        if (size > 0) {
            answer.body.resize(std::size_t(size));
            tallowfen_board_post_body(id, answer.body.data(), size);
        }
        if (status == 0) {
            char error[128] = {};
            tallowfen_board_post_error(id, error, int(sizeof error));
            answer.error = error;
        }
        drop();
        finished = true;
        return true;
    }
};

BoardPost::BoardPost() : impl(std::make_unique<Impl>()) {}

BoardPost::~BoardPost() { impl->drop(); }

bool BoardPost::busy() const { return impl->running; }

bool BoardPost::start(const std::string &url, const std::string &name, const std::string &key, const std::string &body)
{
    impl->drop();
    impl->finished = false;
    impl->answer = Answer{};
    impl->id = tallowfen_board_post_start(url.c_str(), name.data(), int(name.size()), key.data(), int(key.size()),
                                          body.data(), int(body.size()), int(kMaxBody), int(kTimeoutSeconds));
    impl->running = true;
    return !impl->collect();  // one refused at once (another site, a bad name) is over already
}

bool BoardPost::poll(Answer *answer)
{
    if (impl->running) impl->collect();
    if (!impl->finished) return false;
    impl->finished = false;
    *answer = std::move(impl->answer);
    impl->answer = Answer{};
    return true;
}
