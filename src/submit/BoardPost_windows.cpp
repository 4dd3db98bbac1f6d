// Windows' post, through WinHTTP (a system library, HTTPS included). Its calls
// block, so they run on a thread of the post's own: start() returns at once,
// poll() only looks at a flag. Dropping a post closes its handles, which ends
// a call under way on Windows, and joins the thread; a call that goes on
// regardless (Wine's do, to their time-out) is left to end by itself.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "submit/BoardPost.h"
#include "system/CommandLine.h"
#include "system/WidePath.h"

namespace {

using Clock = std::chrono::steady_clock;

// Where a post goes and what it carries, copied for the thread.
struct Job {
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring path;
    bool secure = false;
    std::string name, key, body;
    std::wstring agent;
};

// Windows 10's newer WinHTTP adds headers as bytes, so the name's UTF-8 goes
// out as it is; older ones (and Wine) have only the UTF-16 call.
struct ByteHeader {
    const char *name;
    const char *value;
};
using AddHeadersEx = DWORD(WINAPI *)(HINTERNET, DWORD, ULONGLONG, ULONGLONG, DWORD, ByteHeader *);

AddHeadersEx byteHeaders()
{
    static const AddHeadersEx found = [] {
        HMODULE winhttp = GetModuleHandleW(L"winhttp.dll");
        FARPROC proc = winhttp ? GetProcAddress(winhttp, "WinHttpAddRequestHeadersEx") : nullptr;
        return reinterpret_cast<AddHeadersEx>(reinterpret_cast<void *>(proc));
    }();
    return found;
}

std::string words(DWORD error)
{
    switch (error) {
        case ERROR_WINHTTP_CANNOT_CONNECT: return "could not connect";
        case ERROR_WINHTTP_TIMEOUT:
        case WSAETIMEDOUT: return "timed out";
        case ERROR_WINHTTP_NAME_NOT_RESOLVED: return "could not resolve the host";
        case ERROR_WINHTTP_SECURE_FAILURE: return "the secure connection failed";
        case ERROR_WINHTTP_CONNECTION_ERROR: return "the connection was lost";
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return "the answer was not HTTP";
        case ERROR_WINHTTP_OPERATION_CANCELLED:
        case ERROR_INVALID_HANDLE: return "cancelled";
        default: return "WinHTTP error " + std::to_string(error);
    }
}

// Nothing that could end a header line early or hide in one.
bool headerSafe(const std::string &text)
{
    for (unsigned char c : text)
        if (c < ' ' || c == 127) return false;
    return !text.empty();
}

// One post as its thread sees it. The thread holds it too, so a post that
// WinHTTP will not let go of (Wine ends a blocking call only at its time-out,
// whatever is closed) can be left to finish on its own.
struct Flight {
    std::mutex lock;            // guards the handles, `closed` and `result`
    std::condition_variable ended;
    HINTERNET handles[3] = {};  // session, connection, request: open while the thread uses them
    bool closed = false;        // the post was dropped: the thread opens nothing more
    BoardPost::Answer result;   // the thread's outcome
    std::atomic<bool> done{false};

    void closeAll()  // with the lock held
    {
        for (HINTERNET &h : handles)
            if (h != nullptr) WinHttpCloseHandle(h), h = nullptr;
    }

    void cancel()
    {
        std::lock_guard<std::mutex> hold(lock);
        closed = true;
        closeAll();
    }

    // Keeps a handle the thread opened, so a drop can close it; nullptr (and
    // the handle closed) when it failed or the post was dropped meanwhile.
    HINTERNET keep(int slot, HINTERNET h, DWORD *error)
    {
        *error = h != nullptr ? 0 : GetLastError();
        std::lock_guard<std::mutex> hold(lock);
        if (h != nullptr && closed) WinHttpCloseHandle(h), h = nullptr, *error = ERROR_WINHTTP_OPERATION_CANCELLED;
        handles[slot] = h;
        return h;
    }

