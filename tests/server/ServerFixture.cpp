#include "ServerFixture.h"

#include <atomic>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include <soci/postgresql/soci-postgresql.h>

#include "BuildConfig.h"

const char* const kClientName = "Korvid_Windows_2.9";
const char* const kClientKey = KORVID_CLIENT_KEY;

namespace {

std::atomic<int> gDatabaseCounter{0};

std::string temporaryFolder()
{
    std::string pattern = "/tmp/korvid-server-test-XXXXXX";
    if (!mkdtemp(&pattern[0]))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

} // namespace

std::string storageName(const testing::TestParamInfo<Storage>& info)
{
    return info.param == Storage::SQLite ? "SQLite" : "PostgreSQL";
}

std::string freshDatabaseURL(Storage storage, std::string& reason)
{
    const int n = ++gDatabaseCounter;
    if (storage == Storage::SQLite)
        return "sqlite:" + temporaryFolder() + "/results.db";

    const char* url = std::getenv("KORVID_TEST_POSTGRES_URL");
    if (!url || !*url) {
        reason = "no PostgreSQL for tests: KORVID_TEST_POSTGRES_URL is not set (scripts/test "
                 "starts a throw-away cluster and sets it)";
        return std::string();
    }
    // A database of its own per test, on the cluster the URL names.
    const std::string base = url;
    const std::size_t query = base.find('?');
    const std::size_t slash = base.rfind('/', query);
    const std::string name = "korvid_test_" + std::to_string(getpid()) + "_" + std::to_string(n);
    try {
        soci::session admin(*soci::factory_postgresql(), postgresConnectString(base));
        admin << "DROP DATABASE IF EXISTS " + name;
        admin << "CREATE DATABASE " + name;
    } catch (const std::exception& error) {
        reason = std::string("cannot make a test database on ") + url + ": " + error.what();
        return std::string();
    }
    return base.substr(0, slash + 1) + name +
           (query == std::string::npos ? std::string() : base.substr(query));
}

void StorageTest::SetUp()
{
    std::string reason;
    const std::string url = freshDatabaseURL(GetParam(), reason);
    if (url.empty())
        GTEST_SKIP() << reason;
    if (GetParam() == Storage::SQLite)
        sqliteFolder_ = std::filesystem::path(url.substr(7)).parent_path();
    database_ = Database::open(url, 2);
    store_ = std::make_unique<SociRecordStore>(*database_);
    queries_ = std::make_unique<SociResultQueries>(*database_);
}

void StorageTest::TearDown()
{
    queries_.reset();
    store_.reset();
    database_.reset();
    if (!sqliteFolder_.empty())
        std::filesystem::remove_all(sqliteFolder_);
}

std::string importFixture(const std::string& name)
{
    std::ifstream in(std::string(KORVID_SOURCE_DIR) + "/tests/server/import/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ServerUnderTest::ServerUnderTest(const std::string& databaseURL, const ServerOptions& options,
                                 int busySeconds)
{
    database_ = Database::open(databaseURL, options.threads, busySeconds);
    store_ = std::make_unique<SociRecordStore>(*database_);
    api_ = std::make_unique<ApiHandler>(*store_, options.apiBase);
    queries_ = std::make_unique<SociResultQueries>(*database_);
    site_ = std::make_unique<ResultSite>(*queries_, *store_, temporaryFolder());
    service_ = std::make_unique<HttpService>(*api_, *site_, options);
    const std::string url = service_->bind().at(0);
    baseURL_ = url.substr(0, url.size() - 1);
    thread_ = std::thread([this] { service_->run(); });
}

ServerUnderTest::~ServerUnderTest()
{
    // A stop before the listener's loop has started is lost; repeat until it ends.
    std::atomic<bool> done{false};
    std::thread stopper([&] {
        while (!done) {
            service_->stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    thread_.join();
    done = true;
    stopper.join();
}

long long ServerUnderTest::count(const std::string& sql)
{
    long long value = -1;
    Database::Lease lease(*database_);
    *lease << sql, soci::into(value);
    return value;
}

ServerOptions ServerTest::options() const
{
    ServerOptions options;
    options.threads = 8;
    options.listeners.push_back(Listener{"127.0.0.1", 0, false});
    return options;
}

void ServerTest::SetUp()
{
    std::string reason;
    databaseURL_ = freshDatabaseURL(GetParam(), reason);
    if (databaseURL_.empty())
        GTEST_SKIP() << reason;
    server_ = std::make_unique<ServerUnderTest>(databaseURL_, options());
}
