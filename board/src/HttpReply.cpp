#include "HttpReply.h"

#include "RunSubmission.h"

HttpReply::Message HttpReply::text(unsigned status, std::string body, std::string_view contentType)
{
    Message message{http::int_to_status(status), 11, std::move(body)};
    message.result(status);  // a status Beast has no name for stays as given
    message.set(http::field::content_type, contentType);
    message.prepare_payload();
    return message;
}

HttpReply::Message HttpReply::json(unsigned status, std::string body)
{
    return text(status, std::move(body), "application/json; charset=utf-8");
}

HttpReply::Message HttpReply::error(unsigned status, const std::string &code, const std::string &reason)
{
    return json(status, RunSubmission::errorJson(code, reason));
}

HttpReply::Message HttpReply::redirect(const std::string &location)
{
    Message message{http::status::found, 11};
    message.set(http::field::location, location);
    message.prepare_payload();
    return message;
}
