#include "server/http/ApiHandler.h"

#include "server/http/ServerMetrics.h"
#include "server/protocol/LookupQuery.h"
#include "server/protocol/ProtocolError.h"
#include "server/protocol/RecordTypes.h"
#include "server/protocol/Replies.h"

namespace {

HttpReply xml(const std::string& body)
{
    HttpReply reply;
    reply.contentType = "application/xml";
    reply.body = body;
    return reply;
}

} // namespace

bool ApiHandler::isApiPath(const std::string& path) const
{
    return path.compare(0, basePath_.size(), basePath_) == 0;
}

HttpReply ApiHandler::handle(const HttpRequestView& request)
{
    const Authenticator::Login login = authenticator_.check(request.authorization);
    switch (login.outcome) {
    case LoginOutcome::Accepted:
        break;
    case LoginOutcome::Disabled: {
        HttpReply reply = HttpReply::text(403, "this client is no longer accepted");
        reply.clientName = login.clientName;
        return reply;
    }
    case LoginOutcome::Unknown:
    case LoginOutcome::WrongKey: {
        HttpReply reply = HttpReply::text(401, login.sent ? "unknown client or wrong key" : "a login is needed");
        reply.headers.emplace_back("WWW-Authenticate", Authenticator::challenge());
        return reply;
    }
    }
    try {
        HttpReply reply = dispatch(request, login.clientName);
        reply.clientName = login.clientName;
        return reply;
    } catch (const ProtocolError& error) {
        HttpReply reply = HttpReply::text(error.status(), error.what());
        reply.clientName = login.clientName;
        return reply;
    }
}

HttpReply ApiHandler::dispatch(const HttpRequestView& request, const std::string& clientName)
{
    const std::string type = request.path.substr(basePath_.size());
    if (!RecordTypes::isKnown(type))
        throw ProtocolError(404, "unknown record type");

    if (request.method == "GET" || request.method == "HEAD") {
        const SearchKey key = parseLookupQuery(request.query);
        // Results are never shared, so a lookup of one finds nothing.
        const int32_t id = RecordTypes::isResult(type) ? -1 : store_.lookup(type, key);
        return xml(id > 0 ? idReply(type, id) : notFoundReply());
    }
    if (request.method == "POST") {
        const RecordDocument record = parseRecordDocument(request.body, type, limits_);
        if (!RecordTypes::isResult(type))
            return xml(idReply(type, store_.storeRecord(record)));
        const std::string source = limit_ ? limit_->sourceOf(request) : request.remoteAddress;
        if (limit_) {
            if (const auto wait = limit_->take(source))
                return uploadLimitReply(*wait);
        }
        const int32_t id = store_.storeResult(record, clientName, false, source);
        if (metrics_)
            metrics_->uploadStored();
        return xml(idReply(type, id));
    }
    HttpReply reply = HttpReply::text(405, "only GET and POST");
    reply.headers.emplace_back("Allow", "GET, POST");
    return reply;
}
