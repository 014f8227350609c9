#include "server/http/HttpService.h"

#include "ServerVersion.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ssl/context.hpp>

#include "server/http/Acceptor.h"
#include "server/http/BodyBudget.h"
#include "BuildConfig.h"
#include "server/http/Connection.h"
#include "server/http/ConnectionRegistry.h"
#include "server/http/MonitorEndpoints.h"
#include "server/http/RequestDispatcher.h"
#include "server/http/TlsContext.h"
#include "server/http/WorkerPool.h"

namespace net = boost::asio;
using Clock = std::chrono::steady_clock;

namespace {

// Threads that are joined when they go out of scope, whatever returns or throws meanwhile.
class JoiningThreads {
public:
    JoiningThreads() = default;
    JoiningThreads(const JoiningThreads&) = delete;
    JoiningThreads& operator=(const JoiningThreads&) = delete;
    ~JoiningThreads() { join(); }

    template <class F>
    void start(std::size_t count, F f)
    {
        for (std::size_t i = 0; i < count; ++i)
            threads_.emplace_back(f);
    }

    void join()
    {
        for (std::thread& thread : threads_)
            if (thread.joinable())
                thread.join();
        threads_.clear();
    }

private:
    std::vector<std::thread> threads_;
};

} // namespace

// Members in the order of their lifetimes: the connections left in the I/O context when it
// is destroyed still leave the registry, and the workers' tasks still hold connections whose
// sockets belong to the context.
struct HttpService::Impl {
    Impl(ApiHandler& api, WebHandler& site, const ServerOptions& serverOptions, std::function<void()> databaseCheck)
        : options(serverOptions), metrics(KORVID_SERVER_VERSION, options.apiBase),
          monitor(metrics, databaseCheck ? std::move(databaseCheck) : std::function<void()>([] {}),
                  [this] { return registry.size(); }),
          dispatcher(api, site, &monitor), metricsDispatcher(api, site, &monitor, true),
          io(static_cast<int>(options.ioThreads)), workers(options.threads),
          // One body of the largest size always fits, or chunked uploads could never be read.
          bodies(std::max(options.limits.maxPendingBodyBytes, options.limits.maxBodyBytes)),
          services{options.limits, workers, dispatcher, registry, metrics, bodies},
          metricsServices{options.limits, workers, metricsDispatcher, registry, metrics, bodies}
    {
    }

    void awaitStop()
    {
        std::unique_lock<std::mutex> lock(mutex);
        stopRequested.wait(lock, [this] { return stopping; });
    }

    void shutDown();

    ServerOptions options;
    ServerMetrics metrics;
    MonitorEndpoints monitor;
    RequestDispatcher dispatcher;
    RequestDispatcher metricsDispatcher;
    ConnectionRegistry registry;
    std::unique_ptr<net::ssl::context> tls;
    net::io_context io;
    std::vector<std::shared_ptr<Acceptor>> acceptors;
    WorkerPool workers;
    BodyBudget bodies;
    ConnectionServices services;
    ConnectionServices metricsServices;

    std::mutex mutex;
    std::condition_variable stopRequested;
    bool stopping = false;
};

void HttpService::Impl::shutDown()
{
    for (const auto& acceptor : acceptors)
        acceptor->close();
    registry.forEach([](ConnectionControl& connection) { connection.beginShutdown(); });
    const auto deadline = Clock::now() + std::chrono::seconds(options.limits.shutdownTimeoutSeconds);
    if (!registry.waitUntilEmpty(deadline)) {
        registry.forEach([](ConnectionControl& connection) { connection.closeNow(); });
        registry.waitUntilEmpty(Clock::now() + std::chrono::milliseconds(500));
    }
    // Handlers still running (a database that does not answer) are waited for; those not yet
    // started are dropped with their connections.
    workers.stop();
}

HttpService::HttpService(ApiHandler& api, WebHandler& site, const ServerOptions& options,
                         std::function<void()> databaseCheck)
    : impl_(std::make_unique<Impl>(api, site, options, std::move(databaseCheck)))
{
}

ServerMetrics& HttpService::metrics()
{
    return impl_->metrics;
}

HttpService::~HttpService() = default;

std::vector<std::string> HttpService::bind()
{
    Impl& impl = *impl_;
    std::vector<std::string> urls;
    std::vector<Listener> listeners = impl.options.listeners;
    if (impl.options.metricsListener)
        listeners.push_back(*impl.options.metricsListener);
    for (const Listener& listener : listeners) {
        const bool metrics = impl.options.metricsListener && &listener == &listeners.back();
        Acceptor::OnConnection onConnection;
        if (metrics) {
            onConnection = [&impl](net::ip::tcp::socket&& socket) {
                startPlainConnection(std::move(socket), impl.metricsServices);
            };
        } else if (listener.tls) {
            if (!impl.tls)
                impl.tls = makeTlsContext(impl.options.certFile, impl.options.keyFile);
            onConnection = [&impl](net::ip::tcp::socket&& socket) {
                startTlsConnection(std::move(socket), *impl.tls, impl.services);
            };
        } else {
            onConnection = [&impl](net::ip::tcp::socket&& socket) {
                startPlainConnection(std::move(socket), impl.services);
            };
        }
        auto acceptor = std::make_shared<Acceptor>(impl.io, listener, impl.registry,
                                                   impl.options.limits.maxConnections, std::move(onConnection));
        const std::string host = listener.host.find(':') != std::string::npos ? "[" + listener.host + "]"
                                                                              : listener.host;
        urls.push_back(std::string(metrics ? "metrics=" : "") + (listener.tls ? "https" : "http") + "://" + host +
                       ":" + std::to_string(acceptor->port()) + "/");
        impl.acceptors.push_back(std::move(acceptor));
    }
    return urls;
}

void HttpService::run()
{
    Impl& impl = *impl_;
    auto work = net::make_work_guard(impl.io);
    for (const auto& acceptor : impl.acceptors)
        acceptor->start();
    JoiningThreads ioThreads;
    try {
        ioThreads.start(impl.options.ioThreads, [&impl] { impl.io.run(); });
        impl.awaitStop();
        impl.shutDown();
    } catch (...) {
        impl.io.stop();
        throw;
    }
    work.reset();
    impl.io.stop();
    ioThreads.join();
}

void HttpService::stop()
{
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->stopping = true;
    }
    impl_->stopRequested.notify_all();
}
