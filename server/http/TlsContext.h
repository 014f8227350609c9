#pragma once

#include <memory>
#include <string>

#include <boost/asio/ssl/context.hpp>

// The HTTPS listeners' OpenSSL context: TLS 1.2 and 1.3 only, the certificate chain and key
// from PEM files. Throws std::runtime_error naming the files when they cannot be used.
std::unique_ptr<boost::asio::ssl::context> makeTlsContext(const std::string& certFile, const std::string& keyFile);
