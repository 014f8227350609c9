#pragma once

#include <cstdint>
#include <iosfwd>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

// Access to the local results server that tests/client/start runs (addresses come from the
// KORVID_TEST_* environment variables), and small tools for the client's tests.

struct TestServerEnv {
    std::string httpsURL;      // https://localhost:PORT/api/v1/
    std::string httpURL;       // http://localhost:PORT/api/v1/
    std::string untrustedURL;  // certificate from a CA nobody trusts
    std::string hangURL;       // https: accepts and never answers
    std::string hangHttpURL;   // the same listener as plain http
    std::string controlURL;    // http://127.0.0.1:PORT/control/
    std::string caFile;        // PEM of the test CA, as a path this process can open
    std::string clientName;
    std::string clientKey;
};

// False when the variables are not set (the test should then skip).
bool loadTestServerEnv(TestServerEnv& env);

#define KORVID_REQUIRE_TEST_SERVER(env)                                                              \
    do {                                                                                             \
        if (!loadTestServerEnv(env))                                                                 \
            GTEST_SKIP() << "no local results server: run tests/client/start OUTDIR and source "    \
                            "OUTDIR/server.env (scripts/test does this)";                            \
    } while (0)

// A Unix path as this process opens it: unchanged natively, "Z:\..." under Wine.
std::string hostPath(const std::string& unixPath);

// One isolated session on the test server: its own records, IDs, faults and request log.
class ServerSession {
public:
    explicit ServerSession(const TestServerEnv& env);

    // The session's API base URL on one of the server's listeners (a base URL from the env).
    std::string url(const std::string& baseURL) const;
    const std::string& name() const { return name_; }
    // The path prefix of every request in this session: "/s/<name>/api/v1/".
    std::string pathPrefix() const { return "/s/" + name_ + "/api/v1/"; }

    // Control commands; query is appended after '?' unchanged (escape values with escape()).
    std::string control(const std::string& command, const std::string& query = std::string()) const;
    void fault(const std::string& query) const { control("fault", query); }
    void setNextID(int id) const { control("next_id", "value=" + std::to_string(id)); }
    void addRecord(int id, const std::string& searchQuery) const;

    int requestCount() const;
    std::string requestHead(int i) const;
    std::string requestBody(int i) const;
    std::string requestTarget(int i) const;

    static std::string escape(const std::string& text);

private:
    const TestServerEnv& env_;
    std::string name_;
};

// The port of a URL such as "https://localhost:1234/api/v1/".
std::string urlPort(const std::string& url);
// A local TCP port on which nothing listens (bound, then closed again).
int unusedPort();

std::string base64(const std::string& text);

// Redirects std::cout into a string for its lifetime.
class CoutCapture {
public:
    CoutCapture();
    ~CoutCapture();
    std::string text() const { return buffer_.str(); }

private:
    std::ostringstream buffer_;
    std::streambuf* saved_;
};

// Puts a file named curl-ca-bundle.crt beside the test program with the given contents, and
// on destruction restores what was there before (or removes it). With remove=true it only
// takes an existing bundle out of the way.
class ScopedCABundle {
public:
    explicit ScopedCABundle(const std::string& contents, bool remove = false);
    ~ScopedCABundle();
    static std::string bundlePath();

private:
    std::string path_;
    bool hadBundle_ = false;
    std::string previous_;
};

std::string readFile(const std::string& path);

// Keeps the process-wide debug level for one test and restores it afterwards.
class ScopedDebugLevel {
public:
    explicit ScopedDebugLevel(int32_t level);
    ~ScopedDebugLevel();

private:
    int32_t saved_;
};
