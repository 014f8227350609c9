#include "server/http/Connection.h"

#include <chrono>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include "server/http/AccessLog.h"
#include "server/http/BodyBudget.h"
#include "server/http/ConnectionRegistry.h"
#include "server/protocol/HttpExchange.h"
#include "server/http/ReplyBuilder.h"
#include "server/http/RequestDispatcher.h"
#include "server/http/RequestHeadCheck.h"
#include "server/http/ServerMetrics.h"
#include "server/http/WorkerPool.h"

namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;
using std::chrono::seconds;

using PlainStream = beast::tcp_stream;
using TlsStream = beast::ssl_stream<beast::tcp_stream>;

constexpr std::size_t kReadChunk = 4096;
const char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";

enum class Phase { Handshake, Idle, Head, Body, Handling, Writing, Closing, Closed };

bool isParseError(const beast::error_code& ec)
{
    return &ec.category() == &http::make_error_code(http::error::bad_method).category() &&
           ec != http::error::end_of_stream && ec != http::error::partial_message;
}

template <class Stream>
class Connection final : public ConnectionControl, public std::enable_shared_from_this<Connection<Stream>> {
public:
    static constexpr bool kTls = std::is_same<Stream, TlsStream>::value;

    template <class... StreamArgs>
    Connection(const ConnectionServices& services, tcp::socket&& socket, StreamArgs&... streamArgs)
        : services_(services), limits_(services.limits), entry_(services.registry),
          stream_(std::move(socket), streamArgs...), buffer_(services.limits.maxHeadBytes + 65536)
    {
        beast::error_code ec;
        const tcp::endpoint peer = lowest().socket().remote_endpoint(ec);
        remoteAddress_ = ec ? "-" : peer.address().to_string();
    }

    void start()
    {
        entry_.attach(this->weak_from_this());
        net::dispatch(stream_.get_executor(), [self = this->shared_from_this()] { self->begin(); });
    }

    void beginShutdown() override
    {
        net::post(stream_.get_executor(), [self = this->shared_from_this()] { self->onShutdown(); });
    }

    void closeNow() override
    {
        net::post(stream_.get_executor(), [self = this->shared_from_this()] { self->close(); });
    }

private:
    beast::tcp_stream& lowest() { return beast::get_lowest_layer(stream_); }

    void begin()
    {
        if (shuttingDown_)
            return close();
        if constexpr (kTls) {
            phase_ = Phase::Handshake;
            lowest().expires_after(seconds(limits_.handshakeTimeoutSeconds));
            stream_.async_handshake(net::ssl::stream_base::server,
                                    [self = this->shared_from_this()](const beast::error_code& ec) {
                                        if (ec)
                                            return self->drop(ec);
                                        self->waitForRequest();
                                    });
        } else {
            waitForRequest();
        }
    }

    // Between requests a connection costs a socket and a timer: it waits for the next
    // request's first byte for the idle time-out, then for the whole head for the head one.
    void waitForRequest()
    {
        if (shuttingDown_)
            return closeGracefully();
        if (buffer_.size() > 0)
            return readHead();
        phase_ = Phase::Idle;
        lowest().expires_after(seconds(limits_.idleTimeoutSeconds));
        stream_.async_read_some(buffer_.prepare(kReadChunk),
                                [self = this->shared_from_this()](const beast::error_code& ec, std::size_t n) {
                                    if (ec)
                                        return self->close();
                                    self->buffer_.commit(n);
                                    self->readHead();
                                });
    }

