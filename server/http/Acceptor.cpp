#include "server/http/Acceptor.h"

#include <cerrno>
#include <iostream>
#include <stdexcept>
#include <string>

#include <boost/asio/post.hpp>

#include "server/http/ConnectionRegistry.h"

namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace {

tcp::endpoint resolve(net::io_context& io, const Listener& listener)
{
    boost::system::error_code ec;
    tcp::resolver resolver(io);
    const auto results = resolver.resolve(listener.host, std::to_string(listener.port),
                                          tcp::resolver::passive | tcp::resolver::numeric_service, ec);
    if (ec || results.empty())
        throw std::runtime_error("cannot listen on " + listener.host + ":" + std::to_string(listener.port) +
                                 ": unknown host");
    return results.begin()->endpoint();
}

} // namespace

Acceptor::Acceptor(net::io_context& io, const Listener& listener, const ConnectionRegistry& registry,
                   std::size_t maxConnections, OnConnection onConnection)
    : io_(io), strand_(net::make_strand(io)), acceptor_(strand_), pause_(strand_), registry_(registry),
      maxConnections_(maxConnections), onConnection_(std::move(onConnection))
{
    const tcp::endpoint endpoint = resolve(io, listener);
    boost::system::error_code ec;
    acceptor_.open(endpoint.protocol(), ec);
    if (!ec)
        acceptor_.set_option(net::socket_base::reuse_address(true), ec);
    if (!ec)
        acceptor_.bind(endpoint, ec);
    if (!ec)
        acceptor_.listen(net::socket_base::max_listen_connections, ec);
    if (ec)
        throw std::runtime_error("cannot listen on " + listener.host + ":" + std::to_string(listener.port) +
                                 ": " + ec.message());
}

unsigned short Acceptor::port() const
{
    boost::system::error_code ec;
    return acceptor_.local_endpoint(ec).port();
}

void Acceptor::start()
{
    net::post(strand_, [self = shared_from_this()] { self->accept(); });
}

void Acceptor::close()
{
    net::post(strand_, [self = shared_from_this()] {
        self->closed_ = true;
        boost::system::error_code ignored;
        self->acceptor_.close(ignored);
        self->pause_.cancel();
    });
}

void Acceptor::accept()
{
    if (closed_)
        return;
    if (registry_.size() >= maxConnections_)
        return acceptAfter(std::chrono::milliseconds(20));
    acceptor_.async_accept(net::make_strand(io_),
                           [self = shared_from_this()](const boost::system::error_code& ec, tcp::socket socket) {
                               self->onAccept(ec, std::move(socket));
                           });
}

void Acceptor::onAccept(const boost::system::error_code& ec, tcp::socket socket)
{
    if (closed_ || ec == net::error::operation_aborted)
        return;
    if (ec) {
        if (ec != lastError_)
            std::cerr << "korvid-server: accepting a connection: " << ec.message() << std::endl;
        lastError_ = ec;
        const bool outOfResources = ec.value() == EMFILE || ec.value() == ENFILE || ec.value() == ENOBUFS ||
                                    ec.value() == ENOMEM;
        return acceptAfter(std::chrono::milliseconds(outOfResources ? 100 : 0));
    }
    onConnection_(std::move(socket));
    accept();
}

void Acceptor::acceptAfter(std::chrono::milliseconds pause)
{
    pause_.expires_after(pause);
    pause_.async_wait([self = shared_from_this()](const boost::system::error_code&) { self->accept(); });
}
