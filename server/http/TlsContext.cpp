#include "server/http/TlsContext.h"

#include <stdexcept>

#include <openssl/ssl.h>

std::unique_ptr<boost::asio::ssl::context> makeTlsContext(const std::string& certFile, const std::string& keyFile)
{
    namespace ssl = boost::asio::ssl;
    auto context = std::make_unique<ssl::context>(ssl::context::tls_server);
    context->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 | ssl::context::no_sslv3 |
                         ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1 | ssl::context::single_dh_use);
    SSL_CTX* native = context->native_handle();
    SSL_CTX_set_min_proto_version(native, TLS1_2_VERSION);
    SSL_CTX_set_max_proto_version(native, TLS1_3_VERSION);
    // A renegotiation would let one client make the server do a handshake's work at will.
    SSL_CTX_set_options(native, SSL_OP_NO_RENEGOTIATION);
    if (SSL_CTX_use_certificate_chain_file(native, certFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(native, keyFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(native) != 1)
        throw std::runtime_error("cannot use the certificate " + certFile + " with the key " + keyFile);
    return context;
}
