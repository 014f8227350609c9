#include "server/http/ReplyBuilder.h"

#include <cctype>
#include <iostream>

#include <utility>

#include <boost/beast/core/file.hpp>

#include "server/http/ByteRange.h"

namespace beast = boost::beast;
namespace http = beast::http;

template <class Message>
void ReplyBuilder::setHeaders(Message& message, const HttpReply& reply, bool close) const
{
    message.version(request_.version);
    message.result(static_cast<unsigned>(reply.status));
    message.set(http::field::content_type, reply.contentType);
    for (const auto& header : reply.headers)
        message.insert(header.first, header.second);
    message.keep_alive(!close);
}

namespace {

// A header a handler wrote that would end the header line or the head early: what came from a
// request into a reply must never become headers or a reply of its own.
bool safeHeaderText(const std::string& text)
{
    return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

bool safeHeaderName(const std::string& name)
{
    static const std::string kTokenPunctuation = "!#$%&'*+-.^_`|~";
    if (name.empty())
        return false;
    for (unsigned char c : name) {
        if (!std::isalnum(c) && kTokenPunctuation.find(static_cast<char>(c)) == std::string::npos)
            return false;
    }
    return true;
}

} // namespace

BuiltReply ReplyBuilder::build(HttpReply reply, bool close) const
{
    bool safe = safeHeaderText(reply.contentType);
    for (const auto& header : reply.headers)
        safe = safe && safeHeaderName(header.first) && safeHeaderText(header.second);
    if (!safe) {
        std::cerr << "korvid-server: a reply header held a line break or NUL; answered 500 instead" << std::endl;
        const std::string clientName = reply.clientName;
        reply = HttpReply::text(500, "internal error");
        reply.clientName = clientName;
    }
    if (!reply.filePath.empty())
        return fromFile(reply, close);
    BuiltReply built;
    built.status = reply.status;
    built.clientName = reply.clientName;
    built.bodyBytes = request_.headOnly ? 0 : reply.body.size();
    if (request_.headOnly) {
        auto message = std::make_shared<http::response<http::empty_body>>();
        setHeaders(*message, reply, close);
        message->content_length(reply.body.size());
        built.message = std::move(message);
        return built;
    }
    auto message = std::make_shared<http::response<http::string_body>>();
    setHeaders(*message, reply, close);
    message->body() = std::move(reply.body);
    message->prepare_payload();
    built.message = std::move(message);
    return built;
}

BuiltReply ReplyBuilder::fromFile(const HttpReply& reply, bool close) const
{
    beast::error_code ec;
    beast::file file;
    file.open(reply.filePath.c_str(), beast::file_mode::scan, ec);
    const std::uint64_t size = ec ? 0 : file.size(ec);
    if (ec)
        return build(HttpReply::text(404, "there is no such file"), close);
    const ByteRange range = chooseByteRange(request_.range, request_.hasIfRange, size);
    if (range.kind == ByteRange::Kind::Unsatisfiable) {
        HttpReply refusal = HttpReply::text(416, "the requested range is not satisfiable");
        refusal.headers.emplace_back("Content-Range", range.contentRange(size));
        refusal.clientName = reply.clientName;
        return build(std::move(refusal), close);
    }
    BuiltReply built;
    built.status = reply.status;
    built.clientName = reply.clientName;
    built.bodyBytes = request_.headOnly ? 0 : range.length;
    if (request_.headOnly) {
        auto message = std::make_shared<http::response<http::empty_body>>();
        setHeaders(*message, reply, close);
        message->set(http::field::accept_ranges, "bytes");
        message->content_length(size);
        built.message = std::move(message);
        return built;
    }
    if (range.kind == ByteRange::Kind::Partial) {
        built.status = 206;
        auto message = std::make_shared<http::response<FileSliceBody>>();
        setHeaders(*message, reply, close);
        message->result(http::status::partial_content);
        message->set(http::field::accept_ranges, "bytes");
        message->set(http::field::content_range, range.contentRange(size));
        message->body().file = std::move(file);
        message->body().first = range.first;
        message->body().length = range.length;
        message->prepare_payload();
        built.message = std::move(message);
        return built;
    }
    auto message = std::make_shared<http::response<http::file_body>>();
    setHeaders(*message, reply, close);
    message->set(http::field::accept_ranges, "bytes");
    message->body().reset(std::move(file), ec);
    if (ec)
        return build(HttpReply::text(404, "there is no such file"), close);
    message->prepare_payload();
    built.message = std::move(message);
    return built;
}

BuiltReply ReplyBuilder::refusal(const Refusal& refusal) const
{
    auto message = std::make_shared<http::response<http::string_body>>();
    message->version(request_.version);
    message->result(static_cast<unsigned>(refusal.status));
    message->set(http::field::content_type, "text/plain; charset=utf-8");
    if (refusal.status == 503)
        message->set(http::field::retry_after, "2");
    message->body() = refusal.reason + "\n";
    message->keep_alive(false);
    message->prepare_payload();
    BuiltReply built;
    built.status = refusal.status;
    built.bodyBytes = message->body().size();
    built.message = std::move(message);
    return built;
}
