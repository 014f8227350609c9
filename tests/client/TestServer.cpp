#include "TestServer.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>

#include <curl/curl.h>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <process.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "client/CurlGlobal.h"
#include "client/DebugLevel.h"
#include "client/ProgramPath.h"

namespace {

// libcurl's process-wide state for the whole test program.
CurlGlobal curlGlobal;

std::string getEnv(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

size_t appendToString(char* data, size_t size, size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

// A plain HTTP GET to the control endpoint; fails the test on any error.
std::string httpGet(const std::string& url)
{
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    std::string reply;
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &appendToString);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(curl.get(), CURLOPT_NOPROXY, "*");
    const CURLcode result = curl_easy_perform(curl.get());
    long status = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    EXPECT_EQ(CURLE_OK, result) << url;
    EXPECT_EQ(200, status) << url << ": " << reply;
    return reply;
}

int sessionCounter = 0;

}  // namespace

// libcurl honours proxy variables; the tests must reach 127.0.0.1 directly.
static void clearProxyEnvironment()
{
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
#ifdef _WIN32
        _putenv((std::string(name) + "=").c_str());
#else
        unsetenv(name);
#endif
    }
}

bool loadTestServerEnv(TestServerEnv& env)
{
    clearProxyEnvironment();
    env.httpsURL = getEnv("KORVID_TEST_HTTPS_URL");
    env.httpURL = getEnv("KORVID_TEST_HTTP_URL");
    env.untrustedURL = getEnv("KORVID_TEST_UNTRUSTED_URL");
    env.hangURL = getEnv("KORVID_TEST_HANG_URL");
    env.hangHttpURL = getEnv("KORVID_TEST_HANG_HTTP_URL");
    env.controlURL = getEnv("KORVID_TEST_CONTROL_URL");
    env.caFile = hostPath(getEnv("KORVID_TEST_CA_FILE"));
    env.clientName = getEnv("KORVID_TEST_CLIENT_NAME");
    env.clientKey = getEnv("KORVID_TEST_CLIENT_KEY");
    if (env.clientName.empty())
        env.clientName = "Korvid_Windows_2.9";
    return !env.httpsURL.empty() && !env.httpURL.empty() && !env.untrustedURL.empty() && !env.hangURL.empty() &&
           !env.controlURL.empty() && !env.caFile.empty() && !env.clientKey.empty();
}

std::string hostPath(const std::string& unixPath)
{
#ifdef _WIN32
    if (unixPath.empty() || unixPath[0] != '/')
        return unixPath;
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
#else
    return unixPath;
#endif
}

ServerSession::ServerSession(const TestServerEnv& env) : env_(env)
{
#ifdef _WIN32
    const int pid = _getpid();
#else
    const int pid = static_cast<int>(getpid());
#endif
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    name_ = "p" + std::to_string(pid) + "n" + std::to_string(++sessionCounter);
    if (info)
        name_ += std::string("_") + info->name();
    for (char& c : name_)
        if (!isalnum(static_cast<unsigned char>(c)) && c != '_')
            c = '_';
    control("reset");
}

std::string ServerSession::url(const std::string& baseURL) const
{
    const std::string api = "/api/v1/";
    const std::string::size_type at = baseURL.rfind(api);
    return baseURL.substr(0, at) + "/s/" + name_ + api;
}

std::string ServerSession::control(const std::string& command, const std::string& query) const
{
    return httpGet(env_.controlURL + name_ + "/" + command + (query.empty() ? "" : "?" + query));
}

void ServerSession::addRecord(int id, const std::string& searchQuery) const
{
    control("record", "id=" + std::to_string(id) + "&query=" + escape(searchQuery));
}

int ServerSession::requestCount() const { return std::atoi(control("requests/count").c_str()); }

std::string ServerSession::requestHead(int i) const { return control("request/" + std::to_string(i) + "/head"); }

std::string ServerSession::requestBody(int i) const { return control("request/" + std::to_string(i) + "/body"); }

std::string ServerSession::requestTarget(int i) const
{
    return control("request/" + std::to_string(i) + "/target");
}

std::string ServerSession::escape(const std::string& text)
{
    std::string out;
    const char* hex = "0123456789ABCDEF";
    for (unsigned char c : text) {
        if (isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string urlPort(const std::string& url)
{
    const std::string::size_type hostStart = url.find("://") + 3;
    const std::string::size_type colon = url.find(':', hostStart);
    const std::string::size_type slash = url.find('/', hostStart);
    return url.substr(colon + 1, slash - colon - 1);
}

int unusedPort()
{
#ifdef _WIN32
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
#else
    int s = socket(AF_INET, SOCK_STREAM, 0);
#endif
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    const int port = ntohs(address.sin_port);
#ifdef _WIN32
    closesocket(s);
#else
    close(s);
#endif
    return port;
}

std::string base64(const std::string& text)
{
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < text.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(text[i]) << 16) |
                           (static_cast<unsigned char>(text[i + 1]) << 8) | static_cast<unsigned char>(text[i + 2]);
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += alphabet[v & 63];
    }
    if (i + 1 == text.size()) {
        const unsigned v = static_cast<unsigned char>(text[i]) << 16;
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == text.size()) {
        const unsigned v = (static_cast<unsigned char>(text[i]) << 16) | (static_cast<unsigned char>(text[i + 1]) << 8);
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

CoutCapture::CoutCapture() : saved_(std::cout.rdbuf(buffer_.rdbuf())) {}

CoutCapture::~CoutCapture() { std::cout.rdbuf(saved_); }

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ScopedCABundle::bundlePath()
{
    const std::string program = programFilePath();
    const std::string::size_type cut = program.find_last_of("/\\");
    return program.substr(0, cut + 1) + "curl-ca-bundle.crt";
}

ScopedCABundle::ScopedCABundle(const std::string& contents, bool remove) : path_(bundlePath())
{
    std::ifstream existing(path_, std::ios::binary);
    if (existing) {
        hadBundle_ = true;
        previous_.assign(std::istreambuf_iterator<char>(existing), std::istreambuf_iterator<char>());
    }
    existing.close();
    if (remove) {
        std::remove(path_.c_str());
    } else {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << contents;
    }
}

ScopedCABundle::~ScopedCABundle()
{
    if (hadBundle_) {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << previous_;
    } else {
        std::remove(path_.c_str());
    }
}

ScopedDebugLevel::ScopedDebugLevel(int32_t level) : saved_(getDebugLevel()) { setDebugLevel(level); }

ScopedDebugLevel::~ScopedDebugLevel() { setDebugLevel(saved_); }
