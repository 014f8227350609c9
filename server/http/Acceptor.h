#pragma once

#include <cstddef>
#include <functional>
#include <memory>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>

#include "server/http/ServerOptions.h"

class ConnectionRegistry;

// One listening socket. It listens with the system's largest backlog and accepts while fewer
// than the most connections are open; beyond that, new connections wait in the backlog
// until one closes. Running out of file descriptors pauses accepting for a moment instead of
// spinning.
class Acceptor : public std::enable_shared_from_this<Acceptor> {
public:
    using OnConnection = std::function<void(boost::asio::ip::tcp::socket&&)>;

    // Binds and listens at once; throws std::runtime_error "cannot listen on HOST:PORT".
    Acceptor(boost::asio::io_context& io, const Listener& listener, const ConnectionRegistry& registry,
             std::size_t maxConnections, OnConnection onConnection);

    unsigned short port() const;
    // Both from any thread.
    void start();
    void close();

private:
    void accept();
    void onAccept(const boost::system::error_code& ec, boost::asio::ip::tcp::socket socket);
    void acceptAfter(std::chrono::milliseconds pause);

    boost::asio::io_context& io_;
    boost::asio::strand<boost::asio::io_context::executor_type> strand_;
    boost::asio::ip::tcp::acceptor acceptor_;
    boost::asio::steady_timer pause_;
    const ConnectionRegistry& registry_;
    std::size_t maxConnections_;
    OnConnection onConnection_;
    bool closed_ = false;
    boost::system::error_code lastError_;
};
