#include "server/http/ErrorMapper.h"

#include <cstring>
#include <iostream>

#include "server/http/MultipartForm.h"
#include "server/http/ServerMetrics.h"
#include "server/protocol/ProtocolError.h"
#include "server/store/DatabaseFailure.h"

namespace {

// The request as the error log shows it: no control characters from the client.
std::string printable(const std::string& text)
{
    std::string out;
    for (unsigned char c : text)
        out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
    return out;
}

} // namespace

HttpReply ErrorMapper::replyFor(std::exception_ptr failure, const HttpRequestView& request) const
{
    const std::string where = printable(request.method) + " " + printable(request.path);
    try {
        std::rethrow_exception(failure);
    } catch (const ProtocolError& error) {
        return HttpReply::text(error.status(), error.what());
    } catch (const MultipartError& error) {
        return HttpReply::text(400, std::string("malformed multipart/form-data body: ") + error.what());
    } catch (const std::exception& error) {
        const char* kind = databaseFailureKind(error);
        if (kind && metrics_)
            metrics_->databaseError(kind);
        if (kind && std::strcmp(kind, "unavailable") == 0) {
            std::cerr << "korvid-server: database unavailable: " << error.what() << std::endl;
            HttpReply reply = HttpReply::text(503, "the database is busy or unavailable; try again");
            reply.headers.emplace_back("Retry-After", "2");
            return reply;
        }
        std::cerr << "korvid-server: " << where << ": " << error.what() << std::endl;
    } catch (...) {
        // Text errors are thrown as std::string elsewhere in the code; none may end a worker.
        std::cerr << "korvid-server: " << where << ": an exception of an unexpected type" << std::endl;
    }
    return HttpReply::text(500, "internal error");
}
