#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "TestServer.h"
#include "client/BenchmarkClient.h"

// A client talking to a fresh session of the local test server, with the test CA installed as
// the bundle beside the test program.
class ClientServerTest : public testing::Test {
protected:
    void SetUp() override
    {
        KORVID_REQUIRE_TEST_SERVER(env_);
        session_.reset(new ServerSession(env_));
        bundle_.reset(new ScopedCABundle(readFile(env_.caFile)));
    }

    std::unique_ptr<BenchmarkClient> makeClient(const std::string& baseURL, const std::string& key)
    {
        return std::unique_ptr<BenchmarkClient>(new BenchmarkClient(
            "KorvidResult", session_->url(baseURL), env_.clientName, key,
            "http://results.example/Benchmark/Korvid/Result/", "Korvid/2.9 (Windows)"));
    }
    std::unique_ptr<BenchmarkClient> makeClient(const std::string& baseURL)
    {
        return makeClient(baseURL, env_.clientKey);
    }

    // The request head libcurl sends for a lookup of pathAndQuery (below the session's API path).
    std::string getHead(const std::string& baseURL, const std::string& pathAndQuery) const
    {
        return "GET " + session_->pathPrefix() + pathAndQuery + " HTTP/1.1\r\n" + "Host: localhost:" +
               urlPort(baseURL) + "\r\n" + authorization() + "User-Agent: Korvid/2.9 (Windows)\r\n" +
               "Accept: */*\r\n\r\n";
    }
    std::string postHead(const std::string& baseURL, const std::string& type, size_t length) const
    {
        return "POST " + session_->pathPrefix() + type + " HTTP/1.1\r\n" + "Host: localhost:" + urlPort(baseURL) +
               "\r\n" + authorization() + "User-Agent: Korvid/2.9 (Windows)\r\n" + "Accept: */*\r\n" +
               "content-type: application/xml\r\n" + "Connection: Keep-Alive\r\n" +
               "Content-Length: " + std::to_string(length) + "\r\n\r\n";
    }
    std::string authorization() const
    {
        return "Authorization: Basic " + base64(env_.clientName + ":" + env_.clientKey) + "\r\n";
    }

    TestServerEnv env_;
    ScopedDebugLevel level_{-1};
    std::unique_ptr<ServerSession> session_;
    std::unique_ptr<ScopedCABundle> bundle_;
};
