#include "server/http/RequestDispatcher.h"

#include <iostream>

#include "server/http/MonitorEndpoints.h"
#include "server/http/MultipartForm.h"
#include "server/http/ServerMetrics.h"
#include "server/store/Database.h"

namespace {

std::string notFoundPage()
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Not found</title></head>"
           "<body><h1>Not found</h1><p>There is no page at this address.</p></body></html>\n";
}

// The path as the error log shows it: no control characters from the client.
std::string printable(const std::string& text)
{
    std::string out;
    for (unsigned char c : text)
        out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
    return out;
}

} // namespace

HttpReply RequestDispatcher::dispatch(HttpRequestView& request)
{
    try {
        if (MultipartForm::isFormData(request.contentType)) {
            request.formFiles = MultipartForm::parse(request.contentType, request.body).fields();
            request.body.clear();
        }
        return route(request);
    } catch (const MultipartError& error) {
        return HttpReply::text(400, std::string("malformed multipart/form-data body: ") + error.what());
    } catch (const DatabaseUnavailable& error) {
        countDatabaseError("unavailable");
        std::cerr << "korvid-server: database unavailable: " << error.what() << std::endl;
        HttpReply reply = HttpReply::text(503, "the database is busy or unavailable; try again");
        reply.headers.emplace_back("Retry-After", "2");
        return reply;
    } catch (const soci::soci_error& error) {
        countDatabaseError("failed");
        std::cerr << "korvid-server: " << printable(request.method) << " " << printable(request.path) << ": "
                  << error.what() << std::endl;
        return HttpReply::text(500, "internal error");
    } catch (const std::exception& error) {
        std::cerr << "korvid-server: " << printable(request.method) << " " << printable(request.path) << ": "
                  << error.what() << std::endl;
        return HttpReply::text(500, "internal error");
    } catch (...) {
        // Text errors are thrown as std::string elsewhere in the code; none may end a worker.
        std::cerr << "korvid-server: " << printable(request.method) << " " << printable(request.path)
                  << ": an exception of an unexpected type" << std::endl;
        return HttpReply::text(500, "internal error");
    }
}

void RequestDispatcher::countDatabaseError(const char* kind)
{
    if (monitor_)
        monitor_->metrics().databaseError(kind);
}

HttpReply RequestDispatcher::route(const HttpRequestView& request)
{
    HttpReply reply;
    if (monitor_ && monitor_->handle(request, reply, metricsListener_))
        return reply;
    if (metricsListener_) {
        reply.status = 404;
        reply.contentType = "text/html; charset=utf-8";
        reply.body = notFoundPage();
        return reply;
    }
    if (api_.isApiPath(request.path))
        return api_.handle(request);
    if (!site_.handle(request, reply)) {
        reply = HttpReply();
        reply.status = 404;
        reply.contentType = "text/html; charset=utf-8";
        reply.body = notFoundPage();
    }
    return reply;
}