    void readHead()
    {
        phase_ = Phase::Head;
        requestStart_ = Clock::now();
        method_ = "-";
        target_ = "-";
        userAgent_.clear();
        referer_.clear();
        forwardedFor_.clear();
        answering_ = ReplyRequest{};
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(limits_.maxHeadBytes));
        parser_->body_limit(limits_.maxBodyBytes);
        lowest().expires_after(seconds(limits_.headTimeoutSeconds));
        awaitWholeHead();
    }

    // The head is read whole before the parser sees it, so that its raw lines can be checked for
    // what the parser quietly accepts: a folded line (obsolete, and read differently by proxies).
    // A head that cannot be whole (too large, or with a bare line feed) goes to the parser at once,
    // which refuses it as before.
    void awaitWholeHead()
    {
        const auto data = buffer_.data();
        const std::string_view received(static_cast<const char*>(data.data()), data.size());
        const std::size_t end = received.find("\r\n\r\n");
        const std::size_t room = buffer_.max_size() - buffer_.size();
        if (end != std::string_view::npos || received.size() > limits_.maxHeadBytes || room == 0 ||
            hasBareLineFeed(received)) {
            foldedHead_ = end != std::string_view::npos && hasFoldedLine(received.substr(0, end + 2));
            http::async_read_header(stream_, buffer_, *parser_,
                                    [self = this->shared_from_this()](const beast::error_code& ec, std::size_t) {
                                        self->onHead(ec);
                                    });
            return;
        }
        stream_.async_read_some(buffer_.prepare(std::min(kReadChunk, room)),
                                [self = this->shared_from_this()](const beast::error_code& ec, std::size_t n) {
                                    if (ec)
                                        return self->onHead(ec);
                                    self->buffer_.commit(n);
                                    self->awaitWholeHead();
                                });
    }

    static bool hasFoldedLine(std::string_view head)
    {
        return head.find("\r\n ") != std::string_view::npos || head.find("\r\n\t") != std::string_view::npos;
    }

    static bool hasBareLineFeed(std::string_view received)
    {
        for (std::size_t at = received.find('\n'); at != std::string_view::npos; at = received.find('\n', at + 1)) {
            if (at == 0 || received[at - 1] != '\r')
                return true;
        }
        return false;
    }

    void onHead(const beast::error_code& ec)
    {
        // The request line is known once the parser got past it, even when the head failed
        // later; what the buffer holds then is no longer its start.
        const auto& request = parser_->get();
        if (!request.method_string().empty()) {
            method_ = std::string(request.method_string());
            target_ = std::string(request.target());
            answering_.version = request.version();
        }
        if (ec == http::error::header_limit) {
            const auto data = buffer_.data();
            const std::size_t line = method_ == "-" ? 0 : requestLineBytes();
            return refuse(oversizedHead(line, std::string_view(static_cast<const char*>(data.data()), data.size()),
                                        limits_));
        }
        if (ec == http::error::body_limit)  // an announced Content-Length over the limit
            return refuse(bodyTooLarge());
        if (isParseError(ec))
            return refuse(malformedRequest());
        if (ec)
            return drop(ec);  // time-out, end of stream, reset: nobody to answer

        answering_.headOnly = request.method() == http::verb::head;
        keepAlive_ = request.keep_alive();
        userAgent_ = std::string(request[http::field::user_agent]);
        referer_ = std::string(request[http::field::referer]);
        forwardedFor_ = joined(request, "X-Forwarded-For");

        HeadFacts facts;
        facts.version = request.version();
        facts.foldedLine = foldedHead_;
        facts.hostFields = static_cast<std::size_t>(request.count(http::field::host));
        facts.contentLengthFields = static_cast<std::size_t>(request.count(http::field::content_length));
        facts.requestLineBytes = requestLineBytes();
        facts.fieldCount = static_cast<std::size_t>(std::distance(request.begin(), request.end()));
        facts.contentEncoding = joined(request, http::field::content_encoding);
        facts.transferEncoding = joined(request, http::field::transfer_encoding);
        if (const auto length = parser_->content_length()) {
            facts.hasContentLength = true;
            facts.contentLength = *length;
        }
        if (const Refusal refusal = checkHead(facts, limits_))
            return refuse(refusal);
        // Chunks may run up to the body limit, so that much is held for them.
        const bool chunked = !facts.transferEncoding.empty();
        const std::size_t announced = chunked ? limits_.maxBodyBytes : static_cast<std::size_t>(facts.contentLength);
        if (announced > 0 && !(bodyReservation_ = services_.bodies.reserve(announced)))
            return refuse(tooManyBodies());

        if (!parser_->is_done() && beast::iequals(request[http::field::expect], "100-continue")) {
            lowest().expires_after(seconds(limits_.sendTimeoutSeconds));
            return net::async_write(stream_, net::buffer(kContinue, sizeof kContinue - 1),
                                    [self = this->shared_from_this()](const beast::error_code& ec, std::size_t) {
                                        if (ec)
                                            return self->close();
                                        self->readBody();
                                    });
        }
        readBody();
    }

    // "GET /path HTTP/1.1"
    std::size_t requestLineBytes() const { return method_.size() + 1 + target_.size() + 1 + 8; }

    template <class Field>
    static std::string joined(const http::request<http::string_body>& request, const Field& field)
    {
        std::string out;
        const auto range = request.equal_range(field);
        for (auto value = range.first; value != range.second; ++value)
            out += (out.empty() ? "" : ",") + std::string(value->value());
        return out;
    }

    void readBody()
    {
        if (parser_->is_done())
            return handle();
        phase_ = Phase::Body;
        lowest().expires_after(seconds(limits_.bodyTimeoutSeconds));
        http::async_read(stream_, buffer_, *parser_,
                         [self = this->shared_from_this()](const beast::error_code& ec, std::size_t) {
                             if (ec == http::error::body_limit)  // chunks beyond the limit
                                 return self->refuse(bodyTooLarge());
                             if (isParseError(ec))
                                 return self->refuse(malformedRequest());
                             if (ec)
                                 return self->drop(ec);
                             self->handle();
                         });
    }

    void handle()
    {
        phase_ = Phase::Handling;
        lowest().expires_never();
        auto& request = parser_->get();
        HttpRequestView view;
        view.method = method_;
        const std::size_t question = target_.find('?');
        view.path = target_.substr(0, question);
        if (question != std::string::npos)
            view.query = target_.substr(question + 1);
        view.body = std::move(request.body());
        view.contentType = std::string(request[http::field::content_type]);
        view.accept = std::string(request[http::field::accept]);
        view.authorization = std::string(request[http::field::authorization]);
        view.remoteAddress = remoteAddress_;
        for (const auto& field : request)
            view.headers.emplace_back(std::string(field.name_string()), std::string(field.value()));
        if (request.method() == http::verb::get)
            answering_.range = std::string(request[http::field::range]);
        answering_.hasIfRange = request.count(http::field::if_range) > 0;
        parser_.reset();
        ++requests_;

        auto self = this->shared_from_this();
        const bool posted = services_.workers.post([self, view = std::move(view),
                                                    held = std::move(bodyReservation_)]() mutable {
            HttpReply reply = self->services_.dispatcher.dispatch(view);
            net::post(self->stream_.get_executor(),
                      [self, reply = std::move(reply)]() mutable { self->sendReply(std::move(reply)); });
        });
        if (!posted)
            close();
    }

    bool closeAfterReply() const
    {
        return !keepAlive_ || shuttingDown_ || requests_ >= kMaxRequestsPerConnection;
    }

    void sendReply(HttpReply reply)
    {
        if (phase_ == Phase::Closed)
            return;
        phase_ = Phase::Writing;
        closeAfterWrite_ = closeAfterReply();
        send(ReplyBuilder(answering_).build(std::move(reply), closeAfterWrite_));
    }

    // A refusal of a request whose body is not read: the connection closes after it.
    void refuse(const Refusal& refusal)
    {
        phase_ = Phase::Writing;
        closeAfterWrite_ = true;
        send(ReplyBuilder(answering_).refusal(refusal));
    }

    void send(BuiltReply built)
    {
        status_ = built.status;
        bodyBytes_ = built.bodyBytes;
        clientName_ = std::move(built.clientName);
        std::visit([this](auto& message) { write(std::move(message)); }, built.message);
    }

    // Written piece by piece, so that the send time-out counts from the last progress: a
    // large download over a slow line goes on, a client that stops taking it does not.
    template <class Body>
    void write(std::shared_ptr<http::response<Body>> message)
    {
        writeSome(message, std::make_shared<http::response_serializer<Body>>(*message));
    }

    template <class Body>
    void writeSome(std::shared_ptr<http::response<Body>> message,
                   std::shared_ptr<http::response_serializer<Body>> serializer)
    {
        lowest().expires_after(seconds(limits_.sendTimeoutSeconds));
        http::async_write_some(stream_, *serializer,
                               [self = this->shared_from_this(), message, serializer](const beast::error_code& ec,
                                                                                     std::size_t) {
                                   if (ec) {
                                       self->logRequest();
                                       return self->drop(ec);
                                   }
                                   if (!serializer->is_done())
                                       return self->writeSome(message, serializer);
                                   self->logRequest();
                                   if (self->closeAfterWrite_ || self->shuttingDown_)
                                       return self->closeGracefully();
                                   self->waitForRequest();
                               });
    }

    void logRequest()
    {
        AccessRecord record;
        record.when = std::time(nullptr);
        record.remoteAddress = remoteAddress_;
        record.method = method_;
        record.target = target_;
        record.status = status_;
        record.bodyBytes = bodyBytes_;
        record.milliseconds =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - requestStart_).count();
        record.clientName = clientName_;
        record.userAgent = userAgent_;
        record.referer = referer_;
        record.forwardedFor = forwardedFor_;
        logAccess(record);
        services_.metrics.requestAnswered(method_, target_, status_,
                                          std::chrono::duration<double>(Clock::now() - requestStart_).count());
    }

    // Closed without an answer: a client too slow for a deadline is refused, one that went
    // away is not.
    void drop(const beast::error_code& ec)
    {
        if (ec == beast::error::timeout)
            services_.metrics.connectionDropped("timeout");
        close();
    }

    // The reply is out: the client gets its end of the stream, and what it still sends is
    // read and dropped for a moment, so that the closing does not reset the connection and
    // destroy the reply before the client has read it.
    void closeGracefully()
    {
        phase_ = Phase::Closing;
        lowest().expires_after(seconds(kLingerSeconds));
        if constexpr (kTls) {
            stream_.async_shutdown([self = this->shared_from_this()](const beast::error_code&) { self->close(); });
        } else {
            beast::error_code ignored;
            lowest().socket().shutdown(tcp::socket::shutdown_send, ignored);
            discard();
        }
    }

    void discard()
    {
        stream_.async_read_some(net::buffer(discard_),
                                [self = this->shared_from_this()](const beast::error_code& ec, std::size_t) {
                                    if (ec)
                                        return self->close();
                                    self->discard();
                                });
    }

    void onShutdown()
    {
        shuttingDown_ = true;
        // A request whose body is arriving is in flight, as is one being handled or
        // answered; a connection waiting for a request or its head is closed.
        if (phase_ == Phase::Handshake || phase_ == Phase::Idle || phase_ == Phase::Head)
            close();
    }

    void close()
    {
        if (phase_ == Phase::Closed)
            return;
        phase_ = Phase::Closed;
        lowest().close();
    }

    ConnectionServices services_;
    const HttpLimits& limits_;
    ConnectionRegistry::Entry entry_;
    Stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    bool foldedHead_ = false;
    char discard_[4096];

    Phase phase_ = Phase::Idle;
    bool shuttingDown_ = false;
    std::string remoteAddress_;
    std::size_t requests_ = 0;

    // The request being served, for its reply and its log line.
    Clock::time_point requestStart_ = Clock::now();
    std::string method_ = "-";
    std::string target_ = "-";
    std::string userAgent_;
    std::string referer_;
    std::string forwardedFor_;
    ReplyRequest answering_;
    bool keepAlive_ = false;
    std::shared_ptr<BodyBudget::Reservation> bodyReservation_;
    int status_ = 0;
    std::uint64_t bodyBytes_ = 0;
    std::string clientName_;
    bool closeAfterWrite_ = false;
};

template <class Stream, class... StreamArgs>
void startConnection(tcp::socket&& socket, const ConnectionServices& services, StreamArgs&... streamArgs)
{
    beast::error_code ignored;
    // A reply's head and body go out in separate writes; without this the body waits for the
    // client's delayed acknowledgement of the head, some 40 ms on every request.
    socket.set_option(tcp::no_delay(true), ignored);
    std::make_shared<Connection<Stream>>(services, std::move(socket), streamArgs...)->start();
}

} // namespace

void startPlainConnection(tcp::socket&& socket, const ConnectionServices& services)
{
    startConnection<PlainStream>(std::move(socket), services);
}

void startTlsConnection(tcp::socket&& socket, net::ssl::context& tls, const ConnectionServices& services)
{
    startConnection<TlsStream>(std::move(socket), services, tls);
}
