#include "server/http/HttpService.h"

#include <chrono>
#include <ctime>
#include <iostream>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <httplib.h>

namespace {

using Clock = std::chrono::steady_clock;

// What the access log needs to know of the request that this thread is serving.
thread_local Clock::time_point tRequestStart;
thread_local std::string tClientName;

std::mutex gLogMutex;

std::string printable(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || c == ' ')
            out += "%" + std::string(1, "0123456789ABCDEF"[c >> 4]) + "0123456789ABCDEF"[c & 15];
        else
            out += static_cast<char>(c);
    }
    return out;
}

std::string timestamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

void logRequest(const httplib::Request& request, const httplib::Response& response)
{
    long long milliseconds = 0;
    if (tRequestStart != Clock::time_point())
        milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() -
                                                                             tRequestStart)
                           .count();
    const std::string line = timestamp() + " " + request.remote_addr + " " +
                             printable(request.method) + " " + printable(request.target) + " " +
                             std::to_string(response.status) + " " +
                             std::to_string(response.body.size()) + " " +
                             std::to_string(milliseconds) + "ms " +
                             (tClientName.empty() ? "-" : printable(tClientName)) + "\n";
    tRequestStart = Clock::time_point();
    tClientName.clear();
    std::lock_guard<std::mutex> lock(gLogMutex);
    std::cerr << line << std::flush;
}

std::string notFoundPage()
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Not found</title></head>"
           "<body><h1>Not found</h1><p>There is no page at this address.</p></body></html>\n";
}

} // namespace

HttpService::HttpService(ApiHandler& api, WebHandler& site, const ServerOptions& options)
    : api_(api), site_(site), options_(options)
{
}

HttpService::~HttpService() = default;

void HttpService::configure(httplib::Server& server)
{
    const std::size_t threads = options_.threads;
    server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server.set_payload_max_length(options_.maxBodyBytes);
    server.set_read_timeout(options_.timeoutSeconds, 0);
    server.set_write_timeout(options_.timeoutSeconds, 0);
    server.set_keep_alive_timeout(5);
    // A reply's head and body go out in two writes; without this the body waits for the
    // client's delayed acknowledgement of the head, some 40 ms on every request.
    server.set_tcp_nodelay(true);
    server.set_keep_alive_max_count(1000);
    server.set_logger(logRequest);
    server.set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
        tRequestStart = Clock::now();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty()) {
            const std::string reason = response.status == 413 ? "the request body is too large"
                                                              : "the request cannot be served";
            response.set_content(reason + "\n", "text/plain; charset=utf-8");
        }
    });

    const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        HttpRequestView view;
        view.method = request.method;
        const std::size_t question = request.target.find('?');
        view.path = request.target.substr(0, question);
        if (question != std::string::npos)
            view.query = request.target.substr(question + 1);
        view.body = request.body;
        view.contentType = request.get_header_value("Content-Type");
        view.accept = request.get_header_value("Accept");
        view.authorization = request.get_header_value("Authorization");
        for (const auto& file : request.files)
            view.formFiles.emplace(file.first, file.second.content);

        HttpReply reply;
        if (api_.isApiPath(view.path)) {
            reply = api_.handle(view);
        } else {
            try {
                if (!site_.handle(view, reply)) {
                    reply = HttpReply();
                    reply.status = 404;
                    reply.contentType = "text/html; charset=utf-8";
                    reply.body = notFoundPage();
                }
            } catch (const std::exception& error) {
                std::cerr << "korvid-server: " << view.method << " " << printable(view.path)
                          << ": " << error.what() << std::endl;
                reply = HttpReply::text(500, "internal error");
            }
        }
        tClientName = reply.clientName;
        response.status = reply.status;
        for (const auto& header : reply.headers)
            response.set_header(header.first.c_str(), header.second);
        response.set_content(reply.body, reply.contentType.c_str());
    };
    const std::string any = ".*";
    server.Get(any, handler);
    server.Post(any, handler);
    server.Put(any, handler);
    server.Patch(any, handler);
    server.Delete(any, handler);
    server.Options(any, handler);
}

std::vector<std::string> HttpService::bind()
{
    std::vector<std::string> urls;
    for (const Listener& listener : options_.listeners) {
        std::unique_ptr<httplib::Server> server;
        if (listener.tls) {
            auto secure = std::make_unique<httplib::SSLServer>(options_.certFile.c_str(),
                                                               options_.keyFile.c_str());
            if (!secure->is_valid())
                throw std::runtime_error("cannot use the certificate " + options_.certFile +
                                         " with the key " + options_.keyFile);
            server = std::move(secure);
        } else {
            server = std::make_unique<httplib::Server>();
        }
        configure(*server);
        int port = listener.port;
        if (port == 0) {
            port = server->bind_to_any_port(listener.host);
            if (port < 0)
                port = 0;
        } else if (!server->bind_to_port(listener.host, port)) {
            port = 0;
        }
        if (port == 0)
            throw std::runtime_error("cannot listen on " + listener.host + ":" +
                                     std::to_string(listener.port));
        const std::string host = listener.host.find(':') != std::string::npos
                                     ? "[" + listener.host + "]"
                                     : listener.host;
        urls.push_back(std::string(listener.tls ? "https" : "http") + "://" + host + ":" +
                       std::to_string(port) + "/");
        servers_.push_back(std::move(server));
    }
    return urls;
}

void HttpService::run()
{
    std::vector<std::thread> threads;
    for (auto& server : servers_)
        threads.emplace_back([&server] { server->listen_after_bind(); });
    for (std::thread& thread : threads)
        thread.join();
}

void HttpService::stop()
{
    for (auto& server : servers_)
        server->stop();
}
