#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>

#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/file_body.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>

#include "server/http/FileSliceBody.h"
#include "server/http/RequestHeadCheck.h"
#include "server/protocol/HttpExchange.h"

// What of a request shapes the message that answers it, apart from the handler's reply.
struct ReplyRequest {
    unsigned version = 11;  // 10 or 11, answered in kind
    bool headOnly = false;  // a HEAD: the GET's head, no body
    std::string range;      // the Range header of a GET; empty otherwise
    bool hasIfRange = false;
};

// One message ready to write, and what the access log says of it.
struct BuiltReply {
    template <class Body>
    using Response = std::shared_ptr<boost::beast::http::response<Body>>;
    std::variant<Response<boost::beast::http::empty_body>, Response<boost::beast::http::string_body>,
                 Response<FileSliceBody>, Response<boost::beast::http::file_body>>
        message;
    int status = 0;              // as sent: 206 for a range, 404 for a file gone missing
    std::uint64_t bodyBytes = 0;  // what goes out after the head
    std::string clientName;      // of the reply actually sent
};

// Turns a handler's reply into the HTTP message for one request: status, headers, the
// connection's fate, a body from memory or a file, one byte range of a file, or the head alone.
class ReplyBuilder {
public:
    explicit ReplyBuilder(ReplyRequest request) : request_(std::move(request)) {}

    // `close`: the connection ends after this reply.
    BuiltReply build(HttpReply reply, bool close) const;

    // The answer to a request refused by its head: plain text, always closing.
    BuiltReply refusal(const Refusal& refusal) const;

private:
    BuiltReply fromFile(const HttpReply& reply, bool close) const;
    template <class Message>
    void setHeaders(Message& message, const HttpReply& reply, bool close) const;

    ReplyRequest request_;
};
