#include "server/http/RequestDispatcher.h"

#include "server/http/MonitorEndpoints.h"
#include "server/http/MultipartForm.h"
#include "server/http/ServerMetrics.h"

namespace {

std::string notFoundPage()
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Not found</title></head>"
           "<body><h1>Not found</h1><p>There is no page at this address.</p></body></html>\n";
}

} // namespace

RequestDispatcher::RequestDispatcher(ApiHandler& api, WebHandler& site, MonitorEndpoints* monitor,
                                     bool metricsListener)
    : api_(api), site_(site), monitor_(monitor), metricsListener_(metricsListener),
      errors_(monitor ? &monitor->metrics() : nullptr)
{
}

HttpReply RequestDispatcher::dispatch(HttpRequestView& request)
{
    try {
        if (MultipartForm::isFormData(request.contentType)) {
            request.formFiles = MultipartForm::parse(request.contentType, request.body).fields();
            request.body.clear();
        }
        return route(request);
    } catch (...) {
        return errors_.replyFor(std::current_exception(), request);
    }
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
