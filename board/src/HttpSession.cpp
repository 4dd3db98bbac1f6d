#include "HttpSession.h"

#include <boost/asio/post.hpp>
#include <boost/beast/core/string.hpp>

#include <algorithm>

#include "HttpServer.h"

namespace net = boost::asio;
namespace beast = boost::beast;
using net::ip::tcp;

namespace {

// How long a connection is drained after its last answer: enough for the
// client to read the answer before the close, not enough to be held open.
constexpr std::chrono::seconds kLinger{2};

// A request the parser could not take, as opposed to a connection that failed or closed.
bool unreadable(const beast::error_code &error)
{
    static const boost::system::error_category &parsing = http::make_error_code(http::error::bad_method).category();
    return error.category() == parsing && error != http::error::end_of_stream && error != http::error::partial_message;
}

}  // namespace

HttpSession::HttpSession(tcp::socket socket, HttpServer &server, std::string peer, std::string slot)
    : server(server), stream(std::move(socket)),
      // A header block never needs more than its limit; a body passes through
      // on its way into the request, so the buffer never holds more than this.
      buffer(server.config.maxHeaderBytes + 1024), deadline(stream.get_executor()), peer(std::move(peer))
{
    if (!slot.empty()) this->slot = std::move(slot);
}

HttpSession::~HttpSession() { close(); }

void HttpSession::close()
{
    if (slot) server.release(*slot);
    slot.reset();
    beast::error_code ignored;
    deadline.cancel();
    stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream.socket().close(ignored);
}

// Kept-alive or new, a connection may wait this long for its next request to begin.
void HttpSession::awaitRequest()
{
    parser.emplace();
    parser->header_limit(std::uint32_t(server.config.maxHeaderBytes));
    parser->body_limit(server.config.maxDemoBytes);
    client.clear(), method.clear(), target.clear();
    headed = timedOut = false;
    accepted.reset();
    if (buffer.size() > 0) return readHeader();  // the next one is here already
    stream.expires_after(std::chrono::seconds(server.config.idleTimeoutSeconds));
    stream.async_read_some(buffer.prepare(512), [self = shared_from_this()](beast::error_code error, std::size_t n) {
        self->buffer.commit(n);
        if (error) return self->close();  // silent or gone: there is nothing to answer
        self->readHeader();
    });
}

// From a request's first byte, its headers and body have one deadline together.
void HttpSession::readHeader()
{
    stream.expires_never();
    reading = true;
    const unsigned request = ++requests;
    deadline.expires_after(std::chrono::seconds(server.config.clientTimeoutSeconds));
    deadline.async_wait([self = shared_from_this(), request](beast::error_code error) {
        if (error || !self->reading || self->requests != request) return;
        self->timedOut = true;
        self->stream.socket().cancel(error);
    });
    http::async_read_header(stream, buffer, *parser, [self = shared_from_this()](beast::error_code error, std::size_t) {
        self->headerRead(error);
    });
}

void HttpSession::headerRead(beast::error_code error)
{
    if (error) return failed(error);
    const HttpRequest &head = parser->get();
    headed = true;
    client = server.service.client(head, peer);
    method = std::string(head.method_string());
    target = std::string(head.target());
    if (std::optional<HttpAnswer> refused = server.service.screen(head, client)) {
        reading = false;
        return send(std::move(*refused), !parser->is_done() || !head.keep_alive());
    }
    accepted = Clock::now();
    if (parser->is_done()) return dispatch();
    // libcurl waits a second for this before sending a body over 1 KB.
    if (head.version() == 11 && beast::iequals(head[http::field::expect], "100-continue"))
        return http::async_write(stream, goOn, [self = shared_from_this()](beast::error_code error, std::size_t) {
            if (error) return self->failed(error);
            self->readBody();
        });
    readBody();
}

void HttpSession::readBody()
{
    http::async_read(stream, buffer, *parser,
                     [self = shared_from_this()](beast::error_code error, std::size_t) { self->bodyRead(error); });
}

void HttpSession::bodyRead(beast::error_code error)
{
    if (error) return failed(error);
    dispatch();
}

void HttpSession::dispatch()
{
    reading = false;
    deadline.cancel();
    HttpRequest request = parser->release();
    const bool last = !request.keep_alive();
    server.service.handle(std::move(request), client, [self = shared_from_this(), last](HttpAnswer reply) {
        net::post(self->stream.get_executor(),
                  [self, last, reply = std::move(reply)]() mutable { self->send(std::move(reply), last); });
    });
}

void HttpSession::failed(beast::error_code error)
{
    reading = false;
    deadline.cancel();
    http::status status = http::status::bad_request;
    if (timedOut)
        status = http::status::request_timeout;
    else if (error == http::error::body_limit)
        status = http::status::payload_too_large;
    else if (error == http::error::header_limit || (!headed && error == http::error::buffer_overflow))
        status = http::status::request_header_fields_too_large;
    else if (!unreadable(error))
        return close();  // the client went or broke the connection: no one to answer
    if (!headed) {
        client = server.service.client(parser->get(), peer);
        method = std::string(parser->get().method_string());
        target = std::string(parser->get().target());
    }
    send(server.service.unreadable(status), true);
}

void HttpSession::send(HttpAnswer reply, bool last)
{
    answer = std::move(reply);
    // Logged as it leaves, so the lines keep the order in which clients have their answers.
    const auto [status, bytes] = std::visit(
        [](auto &message) {
            return std::pair{message.result_int(), message.payload_size().value_or(0)};
        },
        answer);
    server.service.log(client, method.empty() ? "-" : method, target.empty() ? "-" : target, int(status),
                       std::size_t(bytes), accepted ? std::optional(Clock::now() - *accepted) : std::nullopt);
    stream.expires_after(std::chrono::seconds(server.config.clientTimeoutSeconds));
    std::visit(
        [&](auto &message) {
            message.keep_alive(!last);
            // Beast's serializer hands the header and the body to the socket together.
            http::async_write(stream, message, [self = shared_from_this(), last](beast::error_code error, std::size_t) {
                self->sent(error, last);
            });
        },
        answer);
}

void HttpSession::sent(beast::error_code error, bool last)
{
    answer = http::response<http::string_body>();  // a file's descriptor closes here
    if (error) return close();
    if (last) return linger();
    awaitRequest();
}

// The answer is out; what the client still sends is read and dropped until it
// closes, or briefly, so the close does not reset the answer away unread.
void HttpSession::linger()
{
    // Its address may open another meanwhile: the one ending has nothing more to say.
    if (slot) server.release(*slot);
    slot.reset();
    beast::error_code ignored;
    stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
    stream.expires_after(
        std::min<std::chrono::seconds>(kLinger, std::chrono::seconds(server.config.clientTimeoutSeconds)));
    drain();
}

void HttpSession::drain()
{
    buffer.consume(buffer.size());
    stream.async_read_some(buffer.prepare(std::min<std::size_t>(4096, buffer.max_size())),
                           [self = shared_from_this()](beast::error_code error, std::size_t) {
                               if (error) return self->close();
                               self->drain();
                           });
}
