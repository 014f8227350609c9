#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../ServerFixture.h"
#include "server/http/RequestDispatcher.h"

namespace {

class ScriptedSite : public WebHandler {
public:
    std::function<bool(const HttpRequestView&, HttpReply&)> behaviour;
    std::vector<HttpRequestView> seen;

    bool handle(const HttpRequestView& request, HttpReply& reply) override
    {
        seen.push_back(request);
        return behaviour(request, reply);
    }
};

std::string header(const HttpReply& reply, const std::string& name)
{
    for (const auto& h : reply.headers)
        if (h.first == name)
            return h.second;
    return "";
}

} // namespace

// What a handler throws reaches the client as a status and a fixed text, never its message;
// the API's path never reaches the site; a form body is taken apart before the site sees it.
TEST(RequestDispatcherTest, RoutesAndHidesHandlerFailures)
{
    std::string reason;
    const std::unique_ptr<Database> database = Database::open(freshDatabaseURL(Storage::SQLite, reason), 1);
    SociRecordStore store(*database);
    ApiHandler api(store, "/api/v1/");
    ScriptedSite site;
    RequestDispatcher dispatcher(api, site);

    struct Case {
        const char* what;
        std::string path, contentType, body;
        std::function<bool(const HttpRequestView&, HttpReply&)> behaviour;
        int status;
        std::string replyBody;
        std::string retryAfter;
        std::size_t siteCalls;
    };
    const auto text = [](const HttpRequestView& request, HttpReply& reply) {
        reply = HttpReply::text(200, "body=[" + request.body + "] transcript=[" +
                                         (request.formFiles.count("transcript") ? request.formFiles.at("transcript")
                                                                                : std::string("none")) +
                                         "]");
        return true;
    };
    const std::string form = "--b\r\nContent-Disposition: form-data; name=\"transcript\"; filename=\"x\"\r\n\r\n"
                             "Korvid\r\n--b--\r\n";
    const std::vector<Case> cases = {
        {"database lost", "/Benchmark/Korvid/", "", "",
         [](const HttpRequestView&, HttpReply&) -> bool {
             throw DatabaseUnavailable("connection to 10.0.0.5:5432 lost");
         },
         503, "the database is busy or unavailable; try again\n", "2", 1},
        {"internal", "/Benchmark/Korvid/", "", "",
         [](const HttpRequestView&, HttpReply&) -> bool { throw std::runtime_error("no such table: secret_rows"); },
         500, "internal error\n", "", 1},
        {"text error", "/Benchmark/Korvid/", "", "",
         [](const HttpRequestView&, HttpReply&) -> bool { throw std::string("cannot open /srv/secret"); },
         500, "internal error\n", "", 1},
        {"not the site's", "/elsewhere", "", "", [](const HttpRequestView&, HttpReply&) { return false; }, 404,
         "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Not found</title></head>"
         "<body><h1>Not found</h1><p>There is no page at this address.</p></body></html>\n",
         "", 1},
        {"form", "/Benchmark/Korvid/Import", "multipart/form-data; boundary=b", form, text, 200,
         "body=[] transcript=[Korvid]\n", "", 1},
        {"urlencoded", "/Benchmark/Korvid/Import", "application/x-www-form-urlencoded", "transcript=K%20v", text, 200,
         "body=[transcript=K%20v] transcript=[none]\n", "", 1},
        {"broken form", "/Benchmark/Korvid/Import", "multipart/form-data; boundary=b", "--b--", text, 400,
         "malformed multipart/form-data body: a body without parts\n", "", 0},
        {"api", "/api/v1/BenchmarkCPU", "", "", text, 401, "a login is needed\n", "", 0},
    };
    for (const Case& c : cases) {
        site.seen.clear();
        site.behaviour = c.behaviour;
        HttpRequestView request;
        request.method = c.contentType.empty() ? "GET" : "POST";
        request.path = c.path;
        request.contentType = c.contentType;
        request.body = c.body;
        const HttpReply reply = dispatcher.dispatch(request);
        EXPECT_EQ(c.status, reply.status) << c.what;
        EXPECT_EQ(c.replyBody, reply.body) << c.what;
        EXPECT_EQ(c.retryAfter, header(reply, "Retry-After")) << c.what;
        EXPECT_EQ(c.siteCalls, site.seen.size()) << c.what;
    }
}
