// The desktop's post, through libcurl's multi interface: poll() drives the
// transfer a step without blocking, so no thread of ours is needed and a
// game that quits mid-post only drops it.
#include <curl/curl.h>

#include "submit/BoardPost.h"
#include "system/CommandLine.h"

struct BoardPost::Impl {
    CURLM *multi = nullptr;
    CURL *easy = nullptr;
    curl_slist *headers = nullptr;
    std::string body;  // curl reads it from here while the post runs
    Answer answer;
    bool running = false;
    bool finished = false;  // an answer waits for poll()
    char error[CURL_ERROR_SIZE] = {};

    void drop()
    {
        if (easy != nullptr) {
            if (multi != nullptr) curl_multi_remove_handle(multi, easy);
            curl_easy_cleanup(easy);
            easy = nullptr;
        }
        curl_slist_free_all(headers);
        headers = nullptr;
        running = false;
    }

    void fail(const std::string &why)
    {
        drop();
        answer = Answer{0, "", why};
        finished = true;
    }
};

namespace {

size_t keep(char *data, size_t size, size_t count, void *user)
{
    auto *answer = static_cast<BoardPost::Answer *>(user);
    const size_t bytes = size * count;
    const size_t room = BoardPost::kMaxBody - std::min(answer->body.size(), BoardPost::kMaxBody);
    answer->body.append(data, std::min(bytes, room));
    return bytes;  // the rest is read and dropped, never an error
}

}  // namespace

BoardPost::BoardPost() : impl(std::make_unique<Impl>())
{
    // Once, on the thread that makes the first post: curl's global set-up is not thread-safe.
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (ready) impl->multi = curl_multi_init();
}

BoardPost::~BoardPost()
{
    impl->drop();
    if (impl->multi != nullptr) curl_multi_cleanup(impl->multi);
}

bool BoardPost::busy() const { return impl->running; }

bool BoardPost::start(const std::string &url, const std::string &name, const std::string &key, const std::string &body)
{
    impl->drop();
    impl->finished = false;
    impl->answer = Answer{};
    if (impl->multi == nullptr || (impl->easy = curl_easy_init()) == nullptr) {
        impl->fail("libcurl could not start");
        return false;
    }
    impl->body = body;
    for (const std::string &line :
         {std::string("Content-Type: application/octet-stream"), "Tallowfen-Name: " + name, "Tallowfen-Key: " + key,
          std::string("Expect:")})
        impl->headers = curl_slist_append(impl->headers, line.c_str());
    const std::string agent = std::string(CommandLine::versionText()).replace(9, 1, "/");
    CURL *e = impl->easy;
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_POST, 1L);
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, impl->body.data());
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(impl->body.size()));
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, impl->headers);
    curl_easy_setopt(e, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, keep);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &impl->answer);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, impl->error);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, 10L);
    curl_easy_setopt(e, CURLOPT_TIMEOUT, kTimeoutSeconds);
    impl->error[0] = '\0';
    if (curl_multi_add_handle(impl->multi, e) != CURLM_OK) {
        impl->fail("libcurl could not start");
        return false;
    }
    impl->running = true;
    return true;
}

bool BoardPost::poll(Answer *answer)
{
    if (impl->running) {
        int still = 0;
        curl_multi_perform(impl->multi, &still);
        int left = 0;
        while (CURLMsg *msg = curl_multi_info_read(impl->multi, &left)) {
            if (msg->msg != CURLMSG_DONE || msg->easy_handle != impl->easy) continue;
            long status = 0;
            if (msg->data.result == CURLE_OK) curl_easy_getinfo(impl->easy, CURLINFO_RESPONSE_CODE, &status);
            impl->answer.status = int(status);
            if (msg->data.result != CURLE_OK)
                impl->answer.error = impl->error[0] ? impl->error : curl_easy_strerror(msg->data.result);
            impl->drop();
            impl->finished = true;
        }
    }
    if (!impl->finished) return false;
    impl->finished = false;
    *answer = std::move(impl->answer);
    impl->answer = Answer{};
    return true;
}
