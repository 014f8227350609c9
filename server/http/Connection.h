#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>

#include "server/http/HttpLimits.h"

class BodyBudget;
class ConnectionRegistry;
class RequestDispatcher;
class ServerMetrics;
class WorkerPool;

// What every connection shares; the service owns it all and outlives the connections.
struct ConnectionServices {
    const HttpLimits& limits;
    WorkerPool& workers;
    RequestDispatcher& dispatcher;
    ConnectionRegistry& registry;
    ServerMetrics& metrics;
    BodyBudget& bodies;
};

// One accepted connection, served until it closes: requests one after the other, each head
// and body read within its deadline by the connection's executor, each handler run on the
// worker pool, its reply written back by the executor. The connection keeps itself alive.
void startPlainConnection(boost::asio::ip::tcp::socket&& socket, const ConnectionServices& services);
void startTlsConnection(boost::asio::ip::tcp::socket&& socket, boost::asio::ssl::context& tls,
                        const ConnectionServices& services);