    void finish(BoardPost::Answer answer)
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            closeAll();
            result = std::move(answer);
            done.store(true, std::memory_order_release);
        }
        ended.notify_all();
    }

    // The board's headers; 0, or why they could not be added.
    static DWORD addHeaders(HINTERNET request, const Job &job)
    {
        const DWORD mode = WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE;
        const std::wstring fixed = L"Content-Type: application/octet-stream\r\nTallowfen-Key: " + WidePath(job.key);
        if (!WinHttpAddRequestHeaders(request, fixed.c_str(), DWORD(fixed.size()), mode)) return GetLastError();
        if (AddHeadersEx add = byteHeaders()) {
            ByteHeader name{"Tallowfen-Name", job.name.c_str()};
            return add(request, mode, 0, 0, 1, &name);
        }
        // Only the UTF-16 call: Wine sends its headers as UTF-8, whatever the locale.
        const std::wstring name = L"Tallowfen-Name: " + WidePath(job.name);
        return WinHttpAddRequestHeaders(request, name.c_str(), DWORD(name.size()), mode) ? 0 : GetLastError();
    }

    void run(const Job &job)
    {
        DWORD error = 0;
        auto fail = [&](DWORD code) { finish({0, "", words(code ? code : GetLastError())}); };
        HINTERNET session = keep(0,
                                 WinHttpOpen(job.agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                             WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0),
                                 &error);
        if (session == nullptr) return fail(error);
        const int whole = int(BoardPost::kTimeoutSeconds) * 1000;
        WinHttpSetTimeouts(session, 10000, 10000, whole, whole);
        DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;  // the board answers itself or not at all
        WinHttpSetOption(session, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);
        HINTERNET connection = keep(1, WinHttpConnect(session, job.host.c_str(), job.port, 0), &error);
        if (connection == nullptr) return fail(error);
        HINTERNET request = keep(2,
                                 WinHttpOpenRequest(connection, L"POST", job.path.c_str(), nullptr,
                                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                    job.secure ? WINHTTP_FLAG_SECURE : 0),
                                 &error);
        if (request == nullptr) return fail(error);
        // Waiting for the answer's head has a time-out of its own, which Wine leaves endless.
        DWORD wait = DWORD(whole);
        WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &wait, sizeof wait);
        if ((error = addHeaders(request, job)) != 0) return fail(error);
        const DWORD size = DWORD(job.body.size());
        if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, const_cast<char *>(job.body.data()), size,
                                size, 0) ||
            !WinHttpReceiveResponse(request, nullptr))
            return fail(0);
        BoardPost::Answer answer;
        DWORD status = 0, length = sizeof status;
        if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                 WINHTTP_HEADER_NAME_BY_INDEX, &status, &length, WINHTTP_NO_HEADER_INDEX))
            return fail(0);
        char buffer[8192];
        while (answer.body.size() < BoardPost::kMaxBody) {  // what lies past the cap is never read
            DWORD got = 0;
            const DWORD want = DWORD(std::min(sizeof buffer, BoardPost::kMaxBody - answer.body.size()));
            if (!WinHttpReadData(request, buffer, want, &got)) return fail(0);
            if (got == 0) break;
            answer.body.append(buffer, std::min<std::size_t>(got, want));
        }
        answer.status = status >= 100 && status <= 999 ? int(status) : 0;
        if (answer.status == 0) answer.error = "the answer was not HTTP";
        finish(std::move(answer));
    }
};

}  // namespace

struct BoardPost::Impl {
    std::shared_ptr<Flight> flight;  // the post under way, or the last one
    std::thread worker;
    bool running = false;  // a post began and poll() has not handed out its answer
    bool failed = false;   // start() could not start: `failure` waits for poll()
    Answer failure;
    Clock::time_point deadline;

    // Cancels a post under way. Windows ends its calls when the handles
    // close; where they go on (Wine), the thread is left to end by itself,
    // after a second's grace when `patient`.
    void drop(bool patient = true)
    {
        if (flight != nullptr) {
            flight->cancel();
            std::unique_lock<std::mutex> hold(flight->lock);
            if (patient) flight->ended.wait_for(hold, std::chrono::seconds(1), [&] { return flight->done.load(); });
        }
        if (worker.joinable()) {
            if (flight->done.load())
                worker.join();
            else
                worker.detach();
        }
        flight.reset();
        running = failed = false;
    }
};

BoardPost::BoardPost() : impl(std::make_unique<Impl>()) {}

BoardPost::~BoardPost() { impl->drop(); }

bool BoardPost::busy() const { return impl->running; }

bool BoardPost::start(const std::string &url, const std::string &name, const std::string &key, const std::string &body)
{
    impl->drop();
    auto refuse = [&](const char *why) {
        impl->failure = Answer{0, "", why};
        impl->failed = true;
        return false;
    };
    if (!headerSafe(name) || !headerSafe(key)) return refuse("the name or key cannot be sent");
    if (body.size() > 0xFFFFFFFFu) return refuse("the demo is too large to send");
    Job job;
    const std::wstring wide = WidePath(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
    if (wide.empty() || !WinHttpCrackUrl(wide.c_str(), DWORD(wide.size()), 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) ||
        parts.dwHostNameLength == 0)
        return refuse("not an http or https address");
    job.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    job.port = parts.nPort;
    job.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    job.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo != nullptr) job.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (job.path.empty()) job.path = L"/";
    job.name = name;
    job.key = key;
    job.body = body;
    job.agent = WidePath(std::string(CommandLine::versionText()).replace(9, 1, "/"));
    impl->deadline = Clock::now() + std::chrono::seconds(kTimeoutSeconds);
    auto flight = std::make_shared<Flight>();
    try {
        impl->worker = std::thread([flight, job = std::move(job)] { flight->run(job); });
    } catch (const std::system_error &) {
        return refuse("could not start a thread");
    }
    impl->flight = std::move(flight);
    impl->running = true;
    return true;
}

bool BoardPost::poll(Answer *answer)
{
    if (impl->failed) {
        impl->failed = false;
        *answer = std::move(impl->failure);
        return true;
    }
    if (!impl->running) return false;
    if (Clock::now() >= impl->deadline) {  // the whole post's time is up, whatever WinHTTP's own time-outs say
        impl->drop(false);
        *answer = Answer{0, "", "timed out"};
        return true;
    }
    Flight &flight = *impl->flight;
    if (!flight.done.load(std::memory_order_acquire)) return false;
    impl->worker.join();  // it has set `done` as its last step
    {
        std::lock_guard<std::mutex> hold(flight.lock);
        *answer = std::move(flight.result);
    }
    impl->flight.reset();
    impl->running = false;
    return true;
}
