#pragma once

#include <cstdint>
#include <utility>

#include <boost/beast/core/error.hpp>
#include <boost/beast/core/file.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/optional.hpp>

// A Beast body that sends one byte range of an open file, read from the disk piece by piece
// as the socket takes it: the 206 reply to a single Range. (http::file_body of Boost 1.74
// always sends from the file's current position to its end.)
struct FileSliceBody {
    struct value_type {
        boost::beast::file file;
        std::uint64_t first = 0;
        std::uint64_t length = 0;
    };

    static std::uint64_t size(const value_type& body) { return body.length; }

    class writer {
    public:
        using const_buffers_type = boost::asio::const_buffer;

        template <bool isRequest, class Fields>
        writer(boost::beast::http::header<isRequest, Fields>&, value_type& body) : body_(body)
        {
        }

        void init(boost::beast::error_code& ec)
        {
            remaining_ = body_.length;
            body_.file.seek(body_.first, ec);
        }

        boost::optional<std::pair<const_buffers_type, bool>> get(boost::beast::error_code& ec)
        {
            if (remaining_ == 0) {
                ec = {};
                return boost::none;
            }
            const std::size_t wanted =
                static_cast<std::size_t>(remaining_ < sizeof buffer_ ? remaining_ : sizeof buffer_);
            const std::size_t read = body_.file.read(buffer_, wanted, ec);
            if (ec)
                return boost::none;
            if (read == 0) {
                // The file was cut short since its size was announced.
                ec = boost::beast::http::error::short_read;
                return boost::none;
            }
            remaining_ -= read;
            return {{const_buffers_type(buffer_, read), remaining_ > 0}};
        }

    private:
        value_type& body_;
        std::uint64_t remaining_ = 0;
        char buffer_[16384];
    };
};
